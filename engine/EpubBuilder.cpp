#include "EpubBuilder.h"

#include "platform/AtomicFile.h"
#include "platform/FileName.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace {

const QString XhtmlNamespace = QStringLiteral("http://www.w3.org/1999/xhtml");
const QString OpsNamespace = QStringLiteral("http://www.idpf.org/2007/ops");
const QString TableOfContents = QStringLiteral("目录");

bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// The indent of a line is the stylesheet's: spaces at its start are dropped.
QStringView withoutIndent(QStringView line) {
    qsizetype start = 0;
    while (start < line.size() &&
           (line[start] == u' ' || line[start] == u'\t' || line[start] == u'\u3000' || line[start] == u'\u00A0'))
        ++start;
    return line.mid(start);
}

QString pageName(int number, int continuation) {
    QString name = QStringLiteral("c%1").arg(number, 5, 10, QLatin1Char('0'));
    if (continuation > 0)
        name += u'-' + QString::number(continuation + 1);
    return name + QStringLiteral(".xhtml");
}

// The id of a manifest item for a file name: the name without its extension, a letter first.
QString itemId(const QString& file) {
    return file.left(file.lastIndexOf(u'.')).replace(u'.', u'-');
}

QString coverMediaType(const QString& path, QString* extension) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray head = file.read(8);
    if (head.startsWith("\xFF\xD8\xFF")) {
        *extension = QStringLiteral("jpg");
        return QStringLiteral("image/jpeg");
    }
    if (head.startsWith("\x89PNG\r\n\x1A\n")) {
        *extension = QStringLiteral("png");
        return QStringLiteral("image/png");
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        *extension = QStringLiteral("gif");
        return QStringLiteral("image/gif");
    }
    return QString();
}

void startXhtml(QXmlStreamWriter& xml, const QString& language, const QString& title, bool styled) {
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE html>"));
    xml.writeStartElement(QStringLiteral("html"));
    xml.writeDefaultNamespace(XhtmlNamespace);
    xml.writeNamespace(OpsNamespace, QStringLiteral("epub"));
    xml.writeAttribute(QStringLiteral("xml:lang"), language);
    xml.writeAttribute(QStringLiteral("lang"), language);
    xml.writeStartElement(QStringLiteral("head"));
    xml.writeTextElement(QStringLiteral("title"), title);
    if (styled) {
        xml.writeEmptyElement(QStringLiteral("link"));
        xml.writeAttribute(QStringLiteral("rel"), QStringLiteral("stylesheet"));
        xml.writeAttribute(QStringLiteral("type"), QStringLiteral("text/css"));
        xml.writeAttribute(QStringLiteral("href"), QStringLiteral("style.css"));
    }
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("body"));
}

} // namespace

EpubBuilder::EpubBuilder(const EpubMetadata& metadata, const QString& scratchFolder)
    : m_meta(metadata), m_scratch(scratchFolder) {
    qint64 ignored = 0;
    m_meta.title = xmlSafe(m_meta.title, &ignored).trimmed();
    m_meta.author = xmlSafe(m_meta.author, &ignored).trimmed();
    if (m_meta.title.isEmpty())
        m_meta.title = QStringLiteral("未命名");
}

QString EpubBuilder::xmlSafe(QStringView text, qint64* dropped) {
    QString safe;
    safe.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            safe += c;
            safe += text[++i];
        } else if (!c.isSurrogate() && isXmlChar(c.unicode())) {
            safe += c;
        } else {
            ++*dropped;
        }
    }
    return safe;
}

bool EpubBuilder::isCoverImage(const QString& path) {
    QString extension;
    return !coverMediaType(path, &extension).isEmpty();
}

QByteArray EpubBuilder::styleSheet(bool vertical) {
    QByteArray css = "body { margin: 0 0.5em; }\n"
                     "h1, h2 { text-align: center; font-weight: bold; margin: 1em 0; }\n"
                     "h1 { font-size: 1.5em; }\n"
                     "h2 { font-size: 1.25em; }\n"
                     "p { text-indent: 2em; margin: 0; line-height: 1.6; }\n";
    if (vertical)
        css += "html { writing-mode: vertical-rl; -epub-writing-mode: vertical-rl; }\n";
    return css;
}

