#include "SpaceRemoval.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\u3000';
}

bool isSpaceOrLetter(QChar c) {
    return isSpace(c) || isLatinLetter(c);
}

} // namespace

bool isLatinLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'\uFF41' && u <= u'\uFF5A') ||
           (u >= u'\uFF21' && u <= u'\uFF3A');
}

bool IsLetter(QStringView text) {
    return !text.isEmpty() && isLatinLetter(text.front());
}

void removeIsolatedSpaces(QStringView line, QString& out) {
    out.resize(0);
    const qsizetype size = line.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = line[i];
        // The neighbours are those of the input line, not of what has been kept so far.
        const bool keep =
            !isSpace(c) || i == 0 || isSpaceOrLetter(line[i - 1]) || (i + 1 < size && isSpaceOrLetter(line[i + 1]));
        if (keep)
            out += c;
    }
}
