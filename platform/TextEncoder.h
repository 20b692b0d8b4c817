#pragma once

#include "TextFormat.h"

#include <QByteArray>
#include <QStringView>
#include <QtGlobal>
#include <string>
#include <unordered_set>
#include <vector>

struct CodePageTables;

// Turns UTF-16 text into the bytes of an encoding; the inverse of TextDecoder. An escaped byte (a lone
// U+DC00..U+DCFF) is written as that byte. A character the encoding cannot hold, and in the byte
// encodings any other unpaired surrogate, is written as "?", counted, and the first few distinct ones
// are kept for the message that names them. A high surrogate at the end of one call waits for the next
// call, so text may be handed over in any pieces.
//
// UTF-16 holds bytes only in pairs, so an escaped byte that would leave an odd byte count (a UTF-16
// file's trailing odd byte, as TextDecoder reads it) stays the output's very last byte: it is held back,
// a line end right after it (the one the line model adds after the last line) is dropped, and finish()
// writes it. An escaped byte that meets its partner escape is written with it. One that more text
// follows has no place where it would stay one byte: it is written as "?" and counted as unmappable.
//
// Big5 is written as plain Big5 (see CodePageTables): a character that only an extension code holds is
// unmappable, unless allowExtensionCharacters() was shown text holding it, that is text read from a
// Big5 file that already stored it under that code.
class TextEncoder {
public:
    explicit TextEncoder(TextEncoding encoding);

    // The room `out` must have for encode(size units) or finish().
    static constexpr qsizetype maxBytes(qsizetype units) { return units * 4 + 4; }

    qsizetype encode(const char16_t* text, qsizetype size, char* out);
    // Writes a high surrogate still waiting for its partner.
    qsizetype finish(char* out);
    // True when no part of a character waits for the next call: text that follows may then be put
    // after what encode() gave so far as its own bytes.
    bool holdsNothing() const { return m_pendingHigh == 0 && m_heldByte == 0; }

    // Big5: the extension characters of `sourceText` may be written under their extension codes.
    void allowExtensionCharacters(QStringView sourceText);

    int unmappableCount() const { return m_unmappable; }
    // The first distinct characters that were unmappable, in order of appearance (at most SampleSize).
    const std::vector<char32_t>& unmappableSample() const { return m_sample; }
    static constexpr size_t SampleSize = 5;

    static QByteArray byteOrderMark(TextEncoding encoding);

private:
    qsizetype encodeCommonRun(const char16_t* text, qsizetype size, char*& out) const;
    char* put(char32_t codePoint, char* out);
    char* putLone(char16_t unit, char* out);
    char* putUnmappable(char32_t codePoint, char* out);
    void countUnmappable(char32_t codePoint);
    bool takesUpHeldByte(char16_t unit, char*& out);
    char* putHeldByteAsUnmappable(char* out);
    quint32 extensionCode(char32_t codePoint) const;

    TextEncoding m_encoding;
    const CodePageTables* m_tables = nullptr;
    char16_t m_pendingHigh = 0;
    // UTF-16: an escaped byte at an odd output position, and the line end held back after it.
    char16_t m_heldByte = 0;
    std::u16string m_heldLineEnd;
    int m_unmappable = 0;
    std::vector<char32_t> m_sample;
    std::unordered_set<char32_t> m_allowedExtensions;
};
