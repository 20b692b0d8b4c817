#include "EncodingDetector.h"

#include "ChinesePlausibility.h"
#include "CodePageGuess.h"
#include "Utf8Run.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The UTF-16 pattern is judged on the first bytes of the file.
constexpr qsizetype HeadSize = 64 * 1024;
// Thousands of characters settle the code page; more would only cost time.
constexpr qsizetype SampleBudget = 16 * 1024;
// A stretch of the sample ends after this many ASCII bytes in a row.
constexpr int StretchGap = 8;
// Two code-page decodings whose costs differ by less than this many bits read equally well. Measured
// on short lines of real text, a wider margin only sends more of them to the fallback.
constexpr qint64 Margin = 1;
// The most a character of UTF-16 text without BOM may cost on average: real Chinese text costs 9 to 12,
// other bytes read as UTF-16 mostly give rare characters (18 to 20).
constexpr qint64 MaxUtf16Cost = 14;
// The most a Chinese character of a code-page file may cost on average in its more plausible reading.
// Real Chinese costs 8 to 12 even on short lines; Latin-1, CP1252 and Shift-JIS bytes read as Chinese
// give rare characters (16 to 20).
constexpr qint64 MaxHanCost = 15;
constexpr qint64 MostCost = std::numeric_limits<qint64>::max();

// A code-page reading is Chinese text unless its Chinese characters are mostly rare ones, or it has
// none but bytes that do not decode: what Latin-1, CP1252 and Shift-JIS give. Other scripts a code
// page holds (symbols, Cyrillic, GB18030's four-byte characters) are no evidence either way, and a
// few undecodable bytes in real Chinese (a damaged file) do not make it less Chinese.
bool readsAsChinese(const ChinesePlausibility::Tally& reading) {
    if (reading.han == 0)
        return reading.garbage == 0;
    return reading.hanCost <= MaxHanCost * reading.han;
}

constexpr quint64 Ones = 0x0101010101010101ULL;
constexpr quint64 HighBits = 0x8080808080808080ULL;

// True when one of the eight bytes may be below 0x20 (a byte 0x80 or above right after one can show
// up too): such a word needs a closer look.
inline bool mayHoldControl(quint64 word) {
    return ((word - Ones * 0x20) & ~word & HighBits) != 0;
}

// True when one of the eight bytes is 0x80 or above or below 0x20.
inline bool needsLook(quint64 word) {
    return (word & HighBits) != 0 || mayHoldControl(word);
}

// More valid two-byte UTF-8 characters than this in a legacy text are out of the question.
constexpr qint64 ShortUtf8 = 8;
// How often, in bytes, the UTF-8 walk looks whether its question is settled.
constexpr qsizetype SettleLook = 256;

enum class UnitKind { Ascii, Cjk, OtherText, Odd };

constexpr UnitKind kindOf(char16_t u) {
    if (u == 0x09 || u == 0x0A || u == 0x0C || u == 0x0D || (u >= 0x20 && u <= 0x7E))
        return UnitKind::Ascii;
    if ((u >= 0x3000 && u <= 0x303F) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
        (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFFEF))
        return UnitKind::Cjk;
    if ((u >= 0xA0 && u <= 0x52F) || (u >= 0x2000 && u <= 0x2BFF) || (u >= 0x2E80 && u <= 0x2FDF) ||
        (u >= 0x3040 && u <= 0x31FF) || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xD800 && u <= 0xDFFF) || u == 0xFEFF)
        return UnitKind::OtherText;
    return UnitKind::Odd;
}

// Every UTF-16 code unit's kind, looked up rather than worked out: the readings of a file's head as
// UTF-16 look at thousands of units for every file examined.
constexpr std::array<UnitKind, 0x10000> UnitKinds = [] {
    std::array<UnitKind, 0x10000> kinds{};
    for (std::size_t u = 0; u < kinds.size(); ++u)
        kinds[u] = kindOf(char16_t(u));
    return kinds;
}();

struct Utf16Reading {
    qsizetype units = 0;
    qsizetype ascii = 0;
    qsizetype cjk = 0;
    qsizetype text = 0; // ASCII, CJK and other text

    // With `mostlyTextPercent`, the reading stops as soon as it cannot be mostly text any more
    // (its counts are then partial).
    Utf16Reading(const uchar* p, qsizetype size, bool littleEndian, qsizetype mostlyTextPercent = 0) {
        units = size / 2;
        // More odd units than this and fewer than mostlyTextPercent of them are text.
        const qsizetype maxOdd = mostlyTextPercent > 0 ? units * (100 - mostlyTextPercent) / 100 : units;
        for (qsizetype i = 0; i + 1 < size; i += 2) {
            if (i / 2 - text >= maxOdd + 1)
                break;
            const char16_t u = littleEndian ? char16_t(p[i] | p[i + 1] << 8) : char16_t(p[i] << 8 | p[i + 1]);
            switch (UnitKinds[u]) {
            case UnitKind::Ascii:
                ++ascii;
                ++text;
                break;
            case UnitKind::Cjk:
                ++cjk;
                ++text;
                break;
            case UnitKind::OtherText:
                ++text;
                break;
            case UnitKind::Odd:
                break;
            }
        }
    }
    // At least `percent` of the units are text.
    bool mostlyText(qsizetype percent) const { return text * 100 >= units * percent; }
};

} // namespace

