#include "Typesetter.h"

#include "ChapterFinder.h"
#include "Punctuation.h"

#include <array>
#include <cstring>
#include <initializer_list>

namespace {

// What a line's characters may ask of the steps, one bit a step, or-ed over the line: a step that no
// character of a line asks for would leave the line as it is, so it is skipped (most lines of a book
// need few of the steps, and looking up each character once is far cheaper than running them all).
enum Need : quint8 {
    NeedsInvisible = 1,   // a character InvisibleCharacters removes or counts (or the start of a pair)
    NeedsPunctuation = 2, // a half-width mark, an ellipsis or a dash that fixPunctuation may change
    NeedsFullStops = 4,   // 。, which changes only in a run of three
    NeedsQuotes = 8,      // a quotation mark, straight or typographic
    NeedsLatin = 16,      // an ASCII letter, for the space between Han and Latin
};

class NeedsTable {
public:
    // Each step's characters are marked where they stand: testing every code point against the lists
    // would cost more than a short file's whole typesetting.
    NeedsTable() {
        for (char32_t c = 0; c < m_needs.size(); ++c) {
            if (QChar::isHighSurrogate(c) || QChar::category(c) == QChar::Other_Format)
                m_needs[c] |= NeedsInvisible;
        }
        mark(u"\u00AD\u200B\u200C\u200D\u200E\u200F\u2060\uFEFF", NeedsInvisible);
        mark(u",.;:!?()-…—", NeedsPunctuation);
        mark(u"。", NeedsFullStops);
        mark(u"\"'“”‘’「」『』", NeedsQuotes);
        mark(u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", NeedsLatin);
    }
    quint8 operator[](char16_t c) const { return m_needs[c]; }

private:
    void mark(QStringView characters, Need need) {
        for (const QChar c : characters)
            m_needs[c.unicode()] |= need;
    }

    std::array<quint8, 0x10000> m_needs{};
};

quint8 needsOf(QStringView line) {
    static const NeedsTable table;
    quint8 needs = 0;
    for (const QChar c : line)
        needs |= table[c.unicode()];
    return needs;
}

// What a paragraph may have been indented with: spaces, tabs, full-width and no-break spaces.
bool isIndentCharacter(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\u00A0';
}

qsizetype indentLength(QStringView line) {
    qsizetype length = 0;
    while (length < line.size() && isIndentCharacter(line[length]))
        ++length;
    return length;
}

// Three 。 in a row, which the punctuation makes ……: a plain loop, the lines are short.
bool holdsFullStopRun(QStringView text) {
    for (qsizetype i = 0; i + 2 < text.size(); ++i) {
        if (text[i] == u'。' && text[i + 1] == u'。' && text[i + 2] == u'。')
            return true;
    }
    return false;
}

constexpr QStringView LineEnd = u"\r\n";

// Sets `out` to the pieces one after the other, in the room it already has: one resize and a copy a
// piece cost far less than an append a piece, and a book's lines make no allocation each.
void assemble(QString& out, std::initializer_list<QStringView> pieces) {
    qsizetype size = 0;
    for (const QStringView piece : pieces)
        size += piece.size();
    out.resize(size);
    if (size == 0)
        return;
    QChar* at = out.data();
    for (const QStringView piece : pieces) {
        if (piece.isEmpty())
            continue;
        std::memcpy(static_cast<void*>(at), piece.data(), size_t(piece.size()) * sizeof(QChar));
        at += piece.size();
    }
}

// `out` is `line` and its end, as typesetLine writes an unchanged line.
bool isLineAsItCame(const QString& out, QStringView line) {
    return out.size() == line.size() + 2 && out.startsWith(line);
}

} // namespace

Typesetter::Typesetter(const TypesetOptions& options, QList<qint64> headingLines)
    : m_options(options), m_headingLines(std::move(headingLines)), m_quotes(options.quotes) {}

bool Typesetter::isHeading() {
    while (m_nextHeading < m_headingLines.size() && m_headingLines.at(m_nextHeading) < m_line)
        ++m_nextHeading;
    return m_nextHeading < m_headingLines.size() && m_headingLines.at(m_nextHeading) == m_line;
}

QStringView Typesetter::setBody(QStringView body, quint8 needs) {
    QStringView text = body;
    bool inBody = false;
    if (m_options.punctuation &&
        ((needs & NeedsPunctuation) || ((needs & NeedsFullStops) && holdsFullStopRun(body)))) {
        fixPunctuation(body, m_body);
        inBody = true;
    }
    // Neither step adds or removes a quotation mark or a letter: the line's needs still hold.
    if (!(needs & NeedsQuotes)) {
        m_quotes.passParagraphWithoutMarks();
    } else if (m_options.quotes != QuoteStyle::Keep) {
        if (!inBody) {
            m_body.resize(0); // keeps its room, unlike a new string
            m_body.append(body);
        }
        inBody = true;
        m_quotes.markParagraph(m_body);
    }
    if (inBody)
        text = m_body;
    if (m_options.latinSpace && (needs & NeedsLatin)) {
        addLatinSpaces(text, m_scratch);
        text = m_scratch;
    }
    return text;
}

bool Typesetter::typesetLine(QString& line, QString& out, bool leadingMarkIsBom) {
    ++m_line;
    const bool heading = isHeading();
    const quint8 needs = needsOf(line);
    // A line that lost a character is never the line as it came: no step writes such a character.
    bool removed = false;
    if (needs & NeedsInvisible) {
        const InvisibleCount count = InvisibleCharacters(line, m_line == 1 && leadingMarkIsBom);
        m_invisible += count;
        removed = count.removed > 0;
    }
    const qsizetype indent = indentLength(line);
    if (indent == line.size()) {
        // A blank line: kept (emptied unless the indent is kept as it stands), or left to the next
        // paragraph.
        if (m_options.blankLines != BlankLineStyle::Keep)
            assemble(out, {});
        else if (m_options.indent == IndentStyle::Keep)
            assemble(out, {line, LineEnd});
        else
            assemble(out, {LineEnd});
        return removed || !isLineAsItCame(out, line);
    }
    const bool blankBefore = m_options.blankLines == BlankLineStyle::One && m_paragraphSeen;
    m_paragraphSeen = true;

    const QStringView body = setBody(QStringView(line).sliced(indent), needs);
    QStringView indentText;
    if (m_options.indent == IndentStyle::Keep)
        indentText = QStringView(line).first(indent);
    else if (m_options.indent == IndentStyle::TwoSpaces && !heading)
        indentText = u"\u3000\u3000";
    assemble(out, {blankBefore ? LineEnd : QStringView(), indentText, body, LineEnd});
    return removed || !isLineAsItCame(out, line);
}

QString typesetText(QStringView text, const TypesetOptions& options) {
    const QList<Heading> headings = ChapterFinder::find(text);
    QList<qint64> lines;
    for (const Heading& heading : headings) {
        if (lines.isEmpty() || lines.last() != heading.line)
            lines.append(heading.line);
    }
    Typesetter setter(options, lines);
    QString result;
    QString line;
    QString out;
    QList<QStringView> pieces = text.split(u'\n');
    if (text.endsWith(u'\n'))
        pieces.removeLast();
    for (const QStringView piece : pieces) {
        line = piece.toString();
        setter.typesetLine(line, out);
        out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        result.append(out);
    }
    return result;
}
