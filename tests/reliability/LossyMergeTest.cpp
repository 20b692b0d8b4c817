// A merge whose result cannot hold every character of its sources (the first source, and so the
// merged file, is Big5; a later one holds simplified characters Big5 has no room for): the merged
// file says so, and the wizard keeps the sources it was asked to delete, since they are then the
// only whole copy of that text.

#include "FileTree.h"
#include "SampleTexts.h"
#include "ToolFolders.h"

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

TEST_F(LossyMergeTest, wizardKeepsSourcesWhoseCharactersTheMergedFileCannotHold) {
    const CliOutcome outcome = run({"wizard", work, "--merge", "book", "--delete-merged"});
    EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
    EXPECT_TRUE(outcome.out.contains("已写为“?”；源文件未删除\tyellow")) << outcome.describe();
    EXPECT_FALSE(outcome.out.contains("-合并源文件已删除-")) << outcome.describe();
    const FileTree::Tree after = FileTree::read(work);
    EXPECT_EQ(after.value("a.txt"), files.value("a.txt"));
    EXPECT_EQ(after.value("b.txt"), files.value("b.txt"));
    EXPECT_TRUE(after.contains("book.txt"));
}

TEST_F(LossyMergeTest, mergeCommandSaysWhatItCouldNotWrite) {
    const CliOutcome outcome = run({"merge", "--output", work + "book.txt", work + "a.txt", work + "b.txt"});
    EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
    EXPECT_TRUE(outcome.out.contains("book.txt\t注意\t")) << outcome.describe();
}

} // namespace
