#pragma once

#include <QString>

// What InvisibleCharacters did to a line (or, summed, to a file).
struct InvisibleCount {
    qsizetype removed = 0;    // zero-width characters and soft hyphens taken out
    qsizetype formatKept = 0; // other format characters (Unicode category Cf): counted, left in the text

    InvisibleCount& operator+=(const InvisibleCount& other) {
        removed += other.removed;
        formatKept += other.formatKept;
        return *this;
    }
};

// Removes the characters readers never see but that break a line up for them: U+200B to U+200F,
// U+2060, the soft hyphen U+00AD, and U+FEFF except as the first character of the file's text when
// that is the file's byte order mark (`atFileStart` true for the first line of a GB18030 or Big5 file;
// the platform reader keeps a Unicode file's BOM out of its lines, so there a leading U+FEFF is a
// stray one and `atFileStart` is false). Other format characters (bidirectional marks,
// U+2061 to U+2064, tags and the like) may carry meaning: they are counted, not touched. `line` is one
// line without its end, changed in place; a character outside the BMP stays whole.
InvisibleCount InvisibleCharacters(QString& line, bool atFileStart);
