#include "InvisibleCharacters.h"

namespace {

bool isRemoved(char16_t c) {
    return (c >= 0x200B && c <= 0x200F) || c == 0x2060 || c == 0x00AD || c == 0xFEFF;
}

// The BMP ranges that hold format characters, and the surrogates (tags and the like lie beyond the
// BMP), so that the category is looked up for few characters: none of the Chinese text.
bool mayBeFormat(char16_t c) {
    if (c > 0x206F && c < 0xD800)
        return false; // the Chinese characters and their punctuation: most of every line
    return c == 0x00AD || (c >= 0x0600 && c <= 0x08E2) || c == 0x180E || (c >= 0x200B && c <= 0x206F) ||
           QChar::isHighSurrogate(c) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

// A character an emoji sequence joins: one beyond the BMP (the emoji themselves, and any other such
// character) or a variation selector.
bool joinsEmoji(const QChar* text, qsizetype at, qsizetype size) {
    if (at < 0 || at >= size)
        return false;
    const char16_t c = text[at].unicode();
    return c == 0xFE0F || c == 0xFE0E || QChar::isSurrogate(c);
}

// A zero-width joiner between two such characters (👨‍👩‍👧) holds an emoji sequence together.
bool joinsSequence(const QChar* text, qsizetype at, qsizetype size) {
    return text[at].unicode() == 0x200D && joinsEmoji(text, at - 1, size) && joinsEmoji(text, at + 1, size);
}

// Where the first character that mayBeFormat() stands in `text`, or `size`. Most lines hold none: the
// Chinese characters, their punctuation and ASCII are passed over with one or two comparisons each.
qsizetype firstToLookAt(const QChar* text, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        const bool plain = c < 0x00AD || char16_t(c - 0x2070) < 0xD800 - 0x2070 || char16_t(c - 0xFF00) <= 0xFFF8 - 0xFF00;
        if (!plain && mayBeFormat(c))
            return i;
    }
    return size;
}

} // namespace

InvisibleCount InvisibleCharacters(QString& line, bool atFileStart) {
    InvisibleCount count;
    const qsizetype size = line.size();
    // Most lines hold no such character: they are only read, never written.
    const qsizetype start = firstToLookAt(line.constData(), size);
    if (start == size)
        return count;
    qsizetype kept = start;
    QChar* text = line.data();
    for (qsizetype i = start; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x00AD || !mayBeFormat(c)) {
            text[kept++] = text[i];
            continue;
        }
        if (isRemoved(c) && !(c == 0xFEFF && atFileStart && i == 0) && !joinsSequence(text, i, size)) {
            ++count.removed;
            continue;
        }
        char32_t code = c;
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < size && text[i + 1].isLowSurrogate();
        if (pair)
            code = QChar::surrogateToUcs4(c, text[i + 1].unicode());
        if (QChar::category(code) == QChar::Other_Format && !isRemoved(c))
            ++count.formatKept;
        text[kept++] = text[i];
        if (pair)
            text[kept++] = text[++i];
    }
    if (count.removed > 0)
        line.truncate(kept);
    return count;
}
