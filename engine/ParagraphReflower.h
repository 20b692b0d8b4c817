#pragma once

#include <QString>
#include <QStringView>

// Joins the short physical lines of a text back into paragraphs, one line at a time. A line keeps
// its break when it ends with an end mark ("。", "”", "?", "-" and the like), when it is indented
// by 8 or more spaces, or when it is short (12 characters or fewer) and an empty or indented line
// follows; any other line is joined to the next. A run of empty lines becomes one break. Only the
// breaks decided here are written: the last line gets none of its own.
//
// Pieces use "\r\n" for a break and the decisions count a break as two characters, whatever line
// end the file has; the writer turns "\r\n" into the file's own line end.
class ParagraphReflower {
public:
    // Sets `piece` to what `line` (without its line end) gives; it may be empty.
    void reflowLine(QStringView line, QString& piece);

    static bool isEndMark(QChar c);

private:
    bool m_afterShort = false; // the previous line was short and left open
    bool m_blankDone = false;  // the break for an empty line has been written
};
