#include "Typesetter.h"

#include "ChapterFinder.h"
#include "Punctuation.h"

namespace {

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

} // namespace

Typesetter::Typesetter(const TypesetOptions& options, QList<qint64> headingLines)
    : m_options(options), m_headingLines(std::move(headingLines)), m_quotes(options.quotes) {}

bool Typesetter::isHeading() {
    while (m_nextHeading < m_headingLines.size() && m_headingLines.at(m_nextHeading) < m_line)
        ++m_nextHeading;
    return m_nextHeading < m_headingLines.size() && m_headingLines.at(m_nextHeading) == m_line;
}

void Typesetter::setBody(QString& body) {
    if (m_options.punctuation) {
        fixPunctuation(body, m_scratch);
        body.swap(m_scratch);
    }
    m_quotes.markParagraph(body);
    if (m_options.latinSpace) {
        addLatinSpaces(body, m_scratch);
        body.swap(m_scratch);
    }
}

bool Typesetter::typesetLine(QString& line, QString& out, bool leadingMarkIsBom) {
    ++m_line;
    const bool heading = isHeading();
    const QString asRead = line;
    m_invisible += InvisibleCharacters(line, m_line == 1 && leadingMarkIsBom);
    out.resize(0);
    const qsizetype indent = indentLength(line);
    if (indent == line.size()) {
        // A blank line: kept (emptied unless the indent is kept as it stands), or left to the next
        // paragraph.
        if (m_options.blankLines == BlankLineStyle::Keep) {
            if (m_options.indent == IndentStyle::Keep)
                out.append(line);
            out.append(u"\r\n");
        }
        return out.size() != asRead.size() + 2 || !out.startsWith(asRead);
    }
    if (m_options.blankLines == BlankLineStyle::One && m_paragraphSeen)
        out.append(u"\r\n");
    m_paragraphSeen = true;

    QString body = line.sliced(indent);
    setBody(body);
    if (m_options.indent == IndentStyle::Keep)
        out.append(QStringView(line).first(indent));
    else if (m_options.indent == IndentStyle::TwoSpaces && !heading)
        out.append(u"\u3000\u3000");
    out.append(body);
    out.append(u"\r\n");
    return out.size() != asRead.size() + 2 || !out.startsWith(asRead);
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
