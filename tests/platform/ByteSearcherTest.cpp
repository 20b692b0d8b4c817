#include "platform/ByteSearcher.h"
#include "platform/ByteReplacer.h"

#include "fakes/QtPrinting.h"

#include <gtest/gtest.h>

namespace {

using Case = ByteSearcher::Case;

struct SearchCase {
    const char* rule;
    QByteArray needle;
    Case mode;
    QByteArray haystack;
    qsizetype from;
    qsizetype expected;
};

TEST(ByteSearcherTest, FindsTheFirstMatchAtOrAfterFrom) {
    const SearchCase cases[] = {
        {"a one-byte needle", "<", Case::Sensitive, "ab<c<", 0, 2},
        {"the search starts at from", "<", Case::Sensitive, "ab<c<", 3, 4},
        {"no match", "<p>", Case::Sensitive, "<p <P>", 0, -1},
        {"case counts when sensitive", "Br", Case::Sensitive, "br BR Br", 0, 6},
        {"caseless letters match either case", "<br>", Case::AsciiCaseless, "a<bR>", 0, 1},
        {"caseless at the very end", "xyz", Case::AsciiCaseless, "xyXYZ", 0, 2},
        {"caseless after a near miss that shifts by one", "aab", Case::AsciiCaseless, "AAAAB", 0, 2},
        {"caseless: non-letters still compare exactly", "a[", Case::AsciiCaseless, "A{ a[", 0, 3},
        {"caseless: UTF-8 bytes are never folded", "\xC3\xA9", Case::AsciiCaseless, "\xC3\x89\xC3\xA9", 0, 2},
        {"caseless: ASCII inside UTF-8 Chinese", "ok", Case::AsciiCaseless,
         "\xE5\xA5\xBD"
         "OK",
         0, 3},
        {"a needle longer than the rest", "abc", Case::AsciiCaseless, "xab", 1, -1},
        {"an empty needle matches at from", "", Case::Sensitive, "abc", 2, 2},
    };
    for (const SearchCase& c : cases) {
        const ByteSearcher searcher(c.needle, c.mode);
        EXPECT_EQ(searcher.indexIn(c.haystack, c.from), c.expected) << c.rule;
    }
}

// Long haystacks are searched many positions at a time: a match, or a near miss whose first and
// last bytes match, at every place relative to those blocks and to the end is judged as one position
// at a time would judge it.
TEST(ByteSearcherTest, CaselessSearchFindsWhatAPlainScanFindsAtEveryPlace) {
    const QByteArray needle = "deb-an";
    const auto plainScan = [&](const QByteArray& text, qsizetype from) {
        for (qsizetype at = from; at + needle.size() <= text.size(); ++at) {
            if (text.sliced(at, needle.size()).toLower() == needle)
                return at;
        }
        return qsizetype(-1);
    };
    const ByteSearcher searcher(needle, Case::AsciiCaseless);
    const QByteArray chinese = QByteArray("\xE5\xA5\xBD").repeated(22); // 好, 66 bytes
    for (const QByteArray& planted : {QByteArray("DeB-aN"), QByteArray("dEbXaN"),
                                      QByteArray("d\xE5\xA5\xBD"
                                                 "an")}) {
        for (qsizetype place = 0; place + planted.size() <= chinese.size(); ++place) {
            QByteArray text = chinese;
            text.replace(place, planted.size(), planted);
            for (const qsizetype from : {qsizetype(0), place, place + 1}) {
                EXPECT_EQ(searcher.indexIn(text, from), plainScan(text, from))
                    << planted.constData() << " at " << place << ", from " << from;
            }
        }
    }
}

struct ReplaceCase {
    const char* rule;
    QByteArray needle;
    Case mode;
    QByteArray replacement;
    QByteArray input;
    QByteArray expected;
};

// The same stream cut into pieces of every size gives the same output.
TEST(ByteSearcherTest, ReplacerGivesTheSameResultWhereverTheStreamIsCut) {
    const ReplaceCase cases[] = {
        {"every match, left to right", "<", Case::Sensitive, "x", "<a<<b<", "xaxxbx"},
        {"resumes behind the replacement", "ab", Case::Sensitive, "abab", "aab", "aabab"},
        {"overlapping candidates take the leftmost", "aa", Case::Sensitive, "b", "aaaaa", "bba"},
        {"caseless removal", "<br>", Case::AsciiCaseless, "", "a<BR>b<Br>c<br", "abc<br"},
        {"a match at the very end", "end", Case::AsciiCaseless, "!", "the END", "the !"},
        {"a partial match is given back", "abcd", Case::Sensitive, "-", "abcabcabd", "abcabcabd"},
    };
    for (const ReplaceCase& c : cases) {
        const ByteSearcher searcher(c.needle, c.mode);
        for (qsizetype piece = 1; piece <= c.input.size(); ++piece) {
            QByteArray out;
            ByteReplacer replacer(searcher, c.replacement, [&](QByteArrayView bytes) { out.append(bytes); });
            for (qsizetype at = 0; at < c.input.size(); at += piece)
                replacer.feed(QByteArrayView(c.input).sliced(at, std::min(piece, c.input.size() - at)));
            replacer.finish();
            EXPECT_EQ(out, c.expected) << c.rule << ", pieces of " << piece;
        }
    }
}

// Unicode folding turns U+017F into "s" and U+212A into "k": a byte search for those letters must
// notice when the text holds them, even cut between two pieces.
TEST(ByteSearcherTest, ReplacerTripsOnCharactersThatFoldToItsLetters) {
    const QByteArray text = "ma\xC5\xBF"
                            "t";
    const ByteSearcher searcher("mast", Case::AsciiCaseless);
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        ByteReplacer replacer(searcher, "x", [](QByteArrayView) {});
        replacer.setTripwires(ByteSearcher::foldsToAsciiUtf8("mast"));
        replacer.feed(QByteArrayView(text).first(cut));
        replacer.feed(QByteArrayView(text).sliced(cut));
        replacer.finish();
        EXPECT_TRUE(replacer.tripped()) << "cut at " << cut;
    }
    EXPECT_TRUE(ByteSearcher::foldsToAsciiUtf8("<br>").isEmpty());
}

} // namespace
