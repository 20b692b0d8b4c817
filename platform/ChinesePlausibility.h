#pragma once

#include "TextFormat.h"

#include <QtGlobal>
#include <limits>

// How plausible a decoding of some bytes is as Chinese text: the sum, over its characters, of about
// -log2 of how often each occurs in real text (a common character costs 6 to 10, a rare one 16 to 20).
// Lower is more plausible. ASCII costs nothing, as it reads the same in every encoding compared here;
// an escaped byte (one that does not decode) and a private-use code point cost most, so a decoding
// that leaves bytes over loses against one that reads them all.
namespace ChinesePlausibility {

// What a reading holds besides its total cost: its Chinese characters (the CJK ideographs of the
// BMP) and what they cost, and the code points no text holds (undecodable bytes, private use, C1).
struct Tally {
    qsizetype han = 0;
    qint64 hanCost = 0;
    qsizetype garbage = 0;
};

// The cost of UTF-16 text; an escaped byte of TextDecoder counts as such. `tally`, when given, is
// added to.
qint64 cost(const char16_t* text, qsizetype size, Tally* tally = nullptr);
// The cost of bytes[0..size) decoded as `encoding`. Once the cost reaches `ceiling` the rest is not
// looked at, and the cost so far (at least `ceiling`) is returned: enough to tell which of two
// readings is more plausible. `tally` as above, of the part looked at.
qint64 cost(TextEncoding encoding, const uchar* bytes, qsizetype size,
            qint64 ceiling = std::numeric_limits<qint64>::max(), Tally* tally = nullptr);

} // namespace ChinesePlausibility
