#include "ParagraphReflower.h"

#include "SpaceTrim.h"

namespace {

constexpr qsizetype IndentAfterShort = 2;
constexpr qsizetype CentredIndent = 8;
constexpr qsizetype ShortLength = 12;

constexpr QStringView Break = u"\r\n";

} // namespace

bool ParagraphReflower::isEndMark(QChar c) {
    switch (c.unicode()) {
    case u'。':
    case u'：':
    case u'）':
    case u'！':
    case u'…':
    case u'；':
    case u'》':
    case u'”':
    case u'’':
    case u'？':
    case u'」':
    case u'』':
    case u'】':
    case u'〗':
    case u']':
    case u'}':
    case u'.':
    case u':':
    case u')':
    case u'!':
    case u';':
    case u'"':
    case u'\'':
    case u'?':
    case u'-':
        return true;
    default:
        return false;
    }
}

void ParagraphReflower::reflowLine(QStringView rawLine, QString& piece) {
    const QStringView line = withoutTrailingSpaces(rawLine);
    piece.resize(0);

    if (m_afterShort) {
        m_afterShort = false;
        if (line.isEmpty()) {
            // Ends the short line and leaves one empty line after it.
            piece += Break;
            piece += Break;
        } else if (leadingSpaceCount(line) >= IndentAfterShort) {
            piece += Break;
        }
    }
    piece += line;

    if (piece.isEmpty()) {
        if (!m_blankDone) {
            piece += Break;
            m_blankDone = true;
        }
        return;
    }

    m_blankDone = false;
    if (isEndMark(piece.back()))
        piece += Break;
    // Tests look at the line as it now stands: a break put in front leaves no leading spaces and
    // counts two characters.
    if (!piece.endsWith(Break)) {
        if (leadingSpaceCount(piece) >= CentredIndent)
            piece += Break;
        else if (piece.size() <= ShortLength)
            m_afterShort = true;
    }
}
