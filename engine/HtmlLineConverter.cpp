#include "HtmlLineConverter.h"

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

const QLatin1StringView CommentEnd("-->");
const QLatin1StringView ScriptEnd("</script>");
const QLatin1StringView StyleEnd("</style>");

} // namespace

HtmlLineConverter::HtmlLineConverter(bool dropLinks) : m_dropLinks(dropLinks) {}

void HtmlLineConverter::convertLine(QStringView rawLine, QString& piece) {
    piece.resize(0);
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
            m_inTag = true;
            if (matchesAt(line, i, QLatin1StringView("</p>"))) {
                piece += u"\r\n";
                m_inTag = false;
                i += 4;
            } else if (matchesAt(line, i, QLatin1StringView("<p>"))) {
                piece += u"\r\n";
                m_inTag = false;
                i += 3;
            } else if (matchesAt(line, i, QLatin1StringView("<title>"))) {
                piece += u"\t\t\t\t";
                m_inTag = false;
                i += 7;
            } else if (matchesAt(line, i, QLatin1StringView("</title>"))) {
                piece += u"\r\n";
                m_inTag = false;
                i += 8;
            } else if (matchesAt(line, i, QLatin1StringView("<a "))) {
                // The tag itself runs on to its ">"; only the link is noted here.
                m_inLink = true;
                i += 3;
            } else if (matchesAt(line, i, QLatin1StringView("</a>"))) {
                m_inLink = m_inTag = false;
                i += 4;
            } else if (matchesAt(line, i, QLatin1StringView("<script"))) {
                m_inScript = true;
                i += 7;
            } else if (matchesAt(line, i, QLatin1StringView("<!--"))) {
                m_inComment = true;
                i += 4;
            } else if (matchesAt(line, i, QLatin1StringView("<style"))) {
                m_inStyle = true;
                i += 6;
            } else {
                ++i;
            }
            continue;
        }
        if (c == u'>') {
            m_inTag = false;
            ++i;
            continue;
        }
        if (c == u'&') {
            // An unknown entity loses its "&" and the rest of it reads as text. A known one shows only
            // where text shows: inside a tag it is part of an attribute ("href=?a=1&amp;b=2").
            qsizetype next = i + 1;
            for (const Entity& entity : Entities) {
                if (matchesAt(line, i, entity.name)) {
                    if (textShows())
                        piece += entity.text;
                    next = i + entity.name.size();
                    break;
                }
            }
            i = next;
            continue;
        }
        if (textShows())
            piece += c;
        ++i;
    }

    if (withoutSurroundingSpaces(piece).isEmpty())
        piece.resize(0);
    else
        piece += u"\r\n";
}
