#pragma once

#include <QString>

// Characters that show as nothing but make readers and searches see a gap or a break: U+200B-U+200F
// (zero-width space, joiners, direction marks), U+2060 (word joiner), U+00AD (soft hyphen) and U+FEFF
// inside the text (the reader has already taken a byte order mark away). Other format characters
// (the direction embeddings U+202A-U+202E, the invisible operators, ...) may carry meaning: they are
// counted, not touched.
struct InvisibleCount {
    qsizetype removed = 0;
    qsizetype otherFormat = 0;
};

bool isRemovableInvisible(char16_t c);

// Removes the removable invisible characters from `line` in place and adds what it saw to `count`.
// True when the line changed.
bool removeInvisibleCharacters(QString& line, InvisibleCount& count);
