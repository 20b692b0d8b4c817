#pragma once

#include <QString>
#include <QStringView>

// Which rules turn a page into text.
enum class HtmlRules {
    // Pages as they are saved today: "<br>" ends the line; "<p>" (also with attributes), "<div>",
    // "</div>", "<h1>" to "</h6>", "<li>" and "<tr>" end the line as "</p>" does, tags of one
    // paragraph leaving at most one empty line between paragraphs; every HTML5 character reference
    // is decoded and an "&" that starts none stays; "&nbsp;" is a space, and the &nbsp;s (or
    // non-breaking spaces) that open a paragraph are its indent, one space each ("&emsp;" there is a
    // full-width space).
    Current,
    // The rules of the first versions, output unchanged: only "<p>", "</p>", "<title>" and "</title>"
    // break lines, only "&gt;", "&lt;", "&amp;", "&nbsp;" and "&quot;" are decoded (any other
    // reference loses only its "&").
    Classic,
};

// Turns the lines of a web page into plain text, one line at a time. Tags, scripts, style sheets
// and comments are dropped; "<title>" becomes four tabs and "</title>" ends the title line, which
// is followed by an empty line; with `dropLinks` the text between "<a " and "</a>" is left out.
// Tag names and the old entity names are matched without regard to case. Whether the walk is inside
// a comment, script, style, tag or link carries over from one line to the next, so one converter
// serves one page from its first line to its last. A line that gives text ends with a line break;
// one that gives only spaces gives nothing.
class HtmlLineConverter {
public:
    explicit HtmlLineConverter(bool dropLinks, HtmlRules rules = HtmlRules::Current);

    // Sets `piece` to what `line` gives, each line break as "\r\n".
    void convertLine(QStringView line, QString& piece);

private:
    bool textShows() const { return !m_inTag && (!m_dropLinks || !m_inLink); }
    // Returns the position after what the "<" at `i` starts.
    qsizetype readTag(QStringView line, qsizetype i, QString& piece);
    bool readBreakingTag(QStringView line, qsizetype i, QString& piece);
    qsizetype readReference(QStringView line, qsizetype i, QString& piece);
    void putText(QChar c, QString& piece);
    // Current rules: ends the output line (an empty line when it holds no text).
    void endLine(QString& piece);
    // Current rules: ends the output line when it holds text, else leaves one empty line unless the
    // line before is empty already.
    void endBlock(QString& piece);

    bool m_dropLinks;
    HtmlRules m_rules;
    bool m_inComment = false;
    bool m_inScript = false;
    bool m_inStyle = false;
    bool m_inTag = false;
    bool m_inLink = false;

    // Current rules: where the output line being built starts in the piece, whether it holds more
    // than spaces, and whether the line before it was empty (true at the start: a page does not
    // begin with empty lines).
    qsizetype m_lineStart = 0;
    bool m_lineHasText = false;
    // Current rules: the output line holds nothing but its indent so far.
    bool m_indentOnly = true;
    bool m_lastLineEmpty = true;
};
