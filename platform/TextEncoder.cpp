#include "TextEncoder.h"

#include "CodePageTables.h"

#include <algorithm>
#include <cstring>

namespace {

inline bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

inline bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

inline bool isEscapedByte(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDCFF;
}

inline char* putPacked(quint32 packed, char* out) {
    if (packed >= 0x1000000) {
        *out++ = char(packed >> 24);
        *out++ = char(packed >> 16);
    }
    if (packed >= 0x100)
        *out++ = char(packed >> 8);
    *out++ = char(packed);
    return out;
}

inline char* putUnit16(char16_t unit, bool littleEndian, char* out) {
    if (littleEndian) {
        *out++ = char(unit & 0xFF);
        *out++ = char(unit >> 8);
    } else {
        *out++ = char(unit >> 8);
        *out++ = char(unit & 0xFF);
    }
    return out;
}

} // namespace

TextEncoder::TextEncoder(TextEncoding encoding) : m_encoding(encoding) {
    if (encoding == TextEncoding::Gb18030)
        m_tables = &CodePageTables::gb18030();
    else if (encoding == TextEncoding::Big5)
        m_tables = &CodePageTables::big5();
}

QByteArray TextEncoder::byteOrderMark(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF", 3);
    case TextEncoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case TextEncoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    default:
        return {};
    }
}

char* TextEncoder::put(char32_t codePoint, char* out) {
    switch (m_encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        if (codePoint < 0x800) {
            *out++ = char(0xC0 | codePoint >> 6);
        } else if (codePoint < 0x10000) {
            *out++ = char(0xE0 | codePoint >> 12);
            *out++ = char(0x80 | (codePoint >> 6 & 0x3F));
        } else {
            *out++ = char(0xF0 | codePoint >> 18);
            *out++ = char(0x80 | (codePoint >> 12 & 0x3F));
            *out++ = char(0x80 | (codePoint >> 6 & 0x3F));
        }
        *out++ = char(0x80 | (codePoint & 0x3F));
        return out;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf16LENoBom:
    case TextEncoding::Utf16BENoBom: {
        const bool littleEndian = isLittleEndian(m_encoding);
        if (codePoint < 0x10000)
            return putUnit16(char16_t(codePoint), littleEndian, out);
        out = putUnit16(char16_t(0xD800 + ((codePoint - 0x10000) >> 10)), littleEndian, out);
        return putUnit16(char16_t(0xDC00 + ((codePoint - 0x10000) & 0x3FF)), littleEndian, out);
    }
    case TextEncoding::Gb18030:
    case TextEncoding::Big5:
        break;
    }
    quint32 packed = 0;
    if (codePoint < 0x10000) {
        packed = m_tables->fromBmp[codePoint];
    } else if (m_tables->fourByteForm) {
        packed = CodePageTables::fourBytePacked(CodePageTables::FourByteSupplementaryStart + codePoint - 0x10000);
    }
    if (packed == 0 && !m_allowedExtensions.empty() && m_allowedExtensions.count(codePoint) != 0)
        packed = extensionCode(codePoint);
    if (packed == 0)
        return putUnmappable(codePoint, out);
    return putPacked(packed, out);
}

void TextEncoder::countUnmappable(char32_t codePoint) {
    ++m_unmappable;
    if (m_sample.size() < SampleSize && std::find(m_sample.begin(), m_sample.end(), codePoint) == m_sample.end())
        m_sample.push_back(codePoint);
}

char* TextEncoder::putUnmappable(char32_t codePoint, char* out) {
    countUnmappable(codePoint);
    *out++ = '?';
    return out;
}

// UTF-16, a byte held: the partner escape writes the pair, and one line end after it waits with it.
bool TextEncoder::takesUpHeldByte(char16_t unit, char*& out) {
    if (m_heldLineEnd.empty() && isEscapedByte(unit)) {
        *out++ = char(m_heldByte & 0xFF);
        *out++ = char(unit & 0xFF);
        m_heldByte = 0;
        return true;
    }
    const bool lineEndGoesOn =
        m_heldLineEnd.empty() ? unit == u'\r' || unit == u'\n' : m_heldLineEnd == u"\r" && unit == u'\n';
    if (lineEndGoesOn)
        m_heldLineEnd.push_back(unit);
    return lineEndGoesOn;
}

// UTF-16, a byte held and more text after it: the byte would pair up with that text.
char* TextEncoder::putHeldByteAsUnmappable(char* out) {
    const bool littleEndian = isLittleEndian(m_encoding);
    countUnmappable(m_heldByte);
    out = putUnit16(u'?', littleEndian, out);
    for (char16_t unit : m_heldLineEnd)
        out = putUnit16(unit, littleEndian, out);
    m_heldByte = 0;
    m_heldLineEnd.clear();
    return out;
}

