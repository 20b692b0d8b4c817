#include "HtmlLineConverter.h"

#include "HtmlReference.h"
#include "SpaceTrim.h"

#include <QLatin1StringView>

namespace {

// True when `text` holds `lower` at `pos`, ASCII letters compared without regard to case.
bool matchesAt(QStringView text, qsizetype pos, QLatin1StringView lower) {
    if (text.size() - pos < lower.size())
        return false;
    for (qsizetype k = 0; k < lower.size(); ++k) {
        char16_t c = text[pos + k].unicode();
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
        if (c != static_cast<unsigned char>(lower.data()[k]))
            return false;
    }
    return true;
}

struct Entity {
    QLatin1StringView name;
    QChar text;
};

constexpr Entity Entities[] = {
    {QLatin1StringView("&gt;"), u'>'},   {QLatin1StringView("&lt;"), u'<'},   {QLatin1StringView("&amp;"), u'&'},
    {QLatin1StringView("&nbsp;"), u' '}, {QLatin1StringView("&quot;"), u'"'},
};

bool isAsciiSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiAlphanumeric(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
}

// The name of the tag whose "<" is at `i`, in lower case, and whether it is a closing tag. Empty
// when no name ending at a blank, ">", "/" or the end of the line follows.
QString tagNameAt(QStringView line, qsizetype i, bool& closing) {
    qsizetype j = i + 1;
    closing = j < line.size() && line[j] == u'/';
    if (closing)
        ++j;
    const qsizetype start = j;
    while (j < line.size() && isAsciiAlphanumeric(line[j]))
        ++j;
    if (j == start || (j < line.size() && !isAsciiSpace(line[j]) && line[j] != u'>' && line[j] != u'/'))
        return QString();
    return line.sliced(start, j - start).toString().toLower();
}

bool isHeading(const QString& name) {
    return name.size() == 2 && name[0] == u'h' && name[1] >= u'1' && name[1] <= u'6';
}

const QLatin1StringView CommentEnd("-->");
const QLatin1StringView ScriptEnd("</script>");
const QLatin1StringView StyleEnd("</style>");

} // namespace

HtmlLineConverter::HtmlLineConverter(bool dropLinks, HtmlRules rules) : m_dropLinks(dropLinks), m_rules(rules) {}

void HtmlLineConverter::convertLine(QStringView rawLine, QString& piece) {
    piece.resize(0);
    m_lineStart = 0;
    m_indentOnly = true;
    const QStringView line = withoutSurroundingSpaces(rawLine);
    const qsizetype size = line.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = line[i];
        if (m_inComment) {
            if (c == u'-' && matchesAt(line, i, CommentEnd)) {
                m_inComment = m_inTag = false;
                i += CommentEnd.size();
            } else {
                ++i;
            }
            continue;
        }
        if (m_inScript) {
            if (c == u'<' && matchesAt(line, i, ScriptEnd)) {
                m_inScript = m_inTag = false;
                i += ScriptEnd.size();
            } else {
                ++i;
            }
            continue;
        }
        if (m_inStyle) {
            if (c == u'<' && matchesAt(line, i, StyleEnd)) {
                m_inStyle = m_inTag = false;
                i += StyleEnd.size();
            } else {
                ++i;
            }
            continue;
        }

        if (c == u'<') {
            i = readTag(line, i, piece);
        } else if (c == u'>') {
            m_inTag = false;
            ++i;
        } else if (c == u'&') {
            i = readReference(line, i, piece);
        } else {
            if (textShows())
                putText(c, piece);
            ++i;
        }
    }

    if (m_rules == HtmlRules::Classic) {
        if (withoutSurroundingSpaces(piece).isEmpty())
            piece.resize(0);
        else
            piece += u"\r\n";
    } else if (m_lineHasText) {
        piece += u"\r\n";
        m_lineHasText = false;
        m_lastLineEmpty = false;
    } else {
        // Spaces alone make no line.
        piece.truncate(m_lineStart);
    }
}

