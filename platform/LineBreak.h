#pragma once

#include <QtAlgorithms>
#include <QtGlobal>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Where a line ends, for every reader of the program: at CR LF or a lone CR, or at LF in a Unix file
// (a lone LF stays inside the line otherwise). The same rule serves the encoded bytes (char) and the
// decoded text (char16_t), so that a job working on bytes and one working on text see the same lines.
struct LineBreak {
    enum Kind {
        Found,    // the line's text ends at `at`; the next line begins at `next`
        NeedMore, // a CR is the last character read: read on to see whether an LF follows
        None,     // no line end in what has been read
    };
    Kind kind = None;
    qsizetype at = 0;
    qsizetype next = 0;
    qsizetype resumeFrom = 0; // NeedMore and None: where the search may go on once more is read
};

namespace LineBreakDetail {
inline qsizetype find(const char* data, qsizetype size, qsizetype from, char wanted) {
    const void* found = size > from ? std::memchr(data + from, wanted, size_t(size - from)) : nullptr;
    return found ? static_cast<const char*>(found) - data : -1;
}
// Lines are short: a plain look eight units at a time costs less than a general search's set-up.
inline qsizetype find(const char16_t* data, qsizetype size, qsizetype from, char16_t wanted) {
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi16(short(wanted));
    for (; i + 8 <= size; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const int found = _mm_movemask_epi8(_mm_cmpeq_epi16(units, needle));
        if (found != 0)
            return i + qCountTrailingZeroBits(uint(found)) / 2;
    }
#endif
    for (; i < size; ++i) {
        if (data[i] == wanted)
            return i;
    }
    return -1;
}
} // namespace LineBreakDetail

// Looks for the first line end in data[from, size). `atEnd`: nothing follows what has been read.
template <typename Char>
LineBreak findLineBreak(const Char* data, qsizetype size, qsizetype from, bool unixLines, bool atEnd) {
    const Char ender = unixLines ? Char('\n') : Char('\r');
    const qsizetype at = LineBreakDetail::find(data, size, from, ender);
    if (at < 0)
        return {LineBreak::None, 0, 0, size};
    qsizetype next = at + 1;
    if (!unixLines) {
        if (next == size && !atEnd)
            return {LineBreak::NeedMore, 0, 0, at};
        if (next < size && data[next] == Char('\n'))
            ++next;
    }
    return {LineBreak::Found, at, next, at};
}