quint32 TextEncoder::extensionCode(char32_t codePoint) const {
    if (codePoint < 0x10000)
        return m_tables->extensionFromBmp.empty() ? 0 : m_tables->extensionFromBmp[codePoint];
    const auto found = m_tables->fromSupplementary.find(codePoint);
    return found != m_tables->fromSupplementary.end() ? found->second : 0;
}

void TextEncoder::allowExtensionCharacters(QStringView sourceText) {
    if (m_encoding != TextEncoding::Big5)
        return;
    const auto* units = reinterpret_cast<const char16_t*>(sourceText.utf16());
    const qsizetype size = sourceText.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t codePoint = units[i];
        if (codePoint < 0x80)
            continue;
        if (isHighSurrogate(units[i]) && i + 1 < size && isLowSurrogate(units[i + 1])) {
            codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (m_tables->fromBmp[codePoint] != 0) {
            continue;
        }
        if (extensionCode(codePoint) != 0)
            m_allowedExtensions.insert(codePoint);
    }
}

char* TextEncoder::putLone(char16_t unit, char* out) {
    if (isEscapedByte(unit) && isUtf16(m_encoding)) {
        m_heldByte = unit;
        return out;
    }
    if (isEscapedByte(unit)) {
        *out++ = char(unit & 0xFF);
        return out;
    }
    if (isUtf16(m_encoding))
        return putUnit16(unit, isLittleEndian(m_encoding), out);
    return putUnmappable(unit, out);
}

// The characters most text is made of, written a run at a time: ASCII, and the BMP characters that
// a code page stores in two bytes (CodePageTables::twoByteFromBmp) or that UTF-8 stores in two or
// three. Stops at the first unit that needs more thought (a surrogate, a character without such a
// code) and returns how many it took. UTF-16 is left to encode() unit by unit (a held byte may be
// waiting there).
qsizetype TextEncoder::encodeCommonRun(const char16_t* text, qsizetype size, char*& out) const {
    char* o = out;
    qsizetype i = 0;
    if (m_tables) {
        const quint16* twoByte = m_tables->twoByteFromBmp.data();
        for (; i < size; ++i) {
            const char16_t unit = text[i];
            if (unit < 0x80) {
                *o++ = char(unit);
                continue;
            }
            const quint16 code = twoByte[unit];
            if (code == 0)
                break;
            std::memcpy(o, &code, 2);
            o += 2;
        }
    } else if (m_encoding == TextEncoding::Utf8 || m_encoding == TextEncoding::Utf8Bom) {
        for (; i < size; ++i) {
            const char16_t unit = text[i];
            if (unit < 0x80) {
                *o++ = char(unit);
            } else if (unit < 0x800) {
                o[0] = char(0xC0 | unit >> 6);
                o[1] = char(0x80 | (unit & 0x3F));
                o += 2;
            } else if (unit < 0xD800 || unit > 0xDFFF) {
                o[0] = char(0xE0 | unit >> 12);
                o[1] = char(0x80 | (unit >> 6 & 0x3F));
                o[2] = char(0x80 | (unit & 0x3F));
                o += 3;
            } else {
                break;
            }
        }
    }
    out = o;
    return i;
}

qsizetype TextEncoder::encode(const char16_t* text, qsizetype size, char* out) {
    char* o = out;
    qsizetype i = 0;
    if (m_pendingHigh != 0 && size > 0) {
        const char16_t high = m_pendingHigh;
        m_pendingHigh = 0;
        if (isLowSurrogate(text[0])) {
            o = put(0x10000 + ((char32_t(high) - 0xD800) << 10) + (text[0] - 0xDC00), o);
            i = 1;
        } else {
            o = putLone(high, o);
        }
    }
    const bool wide = isUtf16(m_encoding);
    while (i < size) {
        if (m_heldByte != 0) {
            if (takesUpHeldByte(text[i], o)) {
                ++i;
                continue;
            }
            o = putHeldByteAsUnmappable(o);
        }
        if (!wide) {
            i += encodeCommonRun(text + i, size - i, o);
            if (i == size)
                break;
        }
        const char16_t unit = text[i];
        if (isHighSurrogate(unit)) {
            if (i + 1 == size) {
                m_pendingHigh = unit;
                break;
            }
            if (isLowSurrogate(text[i + 1])) {
                o = put(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00), o);
                i += 2;
                continue;
            }
            o = putLone(unit, o);
        } else if (isLowSurrogate(unit)) {
            o = putLone(unit, o);
        } else {
            o = put(unit, o);
        }
        ++i;
    }
    return o - out;
}

qsizetype TextEncoder::finish(char* out) {
    char* o = out;
    if (m_pendingHigh != 0) {
        o = putLone(m_pendingHigh, o);
        m_pendingHigh = 0;
    }
    if (m_heldByte != 0) {
        *o++ = char(m_heldByte & 0xFF);
        m_heldByte = 0;
        m_heldLineEnd.clear();
    }
    return o - out;
}
