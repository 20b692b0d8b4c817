#include "ChinesePlausibility.h"

#include "CommonCharacters.h"
#include "TextDecoder.h"

#include <QString>
#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

// A Chinese character too rare for the frequency list.
constexpr uchar RareHan = 20;
// A byte that does not decode, a private-use or unassigned code point: no text has these.
constexpr uchar Garbage = 24;

// The punctuation of Chinese text is as common as its most common characters.
constexpr char16_t CommonPunctuation[] = u"，。、；：？！「」『』《》〈〉（）…—“”‘’·【】～　";

struct CostTable {
    std::array<uchar, 0x10000> costs{};

    CostTable() {
        for (char32_t c = 0; c < 0x10000; ++c)
            costs[c] = byRange(c);
        for (int g = 0; g < CommonCharacters::groupCount; ++g) {
            const CommonCharacters::CostGroup& group = CommonCharacters::groups[g];
            const QString characters = QString::fromUtf8(reinterpret_cast<const char*>(group.characters));
            for (QChar c : characters) {
                if (!c.isSurrogate())
                    costs[c.unicode()] = uchar(group.cost);
            }
        }
        for (const char16_t* p = CommonPunctuation; *p != 0; ++p)
            costs[*p] = 8;
        for (const char16_t c : {u'．', u'％', u'＋', u'－', u'／', u'＝', u'＜', u'＞'})
            costs[c] = 12;
    }

    static uchar byRange(char32_t c) {
        if (c < 0x80)
            return 0;
        if (c < 0xA0)
            return Garbage; // C1 control characters
        if (c >= 0xDC00 && c <= 0xDFFF)
            return Garbage; // an escaped byte; the low half of a pair is handled by the caller
        if (c >= 0xD800 && c <= 0xDBFF)
            return RareHan; // a character beyond the BMP: extension B and later
        if ((c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF))
            return RareHan;
        if (c >= 0xFF01 && c <= 0xFF5E)
            return 14; // other full-width forms
        if (c >= 0x3000 && c <= 0x30FF)
            return 14; // CJK symbols, kana
        if (c >= 0x3100 && c <= 0x312F)
            return 16; // bopomofo
        if (c >= 0x2000 && c <= 0x2BFF)
            return 14; // punctuation, symbols, box drawing
        if (c >= 0xA0 && c <= 0xFF)
            return 14;
        if (c >= 0x100 && c <= 0x52F)
            return 16; // other Latin, Greek, Cyrillic
        if (c >= 0xE000 && c <= 0xF8FF)
            return Garbage;
        return 18;
    }
};

const CostTable& table() {
    static const CostTable instance;
    return instance;
}

} // namespace

namespace ChinesePlausibility {

namespace {

bool isHan(char16_t unit) {
    return (unit >= 0x3400 && unit <= 0x4DBF) || (unit >= 0x4E00 && unit <= 0x9FFF) ||
           (unit >= 0xF900 && unit <= 0xFAFF);
}

void count(char16_t unit, uchar unitCost, Tally& tally) {
    if (isHan(unit)) {
        ++tally.han;
        tally.hanCost += unitCost;
    } else if (unitCost == Garbage) {
        ++tally.garbage;
    }
}

// A run of one character repeated: lines of box drawing (────), separators (＝＝＝, ※※※) and
// dots are common in books, while text hardly ever holds one Chinese character three times in a
// row. The same bytes read in the other encoding repeat just as often, so a table drawn in GB18030
// that Big5 reads as 岸岸岸岸 is told apart here: from the third of a run on, a Chinese character costs
// as a rare one and any other character next to nothing.
struct Run {
    char16_t last = 0;
    int length = 0;
};

uchar costInRun(char16_t unit, uchar unitCost, Run& run) {
    run.length = unit == run.last ? run.length + 1 : 1;
    run.last = unit;
    if (run.length < 3 || unit < 0x80 || unitCost == Garbage)
        return unitCost;
    return isHan(unit) ? RareHan : 1;
}

qint64 cost(const char16_t* text, qsizetype size, Run& run, Tally* tally) {
    const std::array<uchar, 0x10000>& costs = table().costs;
    qint64 total = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i];
        const uchar unitCost = costInRun(unit, costs[unit], run);
        total += unitCost;
        if (tally)
            count(unit, unitCost, *tally);
        // The second half of a surrogate pair adds nothing to the first.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
    }
    return total;
}

} // namespace

qint64 cost(const char16_t* text, qsizetype size, Tally* tally) {
    Run run;
    return cost(text, size, run, tally);
}

qint64 cost(TextEncoding encoding, const uchar* bytes, qsizetype size, qint64 ceiling, Tally* tally) {
    // Decoded a piece at a time, so that a reading already past the ceiling is not decoded further.
    constexpr qsizetype Piece = 512;
    std::array<char16_t, Piece + 16> text;
    const TextDecoder decoder(encoding);
    qint64 total = 0;
    qsizetype at = 0;
    // A run goes on over the pieces, so that the cost does not depend on where they are cut.
    Run run;
    while (at < size && total < ceiling) {
        const qsizetype take = std::min(Piece, size - at);
        const bool final = at + take == size;
        qsizetype written = 0;
        const qsizetype used = decoder.decode(bytes + at, take, final, text.data(), &written);
        total += cost(text.data(), written, run, tally);
        // A character cut at the end of the piece is decoded with the next one (a piece always
        // holds whole characters, so some bytes are used).
        at += used;
        if (final || used == 0)
            break;
    }
    return total;
}

} // namespace ChinesePlausibility
