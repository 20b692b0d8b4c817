#pragma once

#include <QtGlobal>
#include <array>
#include <unordered_map>
#include <vector>

// Mapping tables of the two legacy Chinese code pages, built once from ICU's converters. Only mappings
// that go both ways are kept: every byte sequence the tables decode encodes back to the very same bytes,
// and a byte sequence that would not (Big5 has characters stored twice) is left to the caller to escape.
//
// Big5 is written as plain Big5, the code page that CP950 and glibc's BIG5 read: `fromBmp` holds only
// codes of its standard areas (A140-A3BF, A3E1, A440-C67E, C940-F9FE). The codes of the extensions
// (HKSCS, the ETEN additions in C6A1-C8FE, the user-defined areas) are still read, and their
// characters are in `extensionFromBmp` and `fromSupplementary`, which the encoder uses only for text
// that came from a Big5 file holding them.
//
// Encoded byte sequences are packed big-endian into one number: below 0x100 one byte, below 0x10000
// two bytes, otherwise four bytes (GB18030's four-byte form). 0 means "no mapping".
struct CodePageTables {
    static constexpr int LeadFirst = 0x81;
    static constexpr int TrailFirst = 0x40;
    static constexpr int TrailCount = 0xFF - TrailFirst; // trail bytes 0x40..0xFE
    // GB18030 four-byte codes 0x81308130..0x8431A439 cover the BMP; 0x90308130 upward the planes above.
    static constexpr quint32 FourByteBmpCount = 39420;
    static constexpr quint32 FourByteSupplementaryStart = 189000; // linear index of 0x90308130
    // In doubleByte: a code the converters know but whose character is stored under other bytes too, or
    // that stands for several characters; both of its bytes are escaped.
    static constexpr char32_t UnmappedPair = 0xFFFFFFFF;

    std::array<char32_t, 128> single{};                      // bytes 0x80..0xFF
    std::vector<char32_t> doubleByte;                        // [(lead - 0x81) * TrailCount + (trail - 0x40)]
    std::vector<char16_t> fourByteBmp;                       // GB18030 only, by linear index
    std::vector<quint32> fromBmp;                            // packed bytes for each BMP code point
    std::vector<quint16> twoByteFromBmp; // fromBmp where it is two bytes, as they stand in memory; else 0
    std::vector<char16_t> bmpPairs; // [lead << 8 | trail]: doubleByte where it is one BMP character, else 0
    std::vector<quint32> extensionFromBmp;                   // Big5 only: extension codes of BMP code points
    std::unordered_map<char32_t, quint32> fromSupplementary; // Big5 extension codes; GB18030 computes these
    bool fourByteForm = false;

    static const CodePageTables& gb18030();
    static const CodePageTables& big5();

    // A two-byte Big5 code of the standard areas, which every Big5 reader knows.
    static bool isPlainBig5(quint32 packed);

    static quint32 fourByteIndex(quint32 b1, quint32 b2, quint32 b3, quint32 b4) {
        return (((b1 - 0x81) * 10 + (b2 - 0x30)) * 126 + (b3 - 0x81)) * 10 + (b4 - 0x30);
    }
    static quint32 fourBytePacked(quint32 index) {
        const quint32 b4 = 0x30 + index % 10;
        index /= 10;
        const quint32 b3 = 0x81 + index % 126;
        index /= 126;
        const quint32 b2 = 0x30 + index % 10;
        const quint32 b1 = 0x81 + index / 10;
        return b1 << 24 | b2 << 16 | b3 << 8 | b4;
    }
};
