#pragma once

#include <QString>
#include <vector>

// The quotation marks of a region: “”‘’ (mainland) or 「」『』 (Taiwan and Hong Kong); Keep leaves
// every mark as it is.
enum class QuoteStyle { Mainland, Taiwan, Keep };

// Rewrites the quotation marks of a text, paragraph by paragraph, in one style. Levels alternate
// between the style's double and single marks however deep they nest (“‘“”’” / 「『「」』」). Straight
// " and ' are quotation marks when, paired in their order in the paragraph, the pair quotes Chinese
// text; an apostrophe between letters (don't) stays.
// A quotation may run over several paragraphs: each of them starts with the opening mark again, and
// only the last has the closing one; a paragraph after an unclosed quotation that does not start with
// an opening mark ends it (a mark the text forgot to close).
class QuoteMarker {
public:
    explicit QuoteMarker(QuoteStyle style) : m_style(style) {}

    // One paragraph's text, without its indent, rewritten in place. True when a mark changed.
    bool markParagraph(QString& text);
    // What markParagraph does to a paragraph (not empty) that holds no quotation mark, straight or
    // typographic, for a caller that knows it holds none: the text stays, a quotation left open ends.
    void passParagraphWithoutMarks() { m_open.clear(); }

private:
    QChar openMark(size_t level) const;
    QChar closeMark(size_t level) const;
    // Marks in m_quoting the straight marks `mark` of a paragraph, from `from` on, that are quotation marks.
    void findStraightQuotes(QStringView text, qsizetype from, char16_t mark);
    void open(QString& text, qsizetype i, char16_t opener);
    void close(QString& text, qsizetype i);
    // Writes `mark` at `i`, noting in m_changed whether that changed the text.
    void put(QString& text, qsizetype i, QChar mark);

    QuoteStyle m_style;
    // What opened each level still open: u'"' or u'\'' for straight marks, 0 for a typographic one.
    std::vector<char16_t> m_open;
    std::vector<bool> m_quoting; // per code unit of the paragraph being marked
    bool m_changed = false;      // a mark of the paragraph being marked changed
};
