// Files and folders the user may not read or write, with the tool run as an ordinary user (the tests
// run as root in CI, which may do anything, so the tool is started as nobody). Every case gives red
// rows and changes no file, and every file of the batch gets its row.

#include "FileTree.h"
#include "ToolFolders.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using FileTree::Tree;

const QByteArray Text = "短\r\n行。\r\n";
const QByteArray Reflowed = "短行。\r\n";

class PermissionTest : public ToolFolders<> {
protected:
    void SetUp() override {
        if (!canRunAsNobody())
            GTEST_SKIP() << "needs root to run the tool as another user";
        ToolFolders::SetUp();
        ::chmod(root.constData(), 0755);
        other = root + "/other/";
        QDir().mkpath(QString::fromUtf8(other));
        ASSERT_TRUE(FileTree::write(work, {{"a.txt", Text}, {"b.txt", Text}, {"p.htm", "<p>页</p>\r\n"}}));
        ASSERT_TRUE(FileTree::write(other, {{"c.txt", Text}}));
        giveToNobody(QString::fromUtf8(root));
    }

    CliOutcome run(const QByteArrayList& arguments) {
        CliOptions asNobody;
        asNobody.asNobody = true;
        return ToolFolders::run(arguments, asNobody);
    }

    // The status and mark of the last row about `name`.
    QString outcomeOf(const CliOutcome& outcome, const QString& name) {
        QString found;
        for (const CliRow& row : outcome.rows()) {
            if (row.text == name || row.text.endsWith(u'/' + name))
                found = row.status + u' ' + row.mark;
        }
        return found;
    }

    static void makeRootsOwn(const QByteArray& path, mode_t mode) {
        ASSERT_EQ(::chown(path.constData(), 0, 0), 0);
        ASSERT_EQ(::chmod(path.constData(), mode), 0);
    }

    QByteArray other;
};

