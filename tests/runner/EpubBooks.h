#pragma once

// Books made from real sentences, with what their e-book must show, and an EPUB read back with libzip
// and QXmlStreamReader: the tests of the split, the e-book and its epubcheck run share them.

#include "fakes/TestFiles.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <zip.h>

namespace EpubBooks {

inline QStringList sentences() {
    return QString::fromUtf8(TestFiles::read(QStringLiteral(QM_TEST_DATA "/book/sentences.txt")))
        .split(u'\n', Qt::SkipEmptyParts);
}

// A book's text (lines joined with LF, the last one ended too) and, page by page, what its e-book
// shows: "h1:" a volume or the opening page, "h2:" a chapter, "p:" a paragraph.
struct Book {
    QStringList lines;
    QStringList shown;

    // Lines before the first heading: a page named after the book.
    void opening(const QString& title, const QStringList& lines_) {
        shown.append("h1:" + title);
        for (const QString& line : lines_)
            text(line);
        lines.append(QString());
    }
    void volume(const QString& heading) {
        lines.append(heading);
        shown.append("h1:" + heading);
    }
    void chapter(const QString& heading) {
        lines.append(heading);
        shown.append("h2:" + heading);
    }
    // A text line, indented as a re-flowed book indents it; `shown` as the page shows it.
    void text(const QString& line, const QString& shownAs = QString()) {
        lines.append(line);
        const QString shownText = shownAs.isNull() ? line.trimmed() : shownAs;
        if (!shownText.isEmpty())
            shown.append("p:" + shownText);
    }
    QString joined() const { return lines.join(u'\n') + u'\n'; }
};

// `volumes` volumes of `chapters` chapters each (no volumes when 0), `paragraphs` sentences each.
inline Book novel(int volumes, int chapters, int paragraphs, const QString& title = QStringLiteral("测试之书")) {
    static const QStringList body = sentences();
    Book book;
    book.opening(title, {"《" + title + "》", "作者：佚名"});
    int next = 0;
    int chapterNumber = 0;
    for (int v = 0; v < std::max(volumes, 1); ++v) {
        if (volumes > 0)
            book.volume(QStringLiteral("第%1卷 卷名%1").arg(v + 1));
        for (int c = 0; c < chapters; ++c) {
            book.chapter(QStringLiteral("第%1章 章名%1").arg(++chapterNumber));
            for (int p = 0; p < paragraphs; ++p)
                book.text(QStringLiteral("　　") + body[next++ % body.size()]);
            book.text(QString());
        }
    }
    return book;
}

// An EPUB read whole into memory.
struct Epub {
    QStringList names; // in the archive's order
    QMap<QString, QByteArray> files;
    bool firstStored = false; // the first entry is stored, not compressed
    bool ok = false;

    explicit Epub(const QString& path) {
        int code = 0;
        zip_t* archive = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, &code);
        if (!archive)
            return;
        const zip_int64_t count = zip_get_num_entries(archive, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t stat;
            zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
            if (i == 0)
                firstStored = stat.comp_method == ZIP_CM_STORE;
            QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
            zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
            if (!file || zip_fread(file, bytes.data(), stat.size) != zip_int64_t(stat.size))
                return;
            zip_fclose(file);
            names.append(QString::fromUtf8(stat.name));
            files.insert(names.back(), bytes);
        }
        zip_close(archive);
        ok = true;
    }

    // The values of an attribute over the elements named `element` of an entry, in order.
    QStringList attributes(const QString& entry, const QString& element, const QString& attribute) const {
        QStringList values;
        QXmlStreamReader xml(files.value(entry));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == element)
                values.append(xml.attributes().value(attribute).toString());
        }
        return values;
    }

    QStringList spine() const {
        QStringList pages;
        const QStringList ids = attributes("OEBPS/content.opf", "itemref", "idref");
        const QStringList itemIds = attributes("OEBPS/content.opf", "item", "id");
        const QStringList hrefs = attributes("OEBPS/content.opf", "item", "href");
        for (const QString& id : ids)
            pages.append("OEBPS/" + hrefs.value(itemIds.indexOf(id)));
        return pages;
    }

    // What the pages show, in reading order: "h1:", "h2:" and "p:" lines.
    QStringList shown() const {
        QStringList lines;
        for (const QString& page : spine()) {
            QXmlStreamReader xml(files.value(page));
            while (!xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && (xml.name() == u"h1" || xml.name() == u"h2" || xml.name() == u"p"))
                    lines.append(xml.name().toString() + u':' + xml.readElementText());
            }
            if (xml.hasError())
                lines.append("XML error in " + page + ": " + xml.errorString());
        }
        return lines;
    }

    // The text of the first element named `element` in an entry.
    QString text(const QString& entry, const QString& element) const {
        QXmlStreamReader xml(files.value(entry));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.qualifiedName() == element)
                return xml.readElementText();
        }
        return QString();
    }
};

} // namespace EpubBooks
