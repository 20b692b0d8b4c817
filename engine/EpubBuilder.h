#pragma once

#include "platform/EpubArchive.h"
#include "platform/FileError.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <QXmlStreamWriter>
#include <memory>

// What an e-book says about itself.
struct EpubMetadata {
    QString title;
    QString author; // may be empty
    QString language = QStringLiteral("zh-CN");
    QString identifier;    // "urn:uuid:..."
    QString modified;      // "2026-12-07T19:22:35Z"
    bool vertical = false; // vertical writing, right to left
    QString coverPath;     // a JPEG, PNG or GIF image; empty: none
};

// Builds an EPUB 3 book (package 3.0, with a toc.ncx for older readers) from a stream of volume and
// chapter headings and the lines of their text: one XHTML page per volume and per chapter (a long
// chapter continues on further pages so that none exceeds PageLimit bytes), a two-level table of
// contents, one paragraph per line that is not blank. Leading spaces (the 　　 of an indented line)
// are left to the stylesheet's first-line indent; characters XML cannot hold are left out and
// counted. Lines before the first heading make an opening page named after the book.
//
// Pages are written one by one into a private scratch folder, so memory holds one page and the
// table of contents only.
class EpubBuilder {
public:
    static constexpr qsizetype PageLimit = 300 * 1000;

    // `scratchFolder`: an existing private folder, with its trailing slash, that the builder may fill.
    EpubBuilder(const EpubMetadata& metadata, const QString& scratchFolder);

    void startVolume(const QString& heading);
    void startChapter(const QString& heading);
    void addLine(QStringView line);
    // Writes the book to `target` in one step: replacing a file there when `replace`, else only where
    // none is (EEXIST when one has appeared meanwhile). False with `error` on failure.
    bool finish(const QString& target, FileError* error, bool replace = true);

    // Characters left out because XML cannot hold them (control characters, undecodable bytes).
    qint64 droppedCharacters() const { return m_dropped; }

    // The text as a page shows it: XML-safe characters only (`dropped` counts the others).
    static QString xmlSafe(QStringView text, qint64* dropped);
    // True for a JPEG, PNG or GIF image, the covers a book can take.
    static bool isCoverImage(const QString& path);
    // The stylesheet of the book.
    static QByteArray styleSheet(bool vertical);

private:
    struct Entry {
        int level = 2; // 1 volume, 2 chapter, 0 the opening page
        QString title;
        QString file;
    };
    void startPage(int level, const QString& heading);
    void openPage(const QString& fileName);
    void closePage();
    bool writeScratch(const QString& name, const QByteArray& bytes);
    QByteArray packageDocument() const;
    QByteArray navigation() const;
    QByteArray ncx() const;

    EpubMetadata m_meta;
    QString m_scratch;
    QList<Entry> m_entries;
    QStringList m_spine; // every page file, continuations included
    QByteArray m_page;   // the open page, written so far
    std::unique_ptr<QXmlStreamWriter> m_writer;
    QString m_pageFile;
    int m_continuation = 0;
    qint64 m_dropped = 0;
    FileError m_error;
};
