#pragma once

#include <QString>
#include <QStringView>

// Removal of the stray single spaces that web pages, PDF extraction and OCR leave between Chinese
// characters. A space is U+0020 or the ideographic space U+3000.

// True when the first character of `text` is a Latin letter, half-width or full-width (a-z, A-Z,
// U+FF41-U+FF5A, U+FF21-U+FF3A). False for an empty text.
bool IsLetter(QStringView text);
bool isLatinLetter(QChar c);

// Sets `out` to `line` without its isolated spaces: a space goes when the character before it is
// neither a space nor a letter, and the character after it is the end of the line or neither a
// space nor a letter. Spaces at the start of the line, spaces in runs of two or more and spaces
// next to a letter stay, and so does the space after a heading's label at the line's start (第2章 夜宿古庙).
void removeIsolatedSpaces(QStringView line, QString& out);

// Where the label of a numbered heading ("第2章", "第十一回", "第三卷") at the start of `line` (after its
// spaces) ends: the index just behind it, or -1 when the line does not start with one.
qsizetype headingLabelEnd(QStringView line);
