#include "InvisibleCharacters.h"

bool isRemovableInvisible(char16_t c) {
    return (c >= 0x200B && c <= 0x200F) || c == 0x2060 || c == 0x00AD || c == 0xFEFF;
}

namespace {

// The ranges of the BMP that hold format characters, so that the category is looked up for few
// characters (none of the Chinese text).
bool mayBeFormat(char16_t c) {
    return c == 0x00AD || (c >= 0x0600 && c <= 0x08E2) || c == 0x180E || (c >= 0x200B && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB);
}

} // namespace

bool removeInvisibleCharacters(QString& line, InvisibleCount& count) {
    const qsizetype size = line.size();
    const QChar* in = line.constData();
    qsizetype first = 0;
    for (; first < size; ++first) {
        const char16_t c = in[first].unicode();
        if (c < 0x00AD || !mayBeFormat(c))
            continue;
        if (isRemovableInvisible(c))
            break;
        if (QChar::category(c) == QChar::Other_Format)
            ++count.otherFormat;
    }
    if (first == size)
        return false;
    QChar* out = line.data();
    qsizetype kept = first;
    for (qsizetype i = first; i < size; ++i) {
        const char16_t c = out[i].unicode();
        if (c >= 0x00AD && mayBeFormat(c)) {
            if (isRemovableInvisible(c)) {
                ++count.removed;
                continue;
            }
            if (QChar::category(c) == QChar::Other_Format)
                ++count.otherFormat;
        }
        out[kept++] = out[i];
    }
    line.truncate(kept);
    return true;
}