void EpubBuilder::openPage(const QString& fileName) {
    m_pageFile = fileName;
    m_spine.append(fileName);
    m_page.clear();
    m_writer = std::make_unique<QXmlStreamWriter>(&m_page);
    startXhtml(*m_writer, m_meta.language, m_entries.isEmpty() ? m_meta.title : m_entries.back().title, true);
}

void EpubBuilder::closePage() {
    if (!m_writer)
        return;
    m_writer->writeEndDocument();
    m_writer.reset();
    writeScratch(m_pageFile, m_page);
    m_page.clear();
}

void EpubBuilder::startPage(int level, const QString& heading) {
    closePage();
    QString title = xmlSafe(heading, &m_dropped).trimmed();
    if (title.isEmpty())
        title = m_meta.title;
    m_continuation = 0;
    const QString file = pageName(int(m_entries.size()) + 1, 0);
    m_entries.append({level, title, file});
    openPage(file);
    m_writer->writeTextElement(level == 2 ? QStringLiteral("h2") : QStringLiteral("h1"), title);
}

void EpubBuilder::startVolume(const QString& heading) {
    startPage(1, heading);
}

void EpubBuilder::startChapter(const QString& heading) {
    startPage(2, heading);
}

namespace {

// The most characters of a paragraph one page holds, with room for the page's own markup: a character
// takes at most five bytes ("&amp;"), a surrogate pair four.
constexpr qsizetype LongestParagraph = (EpubBuilder::PageLimit - 4096) / 5;

// How much of `text` goes into one paragraph: all of it when a page holds it, else a piece ending after
// the last full stop, question or exclamation mark of the piece's second half, or at its end (never
// between the two halves of a surrogate pair).
qsizetype paragraphLength(QStringView text) {
    if (text.size() <= LongestParagraph)
        return text.size();
    for (qsizetype at = LongestParagraph; at > LongestParagraph / 2; --at) {
        if (QStringView(u"。！？!?").contains(text[at - 1]))
            return at;
    }
    return text[LongestParagraph - 1].isHighSurrogate() ? LongestParagraph - 1 : LongestParagraph;
}

} // namespace

void EpubBuilder::addLine(QStringView line) {
    const QString text = xmlSafe(withoutIndent(line), &m_dropped);
    if (text.trimmed().isEmpty())
        return;
    if (!m_writer)
        startPage(0, m_meta.title);
    // A line longer than a page holds (a text without line breaks) becomes paragraphs that each fit.
    for (QStringView rest = text; !rest.isEmpty();) {
        const QStringView paragraph = rest.first(paragraphLength(rest));
        rest = rest.sliced(paragraph.size());
        // A page that has grown to its limit goes on in a file of its own.
        if (m_page.size() + paragraph.size() * 3 + 16 > PageLimit - 64) {
            closePage();
            openPage(pageName(int(m_entries.size()), ++m_continuation));
        }
        m_writer->writeTextElement(QStringLiteral("p"), paragraph.toString());
    }
}

bool EpubBuilder::writeScratch(const QString& name, const QByteArray& bytes) {
    if (m_error.isSet())
        return false;
    AtomicFile file;
    if (!file.open(FileName::encode(m_scratch + name), 0600, &m_error))
        return false;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put = ::write(file.fd(), bytes.constData() + done, size_t(bytes.size() - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0) {
            m_error = FileError::fromErrno(errno);
            return false;
        }
        done += put;
    }
    return file.commit(AtomicFile::Mode::Replace, FileSync::Never, &m_error);
}

