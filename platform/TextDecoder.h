#pragma once

#include "TextFormat.h"

#include <QtGlobal>

struct CodePageTables;

// Turns the bytes of a file into UTF-16 without losing any of them: a byte that does not start a valid
// sequence of the encoding becomes the lone low surrogate U+DC00 + byte (a surrogate never comes out of
// valid input, so the escape is unambiguous), and TextEncoder writes it back as that byte. In UTF-16 the
// bytes of an unpaired surrogate and an odd final byte are escaped the same way.
class TextDecoder {
public:
    explicit TextDecoder(TextEncoding encoding);

    // Decodes bytes[0..size) into out, which must have room for `size` units (no encoding yields more
    // units than bytes). Unless `final`, a sequence cut off at the end is left alone so that the next call
    // can see it whole. Returns the number of bytes used and sets *written to the units written.
    qsizetype decode(const uchar* bytes, qsizetype size, bool final, char16_t* out, qsizetype* written) const;

    static constexpr char16_t escape(uchar byte) { return char16_t(0xDC00 + byte); }

private:
    qsizetype decodeUtf8(const uchar* bytes, qsizetype size, bool final, char16_t* out, qsizetype* written) const;
    qsizetype decodeUtf16(const uchar* bytes, qsizetype size, bool final, char16_t* out, qsizetype* written) const;
    qsizetype decodeCodePage(const uchar* bytes, qsizetype size, bool final, char16_t* out, qsizetype* written) const;

    TextEncoding m_encoding;
    const CodePageTables* m_tables = nullptr;
};
