#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>

// Finds a byte string in whole buffers, without copying or decoding them.
//
// Sensitive: every byte compares exactly (memmem, which scans for candidates word-wide).
// AsciiCaseless: the ASCII letters A-Z and a-z compare without case, every other byte exactly
// (where SSE2 is there, sixteen positions at a time by the needle's first and last bytes; otherwise
// Boyer-Moore-Horspool over case-folded bytes). On UTF-8 text an ASCII needle then finds what a
// search for it with ASCII case folding would find in the decoded text: the bytes of a multi-byte
// character are all 0x80 and above and never take part in a match. Unicode case folding goes further
// only for two characters, U+017F (folds to "s") and U+212A (folds to "k"); see mayFoldToAscii().
class ByteSearcher {
public:
    enum class Case { Sensitive, AsciiCaseless };

    ByteSearcher(QByteArrayView needle, Case mode);

    // The offset of the first match at or after `from`, or -1. An empty needle matches at `from`.
    qsizetype indexIn(QByteArrayView haystack, qsizetype from = 0) const;
    qsizetype size() const { return m_needle.size(); }

    // The UTF-8 encodings of the characters outside ASCII that Unicode simple case folding turns
    // into an ASCII letter of `needle` (U+017F for "s", U+212A for "k"): where one of them occurs in
    // the text, an AsciiCaseless byte search misses a match that a decoded search finds.
    static QList<QByteArray> foldsToAsciiUtf8(QByteArrayView needle);

private:
    // Whether the needle's bytes but its last match at `at`, without case.
    bool matchesFoldedAt(const uchar* at) const;
    qsizetype indexCaselessWide(const uchar* base, qsizetype from, qsizetype n) const;

    QByteArray m_needle; // in AsciiCaseless mode with its letters in lower case
    bool m_caseless;
    std::array<qsizetype, 256> m_shift{}; // Horspool shift by the window's last byte (AsciiCaseless)
};
