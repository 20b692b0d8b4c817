#pragma once

#include <QStringView>

// What the typesetting rules ask of a character: is it Chinese writing, or Latin?
namespace ChineseText {

// A Han character (the CJK blocks, 〇, and a surrogate pair of planes 2 and 3) at `i` in `text`; `i`
// may name either half of a pair.
bool isHanAt(QStringView text, qsizetype i);
// Han or Chinese punctuation (、。「」『』《》【】，：；！？（）“”‘’…—): text that takes full-width marks.
bool isChineseAt(QStringView text, qsizetype i);
bool isChinesePunctuation(char16_t c);
bool isAsciiLetter(char16_t c);
bool isAsciiDigit(char16_t c);
inline bool isAsciiAlnum(char16_t c) {
    return isAsciiLetter(c) || isAsciiDigit(c);
}

} // namespace ChineseText
