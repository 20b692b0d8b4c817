// Find and replace in one line against the plain algorithm written out the slow way: search from
// the position right behind the last inserted text until nothing is found. Case-insensitive runs
// are compared on text without surrogates, where Qt's own case-insensitive search folds the same
// way.
//
// Input: one byte of flags (bit 0: case-sensitive, bit 1: the texts are raw UTF-16 units), then the
// find text, the replacement and the line, separated by NUL bytes.

#include "FuzzSupport.h"
#include "runner/LineReplacer.h"

namespace {

QString replacedSlowly(QString line, const QString& find, const QString& replacement, Qt::CaseSensitivity cs) {
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = line.indexOf(find, pos, cs);
        if (at < 0)
            return line;
        line = line.left(at) + replacement + line.mid(at + find.size());
        pos = at + replacement.size();
    }
}

bool hasSurrogates(const QString& text) {
    for (QChar c : text) {
        if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const uint8_t flags = input.byte();
    const bool caseSensitive = flags & 1;
    const bool raw = flags & 2;
    const QString find = Fuzz::text(input.until(0), raw);
    const QString replacement = Fuzz::text(input.until(0), raw);
    const QString line = Fuzz::text(input.rest(), raw);

    const LineReplacer replacer(find, replacement, caseSensitive);
    const QString result = replacer.apply(line);
    if (find.isEmpty()) {
        FUZZ_CHECK(result == line, "an empty find text changed the line");
        return 0;
    }
    const qsizetype most = line.size() + (line.size() / find.size() + 1) * replacement.size();
    FUZZ_CHECK(result.size() <= most, "the line grew beyond one replacement per occurrence");
    if (caseSensitive || (!hasSurrogates(find) && !hasSurrogates(line) && !hasSurrogates(replacement))) {
        const QString expected =
            replacedSlowly(line, find, replacement, caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
        FUZZ_CHECK(result == expected, "find %s with %s in %s:\n got %s\n expected %s", Fuzz::shown(find).c_str(),
                   Fuzz::shown(replacement).c_str(), Fuzz::shown(line).c_str(), Fuzz::shown(result).c_str(),
                   Fuzz::shown(expected).c_str());
    }
    return 0;
}
