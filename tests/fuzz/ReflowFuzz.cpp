// The paragraph re-flow over any lines: it only ever adds or drops line breaks and trailing spaces,
// never more than three breaks in a row, and a line that ends with an end mark keeps its break.
//
// Input: one byte of flags (bit 0: the lines are raw UTF-16 units), then the text, whose lines are
// separated by CR (as the reader hands them out, a line may hold a LF but never a CR).

#include "FuzzSupport.h"
#include "engine/ParagraphReflower.h"
#include "engine/SpaceTrim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const bool raw = input.byte() & 1;
    const QStringList lines = Fuzz::text(input.rest(), raw).split(u'\r');

    ParagraphReflower reflower;
    QString output;
    QString text;
    QString piece;
    for (const QString& line : lines) {
        reflower.reflowLine(line, piece);
        const QStringView kept = withoutTrailingSpaces(line);
        text += kept;
        if (!kept.isEmpty() && ParagraphReflower::isEndMark(kept.back()))
            FUZZ_CHECK(piece.endsWith(u"\r\n"), "a line with an end mark lost its break: %s -> %s",
                       Fuzz::shown(line).c_str(), Fuzz::shown(piece).c_str());
        output += piece;
    }
    FUZZ_CHECK(!output.contains(u"\r\n\r\n\r\n\r\n"), "four breaks in a row: %s", Fuzz::shown(output).c_str());
    QString withoutBreaks = output;
    withoutBreaks.remove(QStringLiteral("\r\n"));
    FUZZ_CHECK(withoutBreaks == text, "the text itself changed:\n %s\n %s", Fuzz::shown(withoutBreaks).c_str(),
               Fuzz::shown(text).c_str());
    return 0;
}
