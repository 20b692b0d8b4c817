#include "TextDecoder.h"

#include "CodePageTables.h"
#include "Utf8Run.h"

#include <cstring>

namespace {

inline void putCodePoint(char32_t codePoint, char16_t*& out) {
    if (codePoint < 0x10000) {
        *out++ = char16_t(codePoint);
    } else {
        codePoint -= 0x10000;
        *out++ = char16_t(0xD800 + (codePoint >> 10));
        *out++ = char16_t(0xDC00 + (codePoint & 0x3FF));
    }
}

// Copies the run of ASCII bytes at p, eight at a time while it lasts.
inline const uchar* copyAscii(const uchar* p, const uchar* end, char16_t*& out) {
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            break;
        for (int i = 0; i < 8; ++i)
            out[i] = p[i];
        p += 8;
        out += 8;
    }
    while (p < end && *p < 0x80)
        *out++ = *p++;
    return p;
}

// Copies the run of plain three-byte UTF-8 characters at p (Utf8Run): the bulk of Chinese text.
inline const uchar* copyThreeByteRun(const uchar* p, const uchar* end, char16_t*& out) {
    char16_t* o = out;
    while (end - p >= 3 && Utf8Run::isPlainThreeByte(p)) {
        *o++ = Utf8Run::threeByteCharacter(p);
        p += 3;
    }
    out = o;
    return p;
}

// Copies the run of two-byte characters of a code page at p, each a lead and a trail byte that give
// one BMP character (CodePageTables::bmpPairs): the bulk of Chinese text. Stops at anything else,
// which decodeCodePage weighs.
inline const uchar* copyDoubleByteRun(const char16_t* bmpPairs, const uchar* p, const uchar* end, char16_t*& out) {
    char16_t* o = out;
    while (end - p >= 2) {
        const char16_t found = bmpPairs[p[0] << 8 | p[1]];
        if (found == 0)
            break;
        *o++ = found;
        p += 2;
    }
    out = o;
    return p;
}

} // namespace

TextDecoder::TextDecoder(TextEncoding encoding) : m_encoding(encoding) {
    if (encoding == TextEncoding::Gb18030)
        m_tables = &CodePageTables::gb18030();
    else if (encoding == TextEncoding::Big5)
        m_tables = &CodePageTables::big5();
}

qsizetype TextDecoder::decode(const uchar* bytes, qsizetype size, bool final, char16_t* out, qsizetype* written) const {
    switch (m_encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return decodeUtf8(bytes, size, final, out, written);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf16LENoBom:
    case TextEncoding::Utf16BENoBom:
        return decodeUtf16(bytes, size, final, out, written);
    case TextEncoding::Gb18030:
    case TextEncoding::Big5:
        break;
    }
    return decodeCodePage(bytes, size, final, out, written);
}

qsizetype TextDecoder::decodeUtf8(const uchar* bytes, qsizetype size, bool final, char16_t* out,
                                  qsizetype* written) const {
    const uchar* p = bytes;
    const uchar* const end = bytes + size;
    char16_t* o = out;
    while (p < end) {
        if (*p < 0x80) {
            p = copyAscii(p, end, o);
            continue;
        }
        if (end - p >= 3 && Utf8Run::isPlainThreeByte(p)) {
            p = copyThreeByteRun(p, end, o);
            continue;
        }
        const uchar lead = *p;
        int trailCount = 0;
        uchar low = 0x80;
        uchar high = 0xBF;
        char32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trailCount = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trailCount = 2;
            codePoint = lead & 0x0F;
            if (lead == 0xE0)
                low = 0xA0; // overlong
            else if (lead == 0xED)
                high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trailCount = 3;
            codePoint = lead & 0x07;
            if (lead == 0xF0)
                low = 0x90; // overlong
            else if (lead == 0xF4)
                high = 0x8F; // beyond U+10FFFF
        } else {
            *o++ = escape(lead);
            ++p;
            continue;
        }
        const qsizetype available = end - p - 1;
        bool valid = true;
        int i = 1;
        for (; i <= trailCount && i <= available; ++i) {
            const uchar trail = p[i];
            if (trail < low || trail > high) {
                valid = false;
                break;
            }
            codePoint = codePoint << 6 | (trail & 0x3F);
            low = 0x80;
            high = 0xBF;
        }
        if (valid && i <= trailCount) {
            if (!final)
                break;
            valid = false;
        }
        if (!valid) {
            *o++ = escape(lead);
            ++p;
            continue;
        }
        putCodePoint(codePoint, o);
        p += trailCount + 1;
    }
    *written = o - out;
    return p - bytes;
}

