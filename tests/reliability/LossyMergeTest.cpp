// No character is lost without the user's choice. A conversion to Big5 of text Big5 cannot hold leaves
// the file as it was, with a red row naming the characters, unless the user chose to save such a file
// as UTF-8 or to write "?". A merge of a Big5 book with simplified chapters is saved as GB18030,
// which holds both, so the wizard may delete the merged sources.

#include "FileTree.h"
#include "SampleTexts.h"
#include "ToolFolders.h"

#include "platform/TextReader.h"

namespace {

class LossyMergeTest : public ToolFolders<> {
protected:
    LossyMergeTest() : ToolFolders({}) {}

    void SetUp() override {
        ToolFolders::SetUp();
        // Long enough for the encodings to leave no doubt.
        files = {{"a.txt", SampleTexts::encoded(QStringLiteral("體育場裡的說話聲音很大。\r\n").repeated(20),
                                                TextEncoding::Big5)},
                 {"b.txt", SampleTexts::encoded(QStringLiteral("说话这个东西，我们国家的语言学习。\r\n").repeated(30),
                                                TextEncoding::Gb18030)}};
        ASSERT_TRUE(FileTree::write(work, files));
    }

    FileTree::Tree files;
};

TEST_F(LossyMergeTest, wizardMergesIntoAnEncodingThatHoldsEverySourceAndDeletesThem) {
    const CliOutcome outcome = run({"wizard", work, "--merge", "book", "--delete-merged"});
    EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
    EXPECT_TRUE(outcome.out.contains("已保存为 GB18030\tyellow")) << outcome.describe();
    EXPECT_TRUE(outcome.out.contains("-合并的源文件已移")) << outcome.describe();
    const FileTree::Tree after = FileTree::read(work);
    EXPECT_FALSE(after.contains("a.txt"));
    EXPECT_EQ(after.value("book.txt"),
              SampleTexts::encoded(QStringLiteral("體育場裡的說話聲音很大。\r\n").repeated(20) +
                                       QStringLiteral("说话这个东西，我们国家的语言学习。\r\n").repeated(30),
                                   TextEncoding::Gb18030));
}

TEST_F(LossyMergeTest, conversionToBig5FollowsTheUsersChoiceForCharactersBig5CannotHold) {
    const QString simplified = QStringLiteral("广东话里的“㗎”字，为什么说不出来。\r\n").repeated(20);
    const QString traditional = QStringLiteral("廣東話裡的“㗎”字，為什麼說不出來。\r\n").repeated(20);
    const QByteArray source = SampleTexts::encoded(simplified, TextEncoding::Gb18030);
    const struct {
        const char* rule;
        QByteArrayList flags;
        int exitCode;
        QByteArray row;
        QByteArray file;
    } cases[] = {
        {"by default the file is left as it was", {}, 1, "未完成\t20 个字符无法以 BIG5 保存：㗎 …\tred", source},
        {"saved as UTF-8",
         {"--unmappable", "utf-8"},
         0,
         "注意\t20 个字符无法以 BIG5 保存：㗎 …；已保存为 UTF-8\tyellow",
         traditional.toUtf8()},
        {"question marks",
         {"--unmappable", "question-mark"},
         0,
         "注意\t20 个字符无法以 BIG5 保存：㗎 …；已写为“?”\tyellow",
         SampleTexts::encoded(QString(traditional).replace(u'㗎', u'?'), TextEncoding::Big5)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        ASSERT_TRUE(FileTree::write(work, {{"c.txt", source}}));
        const CliOutcome outcome = run(c.flags + QByteArrayList{"big5", work + "c.txt"});
        EXPECT_TRUE(outcome.exitedWith(c.exitCode)) << outcome.describe();
        EXPECT_TRUE(outcome.out.contains(c.row)) << outcome.describe();
        EXPECT_EQ(FileTree::read(work).value("c.txt"), c.file);
    }
}

} // namespace
