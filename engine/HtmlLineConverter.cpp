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

// The name of the tag whose "<" is at `i`: where it starts and ends, and whether the tag is a closing
// one. False when no name ending at a blank, ">", "/" or the end of the line follows.
bool tagNameAt(QStringView line, qsizetype i, qsizetype& start, qsizetype& end, bool& closing) {
    qsizetype j = i + 1;
    closing = j < line.size() && line[j] == u'/';
    if (closing)
        ++j;
    start = j;
    while (j < line.size() && HtmlReference::isNameCharacter(line[j]))
        ++j;
    end = j;
    return end > start && (j == line.size() || isAsciiSpace(line[j]) || line[j] == u'>' || line[j] == u'/');
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
    qsizetype start = 0;
    qsizetype end = 0;
    bool closing = false;
    if (!tagNameAt(line, i, start, end, closing))
        return false;
    const QStringView name = line.sliced(start, end - start);
    auto is = [&](QLatin1StringView lower) {
        return name.size() == lower.size() && matchesAt(name, 0, lower);
    };
    if (is(QLatin1StringView("br"))) {
        endLine(piece);
        return true;
    }
    const bool heading = name.size() == 2 && (name[0] == u'h' || name[0] == u'H') && name[1] >= u'1' && name[1] <= u'6';
    if (heading || is(QLatin1StringView("p")) || is(QLatin1StringView("div")) ||
        (!closing && (is(QLatin1StringView("li")) || is(QLatin1StringView("tr"))))) {
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