qsizetype TextDecoder::decodeUtf16(const uchar* bytes, qsizetype size, bool final, char16_t* out,
                                   qsizetype* written) const {
    const bool littleEndian = isLittleEndian(m_encoding);
    const auto unitAt = [littleEndian](const uchar* q) {
        return littleEndian ? char16_t(q[0] | q[1] << 8) : char16_t(q[0] << 8 | q[1]);
    };
    const uchar* p = bytes;
    const uchar* const end = bytes + size;
    char16_t* o = out;
    while (end - p >= 2) {
        const char16_t unit = unitAt(p);
        if (unit < 0xD800 || unit > 0xDFFF) {
            *o++ = unit;
            p += 2;
            continue;
        }
        if (unit <= 0xDBFF) {
            if (end - p >= 4) {
                const char16_t next = unitAt(p + 2);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    *o++ = unit;
                    *o++ = next;
                    p += 4;
                    continue;
                }
            } else if (!final) {
                break;
            }
        }
        *o++ = escape(p[0]);
        *o++ = escape(p[1]);
        p += 2;
    }
    if (final && end - p == 1)
        *o++ = escape(*p++);
    *written = o - out;
    return p - bytes;
}

qsizetype TextDecoder::decodeCodePage(const uchar* bytes, qsizetype size, bool final, char16_t* out,
                                      qsizetype* written) const {
    const CodePageTables& tables = *m_tables;
    const uchar* p = bytes;
    const uchar* const end = bytes + size;
    char16_t* o = out;
    const char16_t* const bmpPairs = tables.bmpPairs.data();
    while (p < end) {
        if (*p < 0x80) {
            p = copyAscii(p, end, o);
            continue;
        }
        p = copyDoubleByteRun(bmpPairs, p, end, o);
        if (p == end || *p < 0x80)
            continue;
        const uchar lead = *p;
        if (lead == 0x80 || lead == 0xFF) {
            const char32_t single = tables.single[lead - 0x80];
            *o++ = single != 0 ? char16_t(single) : escape(lead);
            ++p;
            continue;
        }
        const qsizetype available = end - p;
        if (available < 2) {
            if (!final)
                break;
            *o++ = escape(lead);
            ++p;
            continue;
        }
        const uchar second = p[1];
        char32_t codePoint = 0;
        int length = 2;
        if (second >= 0x30 && second <= 0x39 && tables.fourByteForm) {
            if (available < 4) {
                if (!final && (available == 2 || (p[2] >= 0x81 && p[2] <= 0xFE)))
                    break;
            } else if (p[2] >= 0x81 && p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39) {
                const quint32 index = CodePageTables::fourByteIndex(lead, second, p[2], p[3]);
                if (index < CodePageTables::FourByteBmpCount) {
                    codePoint = tables.fourByteBmp[index];
                } else if (index >= CodePageTables::FourByteSupplementaryStart &&
                           index - CodePageTables::FourByteSupplementaryStart < 0x100000) {
                    codePoint = 0x10000 + (index - CodePageTables::FourByteSupplementaryStart);
                }
                length = 4;
            }
        } else if (second >= CodePageTables::TrailFirst && second <= 0xFE) {
            codePoint = tables.doubleByte[(lead - CodePageTables::LeadFirst) * CodePageTables::TrailCount +
                                          (second - CodePageTables::TrailFirst)];
        }
        if (codePoint == CodePageTables::UnmappedPair) {
            *o++ = escape(lead);
            *o++ = escape(second);
            p += 2;
            continue;
        }
        if (codePoint == 0) {
            const char32_t single = tables.single[lead - 0x80];
            *o++ = single != 0 ? char16_t(single) : escape(lead);
            ++p;
            continue;
        }
        putCodePoint(codePoint, o);
        p += length;
    }
    *written = o - out;
    return p - bytes;
}
