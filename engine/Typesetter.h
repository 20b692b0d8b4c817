#pragma once

#include "InvisibleCharacters.h"
#include "QuoteMarks.h"

#include <QList>
#include <QString>

// How a text is set: the settings of the typeset command.
enum class IndentStyle { TwoSpaces, None, Keep };
enum class BlankLineStyle { Keep, None, One };

struct TypesetOptions {
    bool punctuation = true;                     // half-width marks next to Chinese made full-width
    QuoteStyle quotes = QuoteStyle::Mainland;    // the caller decides what "by the text" means
    IndentStyle indent = IndentStyle::TwoSpaces; // paragraphs start with exactly two 　, or none
    BlankLineStyle blankLines = BlankLineStyle::Keep;
    bool latinSpace = false; // a space between Han and Latin letters

    bool operator==(const TypesetOptions&) const = default;
};

// Sets a text line by line, one line a paragraph: removes the invisible characters, gives each
// paragraph the indent asked for (headings none), the blank lines between paragraphs, Chinese
// punctuation and the quotation marks of the style (a quotation may run over paragraphs).
class Typesetter {
public:
    // `headingLines`: the 1-based numbers of the lines that are headings, ascending.
    Typesetter(const TypesetOptions& options, QList<qint64> headingLines = {});

    // Sets `out` to what `line` (without its end) gives: nothing, or one or two lines each ending in
    // "\r\n" (a blank line before a paragraph when blank lines are made one). `line` is used as scratch.
    // True when that is not the line as it came. `leadingMarkIsBom`: a U+FEFF that starts the first
    // line is the file's byte order mark (a GB18030 file's; see InvisibleCharacters) and stays.
    bool typesetLine(QString& line, QString& out, bool leadingMarkIsBom = false);

    const InvisibleCount& invisible() const { return m_invisible; }

private:
    bool isHeading();
    // The paragraph's text without its indent, set: `body` itself when no step changes it, else a
    // view of m_body or m_scratch. `needs`: what the line's characters ask of the steps.
    QStringView setBody(QStringView body, quint8 needs);

    TypesetOptions m_options;
    QList<qint64> m_headingLines;
    qsizetype m_nextHeading = 0;
    qint64 m_line = 0;
    bool m_paragraphSeen = false;
    QuoteMarker m_quotes;
    InvisibleCount m_invisible;
    QString m_body; // reused from line to line: a book's lines make no allocation each
    QString m_scratch;
};

// The whole text set as typesetLine sets it, lines split at LF: for previews and tests.
QString typesetText(QStringView text, const TypesetOptions& options);