void EncodingDetector::feed(const uchar* bytes, qsizetype size) {
    if (qsizetype(m_head.size()) < HeadSize) {
        const qsizetype take = std::min(size, HeadSize - qsizetype(m_head.size()));
        m_head.insert(m_head.end(), bytes, bytes + take);
    }
    if (qsizetype(m_sample.size()) < SampleBudget)
        sampleBytes(bytes, size);
    // Only what the bytes prove settles the UTF-8 question, never where a piece happens to end: a file
    // that starts in a code page may go on in UTF-8 long enough to be UTF-8 after all.
    m_settled = m_settled || utf8Settled(m_fed);
    if (m_settled) {
        scanControls(bytes, size);
        m_fed += size;
        return;
    }
    qsizetype i = 0;
    qsizetype nextLook = SettleLook;
    while (i < size) {
        if (i >= nextLook) {
            nextLook = i + SettleLook;
            if (utf8Settled(m_fed + i)) {
                m_settled = true;
                scanControls(bytes + i, size - i);
                break;
            }
        }
        if (m_need == 0 && size - i >= 8) {
            quint64 word;
            std::memcpy(&word, bytes + i, 8);
            if (!needsLook(word)) {
                i += 8;
                continue;
            }
            if (bytes[i] >= 0x80) {
                // Only while the file still reads as UTF-8: legacy text breaks such runs at once.
                const qsizetype run = m_stray * 4 <= m_wide ? threeByteRun(bytes + i, size - i) : 0;
                i += run;
                if (run > 0 && bytes[i] < 0x80)
                    continue;
                // Legacy text: its non-ASCII bytes one sequence after the other, without looking at
                // words in between.
                do {
                    i += utf8Sequence(bytes + i);
                } while (size - i >= 8 && i < nextLook && bytes[i] >= 0x80);
                continue;
            }
        }
        scanSlow(bytes + i, 1);
        ++i;
    }
    m_fed += size;
}

// Settled once the stray bytes are too many for UTF-8 (the rule wants four characters of three or
// more bytes to each stray byte) even if every byte still to come made such characters, and the
// UTF-8 reading's part in the verdict is known: then the verdict no longer depends on the rest's
// UTF-8 counts.
bool EncodingDetector::utf8Settled(qint64 fed) const {
    if (m_expected < 0 || fed > m_expected)
        return false;
    // The character under way may still complete: one more.
    const qint64 mostWide = m_wide + (m_expected - fed) / 3 + 1;
    if (m_stray * 4 <= mostWide)
        return false;
    // Without a three-byte character yet, whether the UTF-8 reading is weighed at all may still
    // change; that makes no difference once the whole sample reads worse in UTF-8.
    return m_wide > 0 || utf8LosesOnFullSample();
}

// A run of plain three-byte characters (Utf8Run) is taken in one tight loop, leaving at least four
// bytes after it. Returns the bytes it took, counted as valid wide characters.
qsizetype EncodingDetector::threeByteRun(const uchar* p, qsizetype size) {
    qsizetype i = 0;
    while (size - i >= 7 && Utf8Run::isPlainThreeByte(p + i))
        i += 3;
    const qsizetype characters = i / 3;
    if (characters > 0)
        m_nonAscii = true;
    m_valid += characters;
    m_wide += characters;
    return i;
}

// One UTF-8 sequence at p, with at least four bytes there; the same verdicts as utf8Byte() gives
// byte by byte. Returns the bytes it took: a character, or the stray bytes before the first one
// that does not continue it.
qsizetype EncodingDetector::utf8Sequence(const uchar* p) {
    m_nonAscii = true;
    const uchar lead = p[0];
    int trails = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trails = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trails = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trails = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        ++m_stray;
        return 1;
    }
    for (int k = 1; k <= trails; ++k) {
        if (p[k] < low || p[k] > high) {
            m_stray += k;
            return k;
        }
        low = 0x80;
        high = 0xBF;
    }
    ++m_valid;
    if (trails >= 2)
        ++m_wide;
    return trails + 1;
}

