// The web-page line converter over any lines, with either rules: it never reads past a line, a
// piece is empty or ends with its line break and none of its lines is spaces only, it never grows a
// line by more than that break, plain text on a fresh converter comes out as it went in, and
// dropping links only ever leaves characters out.
//
// Input: one byte of flags (bit 0: the lines are raw UTF-16 units; bit 1: the classic rules), then
// the page, whose lines are separated by LF.

#include "FuzzSupport.h"
#include "engine/HtmlLineConverter.h"
#include "engine/SpaceTrim.h"

namespace {

// True when `part` can be made from `whole` by leaving characters out.
bool isSubsequence(QStringView part, QStringView whole) {
    qsizetype at = 0;
    for (QChar c : part) {
        while (at < whole.size() && whole[at] != c)
            ++at;
        if (at == whole.size())
            return false;
        ++at;
    }
    return true;
}

QStringView withoutBreak(const QString& piece) {
    return QStringView(piece).chopped(piece.endsWith(u"\r\n") ? 2 : 0);
}

// Markup, or a non-breaking space, which the current rules make a space where it opens a paragraph.
bool hasMarkup(const QString& line) {
    return line.contains(u'<') || line.contains(u'>') || line.contains(u'&') || line.contains(QChar::Nbsp);
}

bool hasSpacesOnlyLine(const QString& piece) {
    for (QStringView line : QStringView(piece).split(u"\r\n")) {
        if (!line.isEmpty() && withoutSurroundingSpaces(line).isEmpty())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const uint8_t flags = input.byte();
    const bool raw = flags & 1;
    const HtmlRules rules = flags & 2 ? HtmlRules::Classic : HtmlRules::Current;
    const QStringList lines = Fuzz::text(input.rest(), raw).split(u'\n');

    HtmlLineConverter keeping(false, rules);
    HtmlLineConverter dropping(true, rules);
    QString kept;
    QString dropped;
    for (const QString& line : lines) {
        keeping.convertLine(line, kept);
        dropping.convertLine(line, dropped);
        for (const QString* piece : {&kept, &dropped}) {
            FUZZ_CHECK(piece->isEmpty() || piece->endsWith(u"\r\n"), "a piece without its break: %s",
                       Fuzz::shown(*piece).c_str());
            // The classic rules write a line only when it holds more than spaces (its breaks
            // included); the current ones also never write a line of spaces.
            FUZZ_CHECK(rules == HtmlRules::Current
                           ? !hasSpacesOnlyLine(*piece)
                           : piece->isEmpty() || !withoutSurroundingSpaces(withoutBreak(*piece)).isEmpty(),
                       "a piece with spaces only: %s", Fuzz::shown(*piece).c_str());
            FUZZ_CHECK(piece->size() <= line.size() + 2, "a piece longer than its line: %s -> %s",
                       Fuzz::shown(line).c_str(), Fuzz::shown(*piece).c_str());
        }
        FUZZ_CHECK(dropped.isEmpty() || !kept.isEmpty(), "dropping links gave text where keeping gave none");
        FUZZ_CHECK(isSubsequence(withoutBreak(dropped), withoutBreak(kept)), "dropping links changed the text: %s | %s",
                   Fuzz::shown(dropped).c_str(), Fuzz::shown(kept).c_str());

        if (!hasMarkup(line)) {
            HtmlLineConverter fresh(true, rules);
            QString piece;
            fresh.convertLine(line, piece);
            const QStringView text = withoutSurroundingSpaces(line);
            const QString expected = text.isEmpty() ? QString() : text.toString() + QStringLiteral("\r\n");
            FUZZ_CHECK(piece == expected, "plain text changed: %s -> %s", Fuzz::shown(line).c_str(),
                       Fuzz::shown(piece).c_str());
        }
    }
    return 0;
}
