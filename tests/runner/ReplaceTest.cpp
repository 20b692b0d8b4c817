#include "RunnerFixture.h"
#include "engine/LineTransform.h"
#include "platform/TextWriter.h"
#include "runner/FileStep.h"
#include "runner/LineReplacer.h"
#include "runner/ReplaceRunner.h"

namespace {

struct ReplaceCase {
    const char* rule;
    QString line;
    QString find;
    QString replacement;
    bool caseSensitive;
    QString expected;
};

TEST(LineReplacerTest, followsTheReplacementRules) {
    const ReplaceCase cases[] = {
        {"removing resumes at the same place", "<p>Hello</p>", "<", "", true, "p>Hello/p>"},
        {"a replacement holding the find text is not searched again", "<p>Hello</p>", "<", "<<", true,
         "<<p>Hello<</p>"},
        {"the search resumes behind the inserted text", "aaa", "a", "aa", true, "aaaaaa"},
        {"occurrences do not overlap", "aaaa", "aa", "b", true, "bb"},
        {"case-insensitive matches letters of either case", "ABC abc", "abc", "x", false, "x x"},
        {"case-sensitive compares code units", "ABC abc", "abc", "x", true, "ABC x"},
        {"folding is Unicode simple case folding, not lower-casing", "ΣΑΣ σας", "σασ", "-", false, "- -"},
        {"characters outside the BMP fold too", "\U00010400x", "\U00010428", "y", false, "yx"},
        {"full-width and half-width forms stay different", "＞>", ">", "", false, "＞"},
        {"no occurrence leaves the line as it is", "中文", "<", "", false, "中文"},
        {"Chinese text is replaced like any other", "第一章第二章", "章", "回", true, "第一回第二回"},
    };
    for (const ReplaceCase& c : cases) {
        const LineReplacer replacer(c.find, c.replacement, c.caseSensitive);
        EXPECT_EQ(replacer.apply(c.line), c.expected) << c.rule;
    }
}

TEST(LineReplacerTest, anEmptyFindTextChangesNothing) {
    const LineReplacer replacer(QString(), "x", false);
    EXPECT_FALSE(replacer.isUsable());
    EXPECT_EQ(replacer.apply("abc"), "abc");
}

class ReplaceRunnerTest : public RunnerFixture {};

TEST_F(ReplaceRunnerTest, rewritesEveryFileAndNamesRowsByFullPath) {
    put("a.txt", "<b>x</b>\r\n\r\nlast");
    put("b.txt", "");
    put("c.txt", "A<a\r\n");

    ReplaceRunner(env).run({{"a.txt", "b.txt", "c.txt"}, folder, "<", "", false});

    EXPECT_EQ(content("a.txt"), "b>x/b>\r\n\r\nlast\r\n") << "the last line gains its line end";
    EXPECT_EQ(content("b.txt"), "") << "an empty file stays empty";
    EXPECT_EQ(content("c.txt"), "Aa\r\n");
    EXPECT_EQ(sink.calls(), (QList<RecordingSink::Row>{
                                row(33, path("a.txt"), "完成", "", "blue"),
                                row(66, path("b.txt"), "完成", FileStep::unchangedReason(), "blue"),
                                row(100, path("c.txt"), "完成", "", "blue"),
                                Completion,
                            }));
    EXPECT_EQ(TestFiles::treeOf(state.BackupFolder).size(), 3)
        << "two copies and the journal: nothing to keep of a file that stayed as it was";
}

TEST_F(ReplaceRunnerTest, caseSwitchDecidesWhetherLettersMatch) {
    put("a.txt", "a A\r\n");
    ReplaceRunner(env).run({{"a.txt"}, folder, "A", "x", true});
    EXPECT_EQ(content("a.txt"), "a x\r\n");
    ReplaceRunner(env).run({{"a.txt"}, folder, "A", "y", false});
    EXPECT_EQ(content("a.txt"), "y x\r\n");
}

TEST_F(ReplaceRunnerTest, keepsTheFilesEncodingAndLineEnd) {
    put("unix.txt", "a<b\nc\n");
    put("gbk.txt", QByteArray("\xd6\xd0<\xce\xc4\r\n")); // 中<文 in GBK
    ReplaceRunner(env).run({{"unix.txt", "gbk.txt"}, folder, "<", "", false});
    EXPECT_EQ(content("unix.txt"), "ab\nc\n");
    EXPECT_EQ(content("gbk.txt"), QByteArray("\xd6\xd0\xce\xc4\r\n"));
}

TEST_F(ReplaceRunnerTest, refusedFileIsReportedTwiceAndOthersGoOn) {
    put("b.txt", ">\r\n");
    ReplaceRunner(env).run({{"gone.txt", "b.txt"}, folder, ">", "", false});
    const QList<RecordingSink::Row> rows = sink.rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].text, "gone.txt");
    EXPECT_EQ(rows[0].status, "错误2");
    EXPECT_EQ(rows[1], row(50, path("gone.txt"), "未完成", "", "red"));
    EXPECT_EQ(rows[2], row(100, path("b.txt"), "完成", "", "blue"));
    EXPECT_EQ(content("b.txt"), "\r\n");
}

