#include "CodePageGuess.h"

namespace {

// Enough characters that a Big5 text without a single low trail byte is out of the question
// (about 0.6^32).
constexpr qsizetype MinimumPairs = 32;
// Past this many characters more of them would not change the verdict.
constexpr qsizetype EnoughPairs = 1024;

} // namespace

void CodePageGuess::feed(const uchar* bytes, qsizetype size) {
    qsizetype i = 0;
    while (i + 1 < size && m_pairs < EnoughPairs) {
        const uchar lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const uchar trail = bytes[i + 1];
        if (trail >= 0x30 && trail <= 0x39 && i + 3 < size && bytes[i + 2] >= 0x81 && bytes[i + 2] <= 0xFE &&
            bytes[i + 3] >= 0x30 && bytes[i + 3] <= 0x39) {
            ++m_fourByte;
            i += 4;
            continue;
        }
        ++m_pairs;
        if (trail >= 0x40 && trail <= 0x7E)
            ++m_lowTrails;
        if (lead >= 0x81 && lead <= 0xA0)
            ++m_gbkOnlyLeads;
        i += 2;
    }
}

std::optional<TextEncoding> CodePageGuess::verdict() const {
    if (m_fourByte > 0)
        return TextEncoding::Gb18030;
    if (m_pairs < MinimumPairs)
        return std::nullopt;
    // Big5 text has a low trail byte in about two characters of five; simplified text in GBK only in
    // its rare extension characters.
    if (m_lowTrails * 20 < m_pairs)
        return TextEncoding::Gb18030;
    if (m_gbkOnlyLeads == 0 && m_lowTrails * 5 > m_pairs)
        return TextEncoding::Big5;
    return std::nullopt;
}
