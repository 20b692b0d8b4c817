#pragma once

#include <QString>
#include <QStringView>

// Turns the lines of a web page into plain text, one line at a time. Tags, scripts, style sheets
// and comments are dropped; "&gt;", "&lt;", "&amp;", "&nbsp;" and "&quot;" are decoded (any other
// entity loses only its "&"); "<p>", "</p>" and "</title>" become line breaks and "<title>" four
// tabs; with `dropLinks` the text between "<a " and "</a>" is left out. Whether the walk is inside
// a comment, script, style, tag or link carries over from one line to the next, so one converter
// serves one page from its first line to its last.
class HtmlLineConverter {
public:
    explicit HtmlLineConverter(bool dropLinks);

    // Sets `piece` to what `line` gives, each line break as "\r\n": the line's text followed by
    // "\r\n", or nothing when the text is empty or only U+0020 spaces.
    void convertLine(QStringView line, QString& piece);

private:
    bool textShows() const { return !m_inTag && (!m_dropLinks || !m_inLink); }

    bool m_dropLinks;
    bool m_inComment = false;
    bool m_inScript = false;
    bool m_inStyle = false;
    bool m_inTag = false;
    bool m_inLink = false;
};
