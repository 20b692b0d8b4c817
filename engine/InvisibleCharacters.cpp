#include "InvisibleCharacters.h"

namespace {

bool isRemoved(char16_t c) {
    return (c >= 0x200B && c <= 0x200F) || c == 0x2060 || c == 0x00AD || c == 0xFEFF;
}

} // namespace

InvisibleCount InvisibleCharacters(QString& line, bool atFileStart) {
    InvisibleCount count;
    qsizetype kept = 0;
    const qsizetype size = line.size();
    QChar* text = line.data();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (isRemoved(c) && !(c == 0xFEFF && atFileStart && i == 0)) {
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
