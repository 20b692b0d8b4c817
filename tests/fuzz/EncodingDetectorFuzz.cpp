// The encoding detector's verdict is a function of the bytes: the same file fed whole, with its size
// told first or not, and in pieces of random sizes gives one verdict and the same line-end findings.
//
// Input: one byte, the length of a first part; one byte, how often it repeats (1 to 32); one byte, how
// often the rest repeats (1 to 32); four bytes, the seed of the piece sizes; then the first part and
// the rest. Repeating parts reaches the sizes where the detector samples and settles early (a code
// page start before long UTF-8, say) with short inputs.

#include "FuzzSupport.h"
#include "platform/EncodingDetector.h"

#include <random>

namespace {

struct Findings {
    std::optional<TextEncoding> verdict;
    bool controls = false;
    bool cr = false;
    bool lf = false;

    bool operator==(const Findings&) const = default;
};

template <typename NextPiece> Findings detect(const QByteArray& bytes, bool sized, NextPiece nextPiece) {
    EncodingDetector detector;
    if (sized)
        detector.expectSize(bytes.size());
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype size = std::min<qsizetype>(nextPiece(), bytes.size() - at);
        detector.feed(data + at, size);
        at += size;
    }
    detector.finish();
    return {detector.verdict(TextEncoding::Gb18030), detector.hasControlBytes(), detector.sawCr(), detector.sawLf()};
}

int shown(const Findings& f) {
    return f.verdict ? int(*f.verdict) : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const size_t firstSize = input.byte();
    const int firstTimes = 1 + (input.byte() & 31);
    const int restTimes = 1 + (input.byte() & 31);
    const uint32_t seed = input.number();
    const QByteArray first = input.bytes(firstSize);
    const QByteArray bytes = first.repeated(firstTimes) + input.rest().repeated(restTimes);

    const Findings whole = detect(bytes, false, [&] { return bytes.size() + 1; });
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> small(1, 16);
    std::uniform_int_distribution<int> large(1, 70000);
    const bool smallPieces = seed & 1;
    const auto piece = [&] {
        return smallPieces ? small(random) : large(random);
    };
    for (const bool sized : {false, true}) {
        const Findings inOne = detect(bytes, sized, [&] { return bytes.size() + 1; });
        const Findings inPieces = detect(bytes, sized, piece);
        FUZZ_CHECK(inOne == whole, "told the size (%d) the verdict is %d, not %d; %lld bytes: %s", int(sized),
                   shown(inOne), shown(whole), static_cast<long long>(bytes.size()), Fuzz::hex(bytes).c_str());
        FUZZ_CHECK(inPieces == whole, "in pieces (seed %u, sized %d) the verdict is %d, not %d; %lld bytes: %s", seed,
                   int(sized), shown(inPieces), shown(whole), static_cast<long long>(bytes.size()),
                   Fuzz::hex(bytes).c_str());
    }
    return 0;
}