qsizetype HtmlLineConverter::readTag(QStringView line, qsizetype i, QString& piece) {
    m_inTag = true;
    const bool classic = m_rules == HtmlRules::Classic;
    if (classic && matchesAt(line, i, QLatin1StringView("</p>"))) {
        piece += u"\r\n";
        m_inTag = false;
        return i + 4;
    }
    if (classic && matchesAt(line, i, QLatin1StringView("<p>"))) {
        piece += u"\r\n";
        m_inTag = false;
        return i + 3;
    }
    if (matchesAt(line, i, QLatin1StringView("<title>"))) {
        piece += u"\t\t\t\t";
        m_lineHasText = true;
        m_indentOnly = false;
        m_inTag = false;
        return i + 7;
    }
    if (matchesAt(line, i, QLatin1StringView("</title>"))) {
        if (classic) {
            piece += u"\r\n";
        } else {
            endLine(piece);
            endBlock(piece);
        }
        m_inTag = false;
        return i + 8;
    }
    // The tag itself runs on to its ">"; only the link is noted here.
    if (matchesAt(line, i, QLatin1StringView("<a "))) {
        m_inLink = true;
        return i + 3;
    }
    if (!classic && matchesAt(line, i, QLatin1StringView("<a")) && i + 2 < line.size() && isAsciiSpace(line[i + 2])) {
        m_inLink = true;
        return i + 3;
    }
    if (matchesAt(line, i, QLatin1StringView("</a>"))) {
        m_inLink = m_inTag = false;
        return i + 4;
    }
    if (matchesAt(line, i, QLatin1StringView("<script"))) {
        m_inScript = true;
        return i + 7;
    }
    if (matchesAt(line, i, QLatin1StringView("<!--"))) {
        m_inComment = true;
        return i + 4;
    }
    if (matchesAt(line, i, QLatin1StringView("<style"))) {
        m_inStyle = true;
        return i + 6;
    }
    if (!classic)
        readBreakingTag(line, i, piece);
    return i + 1;
}

bool HtmlLineConverter::readBreakingTag(QStringView line, qsizetype i, QString& piece) {
    bool closing = false;
    const QString name = tagNameAt(line, i, closing);
    if (name == QLatin1String("br")) {
        endLine(piece);
        return true;
    }
    if (name == QLatin1String("p") || name == QLatin1String("div") || isHeading(name) ||
        (!closing && (name == QLatin1String("li") || name == QLatin1String("tr")))) {
        endBlock(piece);
        return true;
    }
    return false;
}

qsizetype HtmlLineConverter::readReference(QStringView line, qsizetype i, QString& piece) {
    if (m_rules == HtmlRules::Classic) {
        // An unknown entity loses its "&" and the rest of it reads as text. A known one shows only
        // where text shows: inside a tag it is part of an attribute ("href=?a=1&amp;b=2").
        for (const Entity& entity : Entities) {
            if (matchesAt(line, i, entity.name)) {
                if (textShows())
                    piece += entity.text;
                return i + entity.name.size();
            }
        }
        return i + 1;
    }
    QString decoded;
    const qsizetype length = HtmlReference::decode(line, i, decoded);
    if (length == 0) {
        if (textShows())
            putText(u'&', piece);
        return i + 1;
    }
    if (textShows()) {
        for (QChar c : std::as_const(decoded)) {
            // A reference neither breaks the line nor leaves a space a legacy file cannot hold; an
            // em space opening a paragraph is the full-width space of a Chinese indent.
            if (c == u'\n' || c == u'\r' || c == QChar::Nbsp)
                c = u' ';
            else if (c == u'\u2003' && m_indentOnly)
                c = u'\u3000';
            putText(c, piece);
        }
    }
    return i + length;
}

void HtmlLineConverter::putText(QChar c, QString& piece) {
    if (m_rules == HtmlRules::Classic) {
        piece += c;
        return;
    }
    if (m_indentOnly && c == QChar::Nbsp)
        c = u' ';
    piece += c;
    if (c != u' ')
        m_lineHasText = true;
    if (c != u' ' && c != u'\u3000')
        m_indentOnly = false;
}

void HtmlLineConverter::endLine(QString& piece) {
    if (!m_lineHasText)
        piece.truncate(m_lineStart);
    piece += u"\r\n";
    m_lastLineEmpty = !m_lineHasText;
    m_lineHasText = false;
    m_indentOnly = true;
    m_lineStart = piece.size();
}

void HtmlLineConverter::endBlock(QString& piece) {
    if (m_lineHasText) {
        endLine(piece);
        return;
    }
    piece.truncate(m_lineStart);
    if (!m_lastLineEmpty) {
        piece += u"\r\n";
        m_lastLineEmpty = true;
        m_lineStart = piece.size();
    }
}
