#pragma once

#include <QStringView>

// Trimming in the transformations removes U+0020 only: tabs, full-width spaces and every other
// character count as text.

inline QStringView withoutTrailingSpaces(QStringView text) {
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return text.first(end);
}

inline QStringView withoutSurroundingSpaces(QStringView text) {
    text = withoutTrailingSpaces(text);
    qsizetype begin = 0;
    while (begin < text.size() && text[begin] == u' ')
        ++begin;
    return text.sliced(begin);
}

inline qsizetype leadingSpaceCount(QStringView text) {
    qsizetype count = 0;
    while (count < text.size() && text[count] == u' ')
        ++count;
    return count;
}
