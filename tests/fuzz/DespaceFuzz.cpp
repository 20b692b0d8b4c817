// Space removal over any line: only spaces go, never one at the start of the line or next to a
// letter or another space, every other character stays in order, and a second pass changes nothing.
//
// Input: one byte of flags (bit 0: the line is raw UTF-16 units), then the line.

#include "FuzzSupport.h"
#include "engine/SpaceRemoval.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\u3000';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const bool raw = input.byte() & 1;
    const QString line = Fuzz::text(input.rest(), raw);

    QString out;
    removeIsolatedSpaces(line, out);
    qsizetype at = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (at < out.size() && out[at] == c) {
            ++at;
            continue;
        }
        FUZZ_CHECK(isSpace(c), "a character that is not a space went at %lld: %s", qlonglong(i),
                   Fuzz::shown(line).c_str());
        FUZZ_CHECK(i > 0, "a space at the start of the line went: %s", Fuzz::shown(line).c_str());
        const bool besideKept = isSpace(line[i - 1]) || isLatinLetter(line[i - 1]) ||
                                (i + 1 < line.size() && (isSpace(line[i + 1]) || isLatinLetter(line[i + 1])));
        FUZZ_CHECK(!besideKept, "a space next to a space or a letter went at %lld: %s", qlonglong(i),
                   Fuzz::shown(line).c_str());
    }
    FUZZ_CHECK(at == out.size(), "the output holds characters the line does not: %s -> %s", Fuzz::shown(line).c_str(),
               Fuzz::shown(out).c_str());

    QString again;
    removeIsolatedSpaces(out, again);
    FUZZ_CHECK(again == out, "a second pass changed %s -> %s", Fuzz::shown(out).c_str(), Fuzz::shown(again).c_str());
    return 0;
}