// A replacement the file's encoding cannot hold ("众" in a Big5 file) follows the user's choice.
TEST_F(ReplaceRunnerTest, aReplacementTheEncodingCannotHoldFollowsTheUsersChoice) {
    const QByteArray big5 = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.big5.txt"));
    const struct {
        const char* rule;
        UnmappablePolicy policy;
        QList<RecordingSink::Row> rows;
        bool unchanged;
    } cases[] = {
        {"refused",
         UnmappablePolicy::Refuse,
         {row(100, path("a.txt"), "未完成", "1 个字符无法以 BIG5 保存：众", "red")},
         true},
        {"saved as UTF-8",
         UnmappablePolicy::SaveUtf8,
         {row(100, path("a.txt"), "完成", "", "blue"),
          row(0, path("a.txt"), "注意", "1 个字符无法以 BIG5 保存：众；已保存为 UTF-8", "yellow")},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        put("a.txt", big5);
        sink.clear();
        state.Prefs.Unmappable = c.policy;
        ReplaceRunner(env).run({{"a.txt"}, folder, "眾人", "众人", false});
        EXPECT_EQ(sink.rows(), c.rows);
        EXPECT_EQ(content("a.txt") == big5, c.unchanged);
        if (!c.unchanged) {
            EXPECT_TRUE(QString::fromUtf8(content("a.txt")).contains(QStringLiteral("众人裡面有聖賢")));
        }
    }
}

} // namespace

namespace {

// The byte-level replacement must give exactly what decoding, replacing and encoding gives.
TEST_F(ReplaceRunnerTest, replacingInTheBytesGivesWhatReplacingInTheTextGives) {
    const QByteArray pieces[] = {
        "<",
        ">",
        "<>",
        "a",
        "\r\n",
        "\r",
        "\n",
        "\xd6\xd0",
        "\xce\xc4",
        "\xa4\x40",
        "\xb3\x5c",
        "\x81\x30\x81\x30",
        "\x81",
        "\xff",
        "\xe4\xb8\xad",
        "\xef\xbb\xbf",
        " ",
        "\x3c\x81",
        "A",
        "k",
        "S",
        "\xe2\x84\xaa",
        "\xc5\xbf",
    };
    const struct {
        QString find;
        QString with;
        bool caseSensitive;
    } edits[] = {{"<", "", true},    {"<", "<<", true}, {"<>", "[]", true}, {">", "\xe3\x80\x8b", true},
                 {"ak", "x", false}, {"s", "-", false}, {"A", "a", true}};
    quint32 seed = 12345;
    auto next = [&seed] {
        return (seed = seed * 1103515245u + 12345u) >> 16;
    };
    int compared = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes;
        const int count = int(next() % 40);
        for (int i = 0; i < count; ++i)
            bytes += pieces[next() % std::size(pieces)];
        const auto& edit = edits[round % std::size(edits)];
        const ReplaceRequest request{{}, folder, edit.find, QString::fromUtf8(edit.with.toUtf8()), edit.caseSensitive};
        put("in.txt", bytes);

        // Bytes that read as no Chinese are refused by both ways alike.
        TransformReport report;
        const bool fast = ReplaceRunner::replaceInFile(path("in.txt"), path("fast.txt"), request, &report);
        const LineReplacer replacer(request.find, request.replacement, edit.caseSensitive);
        const bool slow = transformLines(
            path("in.txt"), path("slow.txt"),
            [&](QString& line, TextWriter& out) { out.writeLine(replacer.apply(line)); }, &report);
        ASSERT_EQ(fast, slow) << "input " << bytes.toHex(' ').toStdString();
        ASSERT_EQ(content("fast.txt"), content("slow.txt")) << "input " << bytes.toHex(' ').toStdString();
        compared += fast;
    }
    EXPECT_GE(compared, 150);
}

} // namespace