void EncodingDetector::scanControls(const uchar* p, qsizetype size) {
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: only a block that holds a control byte other than the ones text may hold
    // is looked at byte by byte. Most blocks of a text hold a line end, so CR and LF are noted for the
    // whole stretch instead.
    const __m128i space = _mm_set1_epi8(0x1F);
    __m128i crs = _mm_setzero_si128();
    __m128i lfs = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, space), v);
        const __m128i cr = _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'));
        const __m128i lf = _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'));
        crs = _mm_or_si128(crs, cr);
        lfs = _mm_or_si128(lfs, lf);
        const __m128i tabOrFormFeed =
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\t')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\f')));
        const __m128i allowed =
            _mm_or_si128(_mm_or_si128(cr, lf), _mm_or_si128(tabOrFormFeed, _mm_cmpeq_epi8(v, _mm_set1_epi8(0x1A))));
        if (_mm_movemask_epi8(_mm_andnot_si128(allowed, control)) != 0)
            controlBytes(p + i, 16);
    }
    m_sawCr = m_sawCr || _mm_movemask_epi8(crs) != 0;
    m_sawLf = m_sawLf || _mm_movemask_epi8(lfs) != 0;
#endif
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, p + i, 8);
        if (mayHoldControl(word))
            controlBytes(p + i, 8);
    }
    controlBytes(p + i, size - i);
}

void EncodingDetector::controlBytes(const uchar* p, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i) {
        const uchar b = p[i];
        if (b >= 0x20)
            continue;
        if (b == '\r')
            m_sawCr = true;
        else if (b == '\n')
            m_sawLf = true;
        else if (b != '\t' && b != '\f' && b != 0x1A)
            ++m_controls;
    }
}

void EncodingDetector::scanSlow(const uchar* p, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i) {
        const uchar b = p[i];
        if (b >= 0x80) {
            utf8Byte(b);
            continue;
        }
        if (m_need > 0) {
            // An ASCII byte where a trail byte belonged: the bytes so far are stray.
            m_stray += m_seen;
            m_need = 0;
        }
        if (b < 0x20)
            controlBytes(p + i, 1);
    }
}

void EncodingDetector::utf8Byte(uchar b) {
    m_nonAscii = true;
    if (m_need > 0) {
        if (b >= m_low && b <= m_high) {
            ++m_seen;
            m_low = 0x80;
            m_high = 0xBF;
            if (--m_need == 0) {
                ++m_valid;
                if (m_seen >= 3)
                    ++m_wide;
            }
            return;
        }
        m_stray += m_seen;
        m_need = 0;
    }
    m_low = 0x80;
    m_high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        m_need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        m_need = 2;
        if (b == 0xE0)
            m_low = 0xA0; // overlong
        else if (b == 0xED)
            m_high = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        m_need = 3;
        if (b == 0xF0)
            m_low = 0x90; // overlong
        else if (b == 0xF4)
            m_high = 0x8F; // beyond U+10FFFF
    } else {
        ++m_stray;
        return;
    }
    m_seen = 1;
}

void EncodingDetector::sampleBytes(const uchar* p, qsizetype size) {
    qsizetype i = 0;
    while (i < size && qsizetype(m_sample.size()) < SampleBudget) {
        if (!m_inStretch) {
            // Skip ASCII eight bytes at a time until a stretch begins.
            while (size - i >= 8) {
                quint64 word;
                std::memcpy(&word, p + i, 8);
                if (word & HighBits)
                    break;
                i += 8;
            }
            while (i < size && p[i] < 0x80)
                ++i;
            if (i == size)
                break;
            m_inStretch = true;
            m_asciiRun = 0;
        }
        // The stretch goes into the sample in one piece, up to the ASCII byte that ends it.
        const qsizetype begin = i;
        const qsizetype end = std::min(size, i + (SampleBudget - qsizetype(m_sample.size())));
        while (i < end) {
            const uchar b = p[i++];
            if (b >= 0x80) {
                m_asciiRun = 0;
            } else if (++m_asciiRun >= StretchGap) {
                m_inStretch = false;
                break;
            }
        }
        m_sample.insert(m_sample.end(), p + begin, p + i);
    }
}

void EncodingDetector::finish() {
    // A file cut off inside its last character is still a UTF-8 file: the cut bytes read as escapes.
    m_need = 0;
}

