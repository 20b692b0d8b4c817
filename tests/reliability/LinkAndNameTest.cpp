// Symbolic links and file names: a selected link is rewritten through the link, a link planted
// where the tool puts its working copy is never followed, names that would leave the folder are
// refused, and names that are not UTF-8 (GBK or Big5 names from old archives) are listed and
// processed under their very bytes, never under another file's name.

#include "FileTree.h"
#include "ToolFolders.h"
#include "platform/FileName.h"
#include "platform/FolderListing.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

using FileTree::Tree;

const QByteArray Text = "短\r\n行。\r\n";
const QByteArray Reflowed = "短行。\r\n";

// "你好" in GBK, "中文" in Big5, and the name Qt's own decoding would turn the GBK name into.
const QByteArray GbkName = "\xC4\xE3\xBA\xC3.txt";
const QByteArray Big5Name = "\xA4\xA4\xA4\xE5.txt";
const QByteArray MangledName = QByteArray("\xEF\xBF\xBD").repeated(4) + ".txt";

class LinkAndNameTest : public ToolFolders<> {
protected:
    // QTemporaryDir removes files through Qt's names, which miss the names that are not UTF-8.
    void TearDown() override { FileTree::clear(root); }
};

TEST_F(LinkAndNameTest, selectedLinkIsRewrittenThroughTheLink) {
    ASSERT_TRUE(FileTree::write(work, {{"real/a.txt", Text}}));
    ASSERT_EQ(::symlink("real/a.txt", (work + "link.txt").constData()), 0);
    const CliOutcome outcome = run({"--backup", "reflow", work + "link.txt"});
    EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
    const Tree after = FileTree::read(work);
    EXPECT_EQ(after.value("link.txt"), "-> real/a.txt") << "the link stays a link";
    EXPECT_EQ(after.value("real/a.txt"), Reflowed) << "its target has the new content";
    const Tree backups = FileTree::read(app + "backup");
    ASSERT_EQ(backups.size(), 4) << "hour folder, batch folder, copy, journal";
    EXPECT_EQ(backups.first(), FileTree::Folder);
    EXPECT_EQ(backups.value(backups.firstKey() + "/000/link.txt"), Text)
        << "the backup holds the old content itself, not a link";
}

TEST_F(LinkAndNameTest, linkPlantedAtTheWorkingCopyIsNeverFollowed) {
    ASSERT_TRUE(FileTree::write(work, {{"a.txt", Text}, {"victim.txt", "untouched"}}));
    ASSERT_EQ(::symlink((work + "victim.txt").constData(), (app + "tempfile.tmp").constData()), 0);
    for (const char* command : {"reflow", "despace", "gb", "narrow"}) {
        SCOPED_TRACE(command);
        const CliOutcome outcome = run({"--no-backup", command, work + "a.txt"});
        EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
        EXPECT_EQ(FileTree::readFile(work + "victim.txt"), "untouched");
        ::unlink((app + "tempfile.tmp").constData());
        ASSERT_EQ(::symlink((work + "victim.txt").constData(), (app + "tempfile.tmp").constData()), 0);
    }
    const CliOutcome replaced = run({"--no-backup", "replace", "--find", "行", "--with", "列", work + "a.txt"});
    EXPECT_TRUE(replaced.exitedWith(0)) << replaced.describe();
    EXPECT_EQ(FileTree::readFile(work + "victim.txt"), "untouched");
}

