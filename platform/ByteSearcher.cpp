#include "ByteSearcher.h"

#include <QList>
#include <cstring>

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
