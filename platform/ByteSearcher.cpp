#include "ByteSearcher.h"

#include <QList>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uchar asciiLower(uchar b) {
    return b >= 'A' && b <= 'Z' ? uchar(b + ('a' - 'A')) : b;
}

constexpr std::array<uchar, 256> makeLowerTable() {
    std::array<uchar, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[size_t(b)] = asciiLower(uchar(b));
    return table;
}

constexpr std::array<uchar, 256> Lower = makeLowerTable();

} // namespace

ByteSearcher::ByteSearcher(QByteArrayView needle, Case mode)
    : m_needle(needle.toByteArray()), m_caseless(mode == Case::AsciiCaseless) {
    if (!m_caseless)
        return;
    const qsizetype m = m_needle.size();
    for (qsizetype i = 0; i < m; ++i)
        m_needle[i] = char(Lower[uchar(m_needle[i])]);
    m_shift.fill(m > 0 ? m : 1);
    for (qsizetype i = 0; i + 1 < m; ++i) {
        const uchar b = uchar(m_needle[i]);
        m_shift[b] = m - 1 - i;
        if (b >= 'a' && b <= 'z')
            m_shift[size_t(b - ('a' - 'A'))] = m - 1 - i;
    }
}

#if defined(__SSE2__)
// Caseless search sixteen positions at a time: a position is a candidate when the needle's first and
// last bytes match there (a letter in either case: its byte with 0x20 set equals the lower-case
// letter). Candidates are rare in real text and are then compared in full.
qsizetype ByteSearcher::indexCaselessWide(const uchar* base, qsizetype from, qsizetype n) const {
    const qsizetype m = m_needle.size();
    const auto* needle = reinterpret_cast<const uchar*>(m_needle.constData());
    const auto caseBit = [](uchar b) {
        return char(b >= 'a' && b <= 'z' ? 0x20 : 0);
    };
    const __m128i firstBit = _mm_set1_epi8(caseBit(needle[0]));
    const __m128i first = _mm_set1_epi8(char(needle[0]));
    const __m128i lastBit = _mm_set1_epi8(caseBit(needle[m - 1]));
    const __m128i last = _mm_set1_epi8(char(needle[m - 1]));
    qsizetype at = from;
    // Every block reads 16 bytes at `at` and at `at + m - 1`, all inside the haystack.
    for (; at + m - 1 + 16 <= n; at += 16) {
        const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
        const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at + m - 1));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(heads, firstBit), first),
                                           _mm_cmpeq_epi8(_mm_or_si128(tails, lastBit), last));
        for (unsigned bits = unsigned(_mm_movemask_epi8(both)); bits != 0; bits &= bits - 1) {
            const qsizetype candidate = at + std::countr_zero(bits);
            if (matchesFoldedAt(base + candidate))
                return candidate;
        }
    }
    // The last few positions, one by one.
    for (; at + m <= n; ++at) {
        if (Lower[base[at + m - 1]] == needle[m - 1] && matchesFoldedAt(base + at))
            return at;
    }
    return -1;
}
#endif

bool ByteSearcher::matchesFoldedAt(const uchar* at) const {
    const auto* needle = reinterpret_cast<const uchar*>(m_needle.constData());
    for (qsizetype i = m_needle.size() - 2; i >= 0; --i) {
        if (Lower[at[i]] != needle[i])
            return false;
    }
    return true;
}

qsizetype ByteSearcher::indexIn(QByteArrayView haystack, qsizetype from) const {
    const qsizetype m = m_needle.size();
    const qsizetype n = haystack.size();
    from = std::max<qsizetype>(from, 0);
    if (m == 0)
        return from <= n ? from : -1;
    if (n - from < m)
        return -1;
    const auto* base = reinterpret_cast<const uchar*>(haystack.data());
    if (!m_caseless) {
        const void* found = ::memmem(base + from, size_t(n - from), m_needle.constData(), size_t(m));
        return found ? static_cast<const uchar*>(found) - base : -1;
    }
#if defined(__SSE2__)
    return indexCaselessWide(base, from, n);
#endif
    const uchar last = uchar(m_needle[m - 1]);
    for (qsizetype end = from + m - 1; end < n; end += m_shift[base[end]]) {
        if (Lower[base[end]] == last && matchesFoldedAt(base + end - m + 1))
            return end - m + 1;
    }
    return -1;
}

QList<QByteArray> ByteSearcher::foldsToAsciiUtf8(QByteArrayView needle) {
    QList<QByteArray> found;
    const auto has = [&](char lower) {
        return needle.contains(lower) || needle.contains(char(lower - ('a' - 'A')));
    };
    if (has('s'))
        found.append(QByteArrayLiteral("\xC5\xBF")); // U+017F LATIN SMALL LETTER LONG S
    if (has('k'))
        found.append(QByteArrayLiteral("\xE2\x84\xAA")); // U+212A KELVIN SIGN
    return found;
}