QByteArray EpubBuilder::packageDocument() const {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    const QString opf = QStringLiteral("http://www.idpf.org/2007/opf");
    const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/");
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("package"));
    xml.writeDefaultNamespace(opf);
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("3.0"));
    xml.writeAttribute(QStringLiteral("unique-identifier"), QStringLiteral("bookid"));
    xml.writeAttribute(QStringLiteral("xml:lang"), m_meta.language);
    xml.writeStartElement(QStringLiteral("metadata"));
    xml.writeNamespace(dc, QStringLiteral("dc"));
    xml.writeStartElement(dc, QStringLiteral("identifier"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("bookid"));
    xml.writeCharacters(m_meta.identifier);
    xml.writeEndElement();
    xml.writeTextElement(dc, QStringLiteral("title"), m_meta.title);
    if (!m_meta.author.isEmpty())
        xml.writeTextElement(dc, QStringLiteral("creator"), m_meta.author);
    xml.writeTextElement(dc, QStringLiteral("language"), m_meta.language);
    xml.writeStartElement(QStringLiteral("meta"));
    xml.writeAttribute(QStringLiteral("property"), QStringLiteral("dcterms:modified"));
    xml.writeCharacters(m_meta.modified);
    xml.writeEndElement();
    QString coverExtension;
    const QString coverType =
        m_meta.coverPath.isEmpty() ? QString() : coverMediaType(m_meta.coverPath, &coverExtension);
    if (!coverType.isEmpty()) {
        xml.writeEmptyElement(QStringLiteral("meta"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("cover"));
        xml.writeAttribute(QStringLiteral("content"), QStringLiteral("cover-image"));
    }
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("manifest"));
    const auto item = [&](const QString& id, const QString& href, const QString& type, const QString& properties) {
        xml.writeEmptyElement(QStringLiteral("item"));
        xml.writeAttribute(QStringLiteral("id"), id);
        xml.writeAttribute(QStringLiteral("href"), href);
        xml.writeAttribute(QStringLiteral("media-type"), type);
        if (!properties.isEmpty())
            xml.writeAttribute(QStringLiteral("properties"), properties);
    };
    const QString xhtml = QStringLiteral("application/xhtml+xml");
    item(QStringLiteral("nav"), QStringLiteral("nav.xhtml"), xhtml, QStringLiteral("nav"));
    item(QStringLiteral("ncx"), QStringLiteral("toc.ncx"), QStringLiteral("application/x-dtbncx+xml"), QString());
    item(QStringLiteral("css"), QStringLiteral("style.css"), QStringLiteral("text/css"), QString());
    if (!coverType.isEmpty())
        item(QStringLiteral("cover-image"), QStringLiteral("cover.") + coverExtension, coverType,
             QStringLiteral("cover-image"));
    for (const QString& file : m_spine)
        item(itemId(file), file, xhtml, QString());
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("spine"));
    xml.writeAttribute(QStringLiteral("toc"), QStringLiteral("ncx"));
    if (m_meta.vertical)
        xml.writeAttribute(QStringLiteral("page-progression-direction"), QStringLiteral("rtl"));
    for (const QString& file : m_spine) {
        xml.writeEmptyElement(QStringLiteral("itemref"));
        xml.writeAttribute(QStringLiteral("idref"), itemId(file));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

// The table of contents in two levels: each volume holds the chapters after it.
QByteArray EpubBuilder::navigation() const {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    startXhtml(xml, m_meta.language, TableOfContents, false);
    xml.writeStartElement(QStringLiteral("nav"));
    xml.writeAttribute(OpsNamespace, QStringLiteral("type"), QStringLiteral("toc"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("toc"));
    xml.writeTextElement(QStringLiteral("h1"), TableOfContents);
    xml.writeStartElement(QStringLiteral("ol"));
    bool inVolume = false; // a volume's <li> and its inner <ol> are open
    bool volumeHasChapters = false;
    const auto closeVolume = [&] {
        if (volumeHasChapters)
            xml.writeEndElement(); // ol
        xml.writeEndElement();     // li
        inVolume = volumeHasChapters = false;
    };
    for (const Entry& entry : m_entries) {
        if (entry.level != 2 && inVolume)
            closeVolume();
        if (entry.level == 2 && inVolume && !volumeHasChapters) {
            xml.writeStartElement(QStringLiteral("ol"));
            volumeHasChapters = true;
        }
        xml.writeStartElement(QStringLiteral("li"));
        xml.writeStartElement(QStringLiteral("a"));
        xml.writeAttribute(QStringLiteral("href"), entry.file);
        xml.writeCharacters(entry.title);
        xml.writeEndElement();
        if (entry.level == 1)
            inVolume = true;
        else
            xml.writeEndElement(); // li
    }
    if (inVolume)
        closeVolume();
    xml.writeEndElement(); // ol
    xml.writeEndElement(); // nav
    xml.writeEndDocument();
    return bytes;
}

QByteArray EpubBuilder::ncx() const {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("ncx"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.daisy.org/z3986/2005/ncx/"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("2005-1"));
    xml.writeAttribute(QStringLiteral("xml:lang"), m_meta.language);
    xml.writeStartElement(QStringLiteral("head"));
    const auto meta = [&](const QString& name, const QString& content) {
        xml.writeEmptyElement(QStringLiteral("meta"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeAttribute(QStringLiteral("content"), content);
    };
    const bool twoLevels =
        std::any_of(m_entries.begin(), m_entries.end(), [](const Entry& entry) { return entry.level == 1; });
    meta(QStringLiteral("dtb:uid"), m_meta.identifier);
    meta(QStringLiteral("dtb:depth"), twoLevels ? QStringLiteral("2") : QStringLiteral("1"));
    meta(QStringLiteral("dtb:totalPageCount"), QStringLiteral("0"));
    meta(QStringLiteral("dtb:maxPageNumber"), QStringLiteral("0"));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("docTitle"));
    xml.writeTextElement(QStringLiteral("text"), m_meta.title);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("navMap"));
    bool inVolume = false;
    int order = 0;
    for (const Entry& entry : m_entries) {
        if (entry.level != 2 && inVolume) {
            xml.writeEndElement();
            inVolume = false;
        }
        ++order;
        xml.writeStartElement(QStringLiteral("navPoint"));
        xml.writeAttribute(QStringLiteral("id"), QStringLiteral("p") + QString::number(order));
        xml.writeAttribute(QStringLiteral("playOrder"), QString::number(order));
        xml.writeStartElement(QStringLiteral("navLabel"));
        xml.writeTextElement(QStringLiteral("text"), entry.title);
        xml.writeEndElement();
        xml.writeEmptyElement(QStringLiteral("content"));
        xml.writeAttribute(QStringLiteral("src"), entry.file);
        if (entry.level == 1)
            inVolume = true;
        else
            xml.writeEndElement();
    }
    if (inVolume)
        xml.writeEndElement();
    xml.writeEndElement(); // navMap
    xml.writeEndDocument();
    return bytes;
}

bool EpubBuilder::finish(const QString& target, FileError* error, bool replace) {
    if (m_entries.isEmpty())
        startPage(0, m_meta.title);
    closePage();
    EpubArchive archive;
    const bool built =
        !m_error.isSet() && archive.open(m_scratch + QStringLiteral("book.zip"), &m_error) &&
        archive.addBytes("mimetype", "application/epub+zip", true) &&
        archive.addBytes("META-INF/container.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                                   "<container version=\"1.0\" "
                                                   "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                                                   "  <rootfiles>\n"
                                                   "    <rootfile full-path=\"OEBPS/content.opf\" "
                                                   "media-type=\"application/oebps-package+xml\"/>\n"
                                                   "  </rootfiles>\n"
                                                   "</container>\n") &&
        archive.addBytes("OEBPS/content.opf", packageDocument()) && archive.addBytes("OEBPS/nav.xhtml", navigation()) &&
        archive.addBytes("OEBPS/toc.ncx", ncx()) && archive.addBytes("OEBPS/style.css", styleSheet(m_meta.vertical));
    bool added = built;
    QString coverExtension;
    if (added && !m_meta.coverPath.isEmpty() && !coverMediaType(m_meta.coverPath, &coverExtension).isEmpty())
        added = archive.addFile("OEBPS/cover." + coverExtension.toLatin1(), m_meta.coverPath);
    for (qsizetype i = 0; added && i < m_spine.size(); ++i)
        added = archive.addFile("OEBPS/" + m_spine[i].toLatin1(), m_scratch + m_spine[i]);
    if (added && archive.close(target, &m_error, replace))
        return true;
    if (!m_error.isSet())
        m_error = archive.error();
    if (error)
        *error = m_error;
    return false;
}
