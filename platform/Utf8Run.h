#pragma once

#include <QtGlobal>

// Chinese in UTF-8 is mostly an unbroken run of three-byte characters whose lead byte needs no trail
// range of its own (E1-EC, EE, EF: not E0, whose overlong forms are no characters, nor ED, whose
// surrogates are none): the decoder and the encoding detector take such runs in tight loops and leave
// every other byte to their byte-by-byte rules, which give the same verdict on these characters.
namespace Utf8Run {

// True when the three bytes at p are such a character.
inline bool isPlainThreeByte(const uchar* p) {
    const unsigned lead = p[0];
    const unsigned shape = ((lead & 0xF0) ^ 0xE0) | ((p[1] & 0xC0u) ^ 0x80) | ((p[2] & 0xC0u) ^ 0x80);
    return shape == 0 && lead != 0xE0 && lead != 0xED;
}

// The character of such three bytes.
inline char16_t threeByteCharacter(const uchar* p) {
    return char16_t((p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu));
}

} // namespace Utf8Run
