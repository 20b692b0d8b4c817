#include "ChineseText.h"

namespace ChineseText {

namespace {

bool isHanUnit(char16_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0xF900 && c <= 0xFAFF) || c == 0x3007;
}

// High surrogates of U+20000-U+3FFFF: the CJK extensions B and beyond.
bool isHanHighSurrogate(char16_t c) {
    return c >= 0xD840 && c <= 0xD8BF;
}

} // namespace

bool isHanAt(QStringView text, qsizetype i) {
    if (i < 0 || i >= text.size())
        return false;
    const char16_t c = text[i].unicode();
    if (isHanUnit(c))
        return true;
    if (isHanHighSurrogate(c))
        return i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode());
    if (QChar::isLowSurrogate(c))
        return i > 0 && isHanHighSurrogate(text[i - 1].unicode());
    return false;
}

bool isChinesePunctuation(char16_t c) {
    switch (c) {
    case u'，':
    case u'。':
    case u'；':
    case u'：':
    case u'！':
    case u'？':
    case u'（':
    case u'）':
    case u'“':
    case u'”':
    case u'‘':
    case u'’':
    case u'…':
    case u'—':
    case u'、':
        return true;
    default:
        // 「」『』《》【】〔〕 and the rest of the CJK symbols and punctuation.
        return c >= 0x3001 && c <= 0x301F;
    }
}

bool isChineseAt(QStringView text, qsizetype i) {
    return isHanAt(text, i) || (i >= 0 && i < text.size() && isChinesePunctuation(text[i].unicode()));
}

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace ChineseText
