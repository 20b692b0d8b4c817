#pragma once

#include "TextFormat.h"

#include <QByteArray>
#include <QtGlobal>

struct CodePageTables;

// Turns UTF-16 text into the bytes of an encoding; the inverse of TextDecoder. An escaped byte (a lone
// U+DC00..U+DCFF) is written as that byte. A character the encoding cannot hold, and in the byte
// encodings any other unpaired surrogate, is written as "?" and counted. A high surrogate at the end of
// one call waits for the next call, so text may be handed over in any pieces.
class TextEncoder {
public:
    explicit TextEncoder(TextEncoding encoding);

    // The room `out` must have for encode(size units) or finish().
    static constexpr qsizetype maxBytes(qsizetype units) { return units * 4 + 4; }

    qsizetype encode(const char16_t* text, qsizetype size, char* out);
    // Writes a high surrogate still waiting for its partner.
    qsizetype finish(char* out);

    int unmappableCount() const { return m_unmappable; }
    static QByteArray byteOrderMark(TextEncoding encoding);

private:
    char* put(char32_t codePoint, char* out);
    char* putLone(char16_t unit, char* out);

    TextEncoding m_encoding;
    const CodePageTables* m_tables = nullptr;
    char16_t m_pendingHigh = 0;
    int m_unmappable = 0;
};