std::optional<TextEncoding> EncodingDetector::utf16Verdict() const {
    const qsizetype size = qsizetype(m_head.size()) & ~qsizetype(1);
    if (size < 4)
        return std::nullopt;
    const uchar* p = m_head.data();
    std::optional<Utf16Reading> little;
    std::optional<Utf16Reading> big;
    const Utf16Reading* best = nullptr;
    if (std::memchr(p, 0, size_t(size)) != nullptr) {
        little.emplace(p, size, true);
        big.emplace(p, size, false);
        // ASCII in UTF-16 puts a NUL in every other byte. The right byte order reads as text; the
        // wrong one turns line ends and most characters into odd code units. ASCII-only text reads
        // as CJK the wrong way round, so there the order with more ASCII wins.
        best = big->text * little->units > little->text * big->units ? &*big : &*little;
        if (little->mostlyText(95) && big->mostlyText(95))
            best = big->ascii > little->ascii ? &*big : &*little;
        if (!best->mostlyText(90))
            return std::nullopt;
    } else {
        // Without any NUL the file holds no ASCII: one line of Chinese alone, whose units are mostly CJK.
        // Valid UTF-8 is never taken for it.
        if (m_stray == 0)
            return std::nullopt;
        // Most files are no UTF-16: each reading stops once too few of its units are text.
        const auto chinese = [&](std::optional<Utf16Reading>& r, bool littleEndian) {
            r.emplace(p, size, littleEndian, 95);
            return r->mostlyText(95) && r->cjk * 2 >= r->units;
        };
        if (chinese(little, true))
            best = &*little;
        else if (chinese(big, false))
            best = &*big;
        else
            return std::nullopt;
    }
    // Its Chinese must be plausible: CJK code units made of other bytes are mostly rare characters.
    const TextEncoding encoding = best == &*little ? TextEncoding::Utf16LENoBom : TextEncoding::Utf16BENoBom;
    if (ChinesePlausibility::cost(encoding, p, size) > MaxUtf16Cost * (best->units - best->ascii))
        return std::nullopt;
    return encoding;
}

EncodingDetector::SampleReadings EncodingDetector::readSample() const {
    const uchar* p = m_sample.data();
    const qsizetype size = qsizetype(m_sample.size());
    // A reading is weighed only as far as it can still win: Big5 up to where GB18030 would win, UTF-8
    // up to where it would lose.
    SampleReadings readings;
    readings.gb = ChinesePlausibility::cost(TextEncoding::Gb18030, p, size, MostCost, &readings.gbTally);
    readings.big5 = ChinesePlausibility::cost(TextEncoding::Big5, p, size, readings.gb + Margin, &readings.big5Tally);
    const qint64 best = std::min(readings.gb, readings.big5);
    readings.utf8Wins = ChinesePlausibility::cost(TextEncoding::Utf8, p, size, best + Margin) < best + Margin;
    return readings;
}

bool EncodingDetector::utf8LosesOnFullSample() const {
    if (qsizetype(m_sample.size()) < SampleBudget)
        return false;
    if (!m_utf8LosesSample)
        m_utf8LosesSample = !readSample().utf8Wins;
    return *m_utf8LosesSample;
}

std::optional<TextEncoding> EncodingDetector::legacyVerdict(TextEncoding fallback, bool utf8Candidate) const {
    const SampleReadings readings = readSample();
    const qint64 gb = readings.gb;
    const qint64 big5 = readings.big5;
    if (utf8Candidate && readings.utf8Wins)
        return TextEncoding::Utf8;
    // The more plausible reading is complete; when it is no Chinese text, neither is the other.
    if (!readsAsChinese(gb <= big5 ? readings.gbTally : readings.big5Tally))
        return std::nullopt;
    if (gb + Margin <= big5)
        return TextEncoding::Gb18030;
    if (big5 + Margin <= gb)
        return TextEncoding::Big5;
    CodePageGuess guess;
    guess.feed(m_sample.data(), qsizetype(m_sample.size()));
    return guess.verdict().value_or(fallback);
}

bool EncodingDetector::provenNotText() const {
    if (m_controls == 0 || qsizetype(m_head.size()) < HeadSize)
        return false;
    // A head without NUL reads as UTF-16 only once a stray byte has shown it is no UTF-8; stray bytes
    // only ever grow, so from then on (and at once with a NUL) the head's reading is final.
    if (!m_headIsUtf16) {
        if (m_stray == 0 && std::memchr(m_head.data(), 0, m_head.size()) == nullptr)
            return false;
        m_headIsUtf16 = utf16Verdict().has_value();
    }
    return !*m_headIsUtf16;
}

std::optional<TextEncoding> EncodingDetector::verdict(TextEncoding fallback) const {
    if (const std::optional<TextEncoding> utf16 = utf16Verdict())
        return utf16;
    if (m_controls > 0)
        return std::nullopt;
    if (!m_nonAscii)
        return fallback;
    // Valid UTF-8 with characters of three bytes and more is Chinese in UTF-8; with a few stray bytes
    // too. A few two-byte characters alone could be a short legacy text that happens to be valid
    // UTF-8 (one GB18030 character in nine is): there the more plausible reading decides.
    if (m_wide > 0 && m_wide >= 4 * m_stray)
        return TextEncoding::Utf8;
    if (m_stray == 0)
        return m_valid > ShortUtf8 ? TextEncoding::Utf8 : legacyVerdict(fallback, true);
    return legacyVerdict(fallback, m_wide > 0);
}
