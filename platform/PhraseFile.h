#pragma once

#include "FileError.h"
#include "PhraseTrie.h"

#include <QList>
#include <QString>
#include <QStringView>

// A user's list of phrase conversions: one pair "原文 译文" per line (the two separated by spaces, tabs
// or ideographic spaces; anything after the second is ignored), lines whose first visible character
// is "#" are comments, blank lines and lines with only one word are skipped. The encoding is detected
// as for every text file (the program writes these files in UTF-8). A later pair for the same
// phrase wins over an earlier one.
class PhraseFile {
public:
    // Adds the file's pairs to phrases. A file that does not exist adds nothing and is no error.
    static bool read(const QString& path, PhraseTrie& phrases, FileError* error);

    // One line's phrase and its conversion: `original` empty for a blank or comment line,
    // `converted` empty for a line that names a phrase but no conversion (a line read skips).
    struct Line {
        QStringView original;
        QStringView converted;
    };
    static Line parseLine(QStringView line);
    // The numbers (from 1) of the lines of `text` that name a phrase but no conversion.
    static QList<int> linesWithoutConversion(QStringView text);
};