TEST_F(LinkAndNameTest, renameRefusesNamesThatLeaveTheFolderOrHoldControlCharacters) {
    const Tree files{{"a", Text}, {"b.txt", Text}};
    ASSERT_TRUE(FileTree::write(work, files));
    const struct {
        const char* rule;
        QByteArray nameTemplate;
    } rows[] = {
        {"a slash", "sub/#"},
        {"a parent folder", "../#"},
        {"the parent folder itself", ".."},
        {"the folder itself", "."},
        {"a control character", "#\x01"},
        {"a line break", "#\nx"},
        {"a delete character", "#\x7f"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const CliOutcome outcome = run({"rename", "--template", row.nameTemplate, work + "a", work + "b.txt"});
        EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
        EXPECT_TRUE(outcome.err.contains("没有更改任何文件名")) << outcome.describe();
        EXPECT_EQ(FileTree::read(work), files);
    }
}

TEST_F(LinkAndNameTest, wizardRefusesMergeNamesThatLeaveTheFolderOrHoldControlCharacters) {
    const Tree files{{"a.txt", Text}, {"b.txt", Text}};
    ASSERT_TRUE(FileTree::write(work, files));
    for (const QByteArray& name : {QByteArray("../book"), QByteArray("sub/book"), QByteArray(".."),
                                   QByteArray("book\x02"), QByteArray("bo\rok")}) {
        SCOPED_TRACE(name.toStdString());
        const CliOutcome outcome = run({"wizard", work, "--merge", name, "--delete-merged"});
        EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
        EXPECT_TRUE(outcome.err.contains("不能用作文件名")) << outcome.describe();
        EXPECT_EQ(FileTree::read(work), files);
    }
}

TEST_F(LinkAndNameTest, namesThatAreNotUtf8AreListedWithTheirOwnBytes) {
    ASSERT_TRUE(FileTree::write(work, {{GbkName, "gbk"}, {Big5Name, "big5"}, {MangledName, "decoy"}}));
    QByteArrayList listed;
    for (const QString& name : FolderListing::listFiles(QString::fromUtf8(work), QStringLiteral("*.txt")))
        listed.append(FileName::encode(name));
    std::sort(listed.begin(), listed.end());
    QByteArrayList expected{GbkName, Big5Name, MangledName};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
}

TEST_F(LinkAndNameTest, namesThatAreNotUtf8AreProcessedUnderTheirOwnBytes) {
    ASSERT_TRUE(FileTree::write(work, {{GbkName, Text}, {MangledName, Text}}));

    const CliOutcome reflow = run({"--backup", "reflow", work + GbkName});
    EXPECT_TRUE(reflow.exitedWith(0)) << reflow.describe();
    EXPECT_TRUE(reflow.out.startsWith(GbkName + "\t完成")) << "the row names the file with its bytes";
    EXPECT_EQ(FileTree::readFile(work + GbkName), Reflowed);
    EXPECT_EQ(FileTree::readFile(work + MangledName), Text) << "the file Qt would have named is untouched";
    const Tree backups = FileTree::read(app + "backup");
    ASSERT_FALSE(backups.isEmpty());
    EXPECT_TRUE(backups.lastKey().endsWith("/" + GbkName));

    const CliOutcome rename = run({"rename", "--template", "*-#", work + GbkName});
    EXPECT_TRUE(rename.exitedWith(0)) << rename.describe();
    EXPECT_EQ(FileTree::read(work), (Tree{{"\xC4\xE3\xBA\xC3-0.txt", Reflowed}, {MangledName, Text}}));
}

TEST_F(LinkAndNameTest, wizardKeepsNamesThatAreNotUtf8) {
    const QByteArray page = "\xD5\xC2.htm"; // "章" in GBK
    ASSERT_TRUE(FileTree::write(work, {{page, "<p>第一页。</p>\r\n"}, {GbkName, Text}, {MangledName, Text}}));
    const CliOutcome outcome =
        run({"wizard", work, "--html", "--delete-html", "--merge", "\xCA\xE9", "--delete-merged", "--para"});
    EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
    const Tree after = FileTree::read(work);
    ASSERT_EQ(after.keys(), QByteArrayList{"\xCA\xE9.txt"}) << "only the merged book is left";
    const QByteArray book = after.first();
    EXPECT_TRUE(book.contains("第一页。")) << book.toStdString();
    EXPECT_EQ(book.count("短行。"), 2) << "both text files were merged";
}

} // namespace