// A file the user may not write is left as it is, never made writable or taken over: a read-only
// file of the user's own, and another user's file in a folder anyone may write (whose rewrite would
// have become the user's file).
TEST_F(PermissionTest, aFileTheUserMayNotWriteIsARedRowAndStaysAsItIs) {
    ASSERT_EQ(::chmod(root.constData(), 0777), 0);
    ASSERT_EQ(::chmod(work.constData(), 0777), 0);
    const struct {
        const char* rule;
        std::function<void()> prepare;
    } rows[] = {
        {"read-only", [&] { ASSERT_EQ(::chmod((work + "a.txt").constData(), 0444), 0); }},
        {"another user's", [&] { makeRootsOwn(work + "a.txt", 0644); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        ASSERT_TRUE(FileTree::write(work, {{"a.txt", Text}, {"b.txt", Text}}));
        giveToNobody(QString::fromUtf8(work));
        row.prepare();
        struct stat before {};
        ASSERT_EQ(::stat((work + "a.txt").constData(), &before), 0);

        const CliOutcome outcome = run({"wide", work + "a.txt", work + "b.txt"});
        EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
        EXPECT_EQ(outcomeOf(outcome, "a.txt"), "未完成 red");
        EXPECT_TRUE(outcome.out.contains("错误13")) << outcome.describe();
        EXPECT_TRUE(outcome.out.contains("Permission denied")) << outcome.describe();
        EXPECT_EQ(FileTree::readFile(work + "a.txt"), Text);
        struct stat after {};
        ASSERT_EQ(::stat((work + "a.txt").constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(outcomeOf(outcome, "b.txt"), "完成 blue");
    }
}

// A backup folder that cannot be made says why: no permission, not a missing folder.
TEST_F(PermissionTest, aBackupFolderThatCannotBeMadeNamesTheRealCause) {
    QDir(QString::fromUtf8(app + "backup")).removeRecursively();
    makeRootsOwn(app, 0755);
    const CliOutcome outcome = run({"--backup", "reflow", work + "a.txt"});
    EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
    EXPECT_TRUE(outcome.out.contains("Permission denied")) << outcome.describe();
    EXPECT_FALSE(outcome.out.contains("No such file")) << outcome.describe();
    EXPECT_EQ(FileTree::readFile(work + "a.txt"), Text);
}

TEST_F(PermissionTest, unreadableFileIsARedRowAndTheBatchGoesOn) {
    ASSERT_EQ(::chmod((work + "a.txt").constData(), 0000), 0);
    const CliOutcome outcome = run({"despace", work + "a.txt", work + "b.txt"});
    EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
    EXPECT_EQ(outcomeOf(outcome, "a.txt"), "未完成 red");
    EXPECT_TRUE(outcome.out.contains("Permission denied")) << outcome.describe();
    EXPECT_EQ(FileTree::readFile(work + "a.txt"), Text);
    EXPECT_EQ(outcomeOf(outcome, "b.txt"), "完成 blue");
}

TEST_F(PermissionTest, folderWithoutWritePermissionChangesNothing) {
    makeRootsOwn(work, 0755);
    const Tree before = FileTree::read(work);
    const struct {
        const char* rule;
        QByteArrayList arguments;
        QStringList red;  // files whose last row must be red
        QStringList blue; // files whose last row must be blue
    } rows[] = {
        {"in place", {"reflow", work + "a.txt", work + "b.txt", other + "c.txt"}, {"a.txt", "b.txt"}, {"c.txt"}},
        {"find and replace",
         {"replace", "--find", "行", work + "a.txt", work + "b.txt", other + "c.txt"},
         {"a.txt", "b.txt"},
         {"c.txt"}},
        {"web page to a new file", {"html2txt", work + "p.htm"}, {"p.htm"}, {}},
        {"merge into that folder",
         {"merge", "--output", work + "book.txt", work + "a.txt", other + "c.txt"},
         {"book.txt"},
         {}},
        {"wizard",
         {"wizard", work, "--html", "--merge", "book", "--delete-merged", "--para"},
         {"p.htm", "book.txt", "a.txt", "b.txt"},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const CliOutcome outcome = run(row.arguments);
        EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
        EXPECT_TRUE(outcome.out.contains("Permission denied")) << outcome.describe();
        EXPECT_EQ(FileTree::read(work), before);
        for (const QString& name : row.red)
            EXPECT_EQ(outcomeOf(outcome, name), "未完成 red") << name.toStdString() << "\n" << outcome.describe();
        for (const QString& name : row.blue)
            EXPECT_EQ(outcomeOf(outcome, name), "完成 blue") << "the batch did not go on with " << name.toStdString();
    }
}

TEST_F(PermissionTest, unwritableBackupFolderIsARedRowForEveryFile) {
    QDir().mkpath(QString::fromUtf8(app + "backup"));
    makeRootsOwn(app + "backup", 0755);
    const CliOutcome outcome = run({"--backup", "reflow", work + "a.txt", work + "b.txt"});
    EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
    EXPECT_EQ(outcomeOf(outcome, "a.txt"), "未完成 red");
    EXPECT_EQ(outcomeOf(outcome, "b.txt"), "未完成 red");
    EXPECT_EQ(outcome.count(QStringLiteral("red")), 4) << "an error row and a result row per file";
    EXPECT_EQ(FileTree::readFile(work + "a.txt"), Text);
    EXPECT_EQ(FileTree::readFile(work + "b.txt"), Text);

    const CliOutcome without = run({"--no-backup", "reflow", work + "a.txt"});
    EXPECT_TRUE(without.exitedWith(0)) << without.describe();
}

// Jobs keep no working file in the app folder, so an app folder that cannot be written stops none.
TEST_F(PermissionTest, unwritableAppFolderStopsNoJob) {
    makeRootsOwn(app, 0755);
    const CliOutcome outcome = run({"--no-backup", "reflow", work + "a.txt", work + "b.txt"});
    EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
    EXPECT_EQ(outcomeOf(outcome, "a.txt"), "完成 blue");
    EXPECT_EQ(outcomeOf(outcome, "b.txt"), "完成 blue");
}

} // namespace
