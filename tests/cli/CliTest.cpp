#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs the built quillmar-cli with its own app folder, as a user would from a terminal.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkdir("app");
        QDir(m_root.path()).mkdir("work");
        app = m_root.path() + "/app/";
        work = m_root.path() + "/work/";
    }

    int run(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral(QM_BIN_DIR "/quillmar-cli"), QStringList{"--app-dir", app} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString app;
    QString work;
    QString out;
    QString err;

private:
    QTemporaryDir m_root;
};

TEST_F(CliTest, versionAndUsageErrors) {
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(out.trimmed(), "Version 2.1\nRevision 0022");
    EXPECT_EQ(run({"frobnicate"}), 2);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(run({"replace", work + "a.txt"}), 2) << "--find is required";
    EXPECT_EQ(run({"reflow"}), 2) << "files are required";
    EXPECT_EQ(run({"reflow", "--help"}), 0);
    EXPECT_TRUE(out.contains("FILE"));
}

TEST_F(CliTest, reflowPrintsOneRowPerFileAndBacksUp) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "短\r\n行。\r\n"));
    ASSERT_TRUE(TestFiles::write(work + "b.txt", "x\r\n"));
    EXPECT_EQ(run({"--quiet", "reflow", work + "a.txt", work + "b.txt"}), 0) << err.toStdString();
    EXPECT_EQ(out, "a.txt\t完成\t\tblue\nb.txt\t完成\t\tblue\n");
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "短行。\r\n");
    EXPECT_EQ(TestFiles::treeOf(app + "backup").size(), 3) << "two copies and the journal";
    EXPECT_FALSE(QFile::exists(app + "tempfile.tmp")) << "the working copy goes when the tool ends";
    EXPECT_FALSE(QFile::exists(app + "Quillmar.cfg")) << "the command line never saves settings";
    EXPECT_FALSE(QFile::exists(app + "Custom.cfg"));
}

TEST_F(CliTest, noBackupMakesNoBackupAndAMissingFileFails) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\r\n"));
    EXPECT_EQ(run({"--no-backup", "despace", work + "gone.txt", work + "a.txt"}), 1);
    EXPECT_TRUE(TestFiles::treeOf(app + "backup").isEmpty());
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "中文\r\n");
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("gone.txt\t错误2\t"));
    EXPECT_EQ(lines[1], "gone.txt\t未完成\t\tred");
    EXPECT_TRUE(lines[2].startsWith("a.txt\t完成\t"));
    EXPECT_TRUE(lines[3].startsWith("总时间："));
}

TEST_F(CliTest, overwriteQuestionsFollowYesAndNo) {
    ASSERT_TRUE(TestFiles::write(work + "p.htm", "<p>new</p>"));
    ASSERT_TRUE(TestFiles::write(work + "p.txt", "old"));
    EXPECT_EQ(run({"--no", "html2txt", work + "p.htm"}), 1);
    EXPECT_EQ(TestFiles::read(work + "p.txt"), "old");
    EXPECT_TRUE(out.startsWith("p.htm\t用户中止\t文件已存在\tyellow\n"));
    EXPECT_EQ(run({"--yes", "html2txt", work + "p.htm"}), 0);
    EXPECT_EQ(TestFiles::read(work + "p.txt"), "new\r\n");
    EXPECT_EQ(run({"--yes", "html2txt", "--classic", work + "p.htm"}), 0);
    EXPECT_EQ(TestFiles::read(work + "p.txt"), "\r\nnew\r\n\r\n") << "the old rules: <p> and </p> each break";
}

TEST_F(CliTest, mergeAndReplaceNameFilesByFullPath) {
    ASSERT_TRUE(TestFiles::write(work + "1.txt", "<a>"));
    ASSERT_TRUE(TestFiles::write(work + "2.txt", "b"));
    EXPECT_EQ(run({"merge", "--output", work + "all.txt", work + "1.txt", work + "2.txt"}), 0);
    EXPECT_EQ(out, work + "1.txt\t合并完成\t\tblue\n" + work + "2.txt\t合并完成\t\tblue\n");
    EXPECT_EQ(TestFiles::read(work + "all.txt"), "<a>\r\nb") << "a line end between the files, none after the last";

    EXPECT_EQ(run({"replace", "--find", "<", "--with", "[", work + "all.txt"}), 0);
    EXPECT_EQ(out, work + "all.txt\t完成\t\tblue\n");
    EXPECT_EQ(TestFiles::read(work + "all.txt"), "[a>\r\nb\r\n");
}

TEST_F(CliTest, mergeKeepsTheOrderGivenOrSortsChapters) {
    ASSERT_TRUE(TestFiles::write(work + "第10章.txt", "十"));
    ASSERT_TRUE(TestFiles::write(work + "第2章.txt", "二"));
    const QStringList files{work + "第10章.txt", work + "第2章.txt"};
    EXPECT_EQ(run(QStringList{"--quiet", "merge", "--output", work + "book.txt"} + files), 0) << err.toStdString();
    EXPECT_EQ(TestFiles::read(work + "book.txt"), "十\r\n二");
    EXPECT_EQ(run(QStringList{"--quiet", "--yes", "merge", "--sort", "--output", work + "book.txt"} + files), 0);
    EXPECT_EQ(TestFiles::read(work + "book.txt"), "二\r\n十");
}

// An existing target is replaced only when the user agrees; refused, it stays whole (also without backups).
TEST_F(CliTest, mergeAsksBeforeReplacingItsTarget) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "新"));
    const struct {
        QStringList options;
        int exitCode;
        QByteArray target;
        QString row;
    } cases[] = {
        {{"--no"}, 1, "旧", work + "book.txt\t用户中止\t文件已存在\tyellow\n"},
        {{"--no", "--no-backup"}, 1, "旧", work + "book.txt\t用户中止\t文件已存在\tyellow\n"},
        {{"--yes"}, 0, "新", work + "book.txt\t覆盖原有文件\t文件已存在\tyellow\n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(TestFiles::write(work + "book.txt", "旧"));
        EXPECT_EQ(run(c.options + QStringList{"--quiet", "merge", "--output", work + "book.txt", work + "a.txt"}),
                  c.exitCode)
            << c.options.join(' ').toStdString();
        EXPECT_EQ(TestFiles::read(work + "book.txt"), c.target) << c.options.join(' ').toStdString();
        EXPECT_TRUE(out.startsWith(c.row)) << out.toStdString();
    }
    ASSERT_EQ(run({"--quiet", "--no", "merge", "--output", work + "a.txt", work + "a.txt"}), 0)
        << "a target that is also a source is merged from its old content without a question";
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "新");
}

TEST_F(CliTest, renameShowsThePlanAndRefusesConflicts) {
    ASSERT_TRUE(TestFiles::write(work + "a.TXT", "a"));
    ASSERT_TRUE(TestFiles::write(work + "b.txt", "b"));
    EXPECT_EQ(run({"rename", "--template", "第#章", "--start", "1", "--dry-run", work + "a.TXT", work + "b.txt"}), 0);
    EXPECT_EQ(out, "a.TXT\t第1章.txt\nb.txt\t第2章.txt\n");
    EXPECT_EQ(TestFiles::filesIn(work), (QStringList{"a.TXT", "b.txt"}));

    EXPECT_EQ(run({"rename", "--template", "same", work + "a.TXT", work + "b.txt"}), 1);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(TestFiles::filesIn(work), (QStringList{"a.TXT", "b.txt"}));

    EXPECT_EQ(run({"rename", "--template", "*x", work + "a.TXT", work + "b.txt"}), 0);
    EXPECT_EQ(TestFiles::filesIn(work), (QStringList{"ax.txt", "bx.txt"}));
}

TEST_F(CliTest, wizardRunsItsStagesAndRefusesAMissingFolder) {
    ASSERT_TRUE(TestFiles::write(work + "1.htm", "<p>一</p>"));
    ASSERT_TRUE(TestFiles::write(work + "2.htm", "<p>二</p>"));
    EXPECT_EQ(run({"wizard", work, "--html", "--classic-html", "--delete-html", "--merge", "book", "--prefix", "[全本]",
                   "--delete-merged"}),
              0)
        << err.toStdString();
    EXPECT_EQ(TestFiles::filesIn(work), QStringList{"[全本]book.txt"});
    EXPECT_EQ(TestFiles::read(work + "[全本]book.txt"), "\r\n一\r\n\r\n\r\n二\r\n\r\n");

    EXPECT_EQ(run({"wizard", work + "nowhere", "--para"}), 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(err.isEmpty());
}

TEST_F(CliTest, wizardTypesetsThePagesTextsBeforeTheMerge) {
    ASSERT_TRUE(TestFiles::write(work + "1.htm", "<p>他说:\"你好!\"</p>"));
    ASSERT_TRUE(TestFiles::write(work + "2.htm", "<p>二</p>"));
    ASSERT_EQ(run({"--quiet", "wizard", work, "--html", "--typeset", "--merge", "book"}), 0) << err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(TestFiles::read(work + "book.txt")).contains("　　他说：“你好！”"));
    ASSERT_EQ(run({"backups"}), 0);
    const QStringList batches = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(batches.size(), 1) << out.toStdString();
    EXPECT_TRUE(batches[0].contains("\twizard html2txt + typeset + merge → book.txt\t")) << "the steps in their order";
}

// The wizard journals the merged file at each stage after the merge and the pages' texts it merges
// away: `backups show` still names each file once, as the batch left it.
TEST_F(CliTest, backupsShowNamesEachFileOfAWizardBatchOnce) {
    ASSERT_TRUE(TestFiles::write(work + "1.htm", "<p>一</p>"));
    ASSERT_TRUE(TestFiles::write(work + "2.htm", "<p>二</p>"));
    ASSERT_EQ(run({"--quiet", "wizard", work, "--html", "--delete-html", "--merge", "book", "--delete-merged", "--para",
                   "--space"}),
              0)
        << err.toStdString();
    ASSERT_EQ(run({"backups"}), 0);
    ASSERT_EQ(run({"backups", "show", out.section('\t', 0, 0)}), 0);
    QStringList files = out.split('\n', Qt::SkipEmptyParts).mid(5); // after batch, command, folder, started, ended
    for (QString& line : files)
        line = line.section('\t', 0, 0) + ' ' + line.section('\t', 2, 2);
    files.sort();
    EXPECT_EQ(files, QStringList({"1.htm unchanged", "2.htm unchanged", "book.txt unchanged"})) << out.toStdString();
}

// Every entry below a folder with its size, bytes and modification time.
QStringList fingerprint(const QString& folder) {
    QStringList lines;
    for (const QString& path : TestFiles::treeOf(folder)) {
        const QFileInfo info(folder + path);
        lines.append(path + ' ' + TestFiles::read(folder + path).toHex() + ' ' +
                     QString::number(info.lastModified().toMSecsSinceEpoch()));
    }
    return lines;
}

TEST_F(CliTest, dryRunWritesNothingInTheFolderTreeOrTheAppFolder) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\r\n"));
    ASSERT_TRUE(TestFiles::write(work + "p.htm", "<p>页</p>"));
    ASSERT_TRUE(TestFiles::write(work + "p.txt", "old"));
    ASSERT_EQ(run({"--quiet", "despace", work + "a.txt"}), 0) << "a batch to restore";
    ASSERT_EQ(run({"backups"}), 0);
    const QString id = out.section('\t', 0, 0);
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\r\n"));
    // The desktop trash of this run: a dry run of a command that deletes must not fill it.
    const QString data = work + "../data/";
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    const QStringList before = fingerprint(work) + fingerprint(app) + fingerprint(data);
    const QList<QStringList> commands = {
        {"--dry-run", "despace", work + "a.txt"},
        {"--diff", "despace", work + "a.txt"},
        {"--dry-run", "--yes", "html2txt", work + "p.htm"},
        {"--dry-run", "replace", "--find", "中", work + "a.txt"},
        {"--dry-run", "merge", "--output", work + "p.txt", work + "a.txt"},
        {"--dry-run", "--yes", "wizard", work, "--html", "--delete-html", "--merge", "book", "--delete-merged",
         "--para"},
        {"--dry-run", "rename", "--template", "#", work + "a.txt"},
        {"--dry-run", "restore", id, "--force"},
        {"--dry-run", "--yes", "backups", "prune", "--older-than", "0"},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(' ').toStdString());
        EXPECT_EQ(run(QStringList{"--quiet"} + command), 0) << err.toStdString();
        EXPECT_EQ(fingerprint(work) + fingerprint(app) + fingerprint(data), before);
    }
    qunsetenv("XDG_DATA_HOME");
    // Standard output holds the diff alone, whatever rows the batch gives.
    ASSERT_TRUE(TestFiles::write(work + "b.bin", QByteArray("\x89PNG\0\0", 6)));
    EXPECT_EQ(run({"--quiet", "--diff", "despace", work + "a.txt", work + "b.bin"}), 1);
    EXPECT_EQ(out, "--- a/a.txt\n+++ b/a.txt\n@@ -1 +1 @@\n-中 文\n+中文\n");
    EXPECT_TRUE(err.contains("b.bin\t未完成")) << err.toStdString();
}

// Every file named gets a row, also one the command would leave as it is; a merge that cannot read
// a source names that source, not the target it left alone.
TEST_F(CliTest, dryRunRowsNameEveryFileAndAMergeNamesTheSourceItCannotRead) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\r\n"));
    ASSERT_TRUE(TestFiles::write(work + "c.txt", "中文\r\n"));
    EXPECT_EQ(run({"--quiet", "--dry-run", "despace", work + "a.txt", work + "c.txt"}), 0) << err.toStdString();
    EXPECT_TRUE(out.contains(work + "a.txt\t预览\t1 行")) << out.toStdString();
    EXPECT_TRUE(out.contains(work + "c.txt\t预览\t不会改变\tblue")) << out.toStdString();

    ASSERT_TRUE(TestFiles::write(work + "b.bin", QByteArray("\x89PNG\0\0\0\0", 8)));
    EXPECT_EQ(run({"--quiet", "merge", "--output", work + "m.txt", work + "c.txt", work + "b.bin"}), 1);
    EXPECT_TRUE(out.contains(work + "b.bin\t未完成")) << out.toStdString();
    EXPECT_FALSE(out.contains(work + "m.txt\t未完成")) << out.toStdString();
}

TEST_F(CliTest, restoreSkipsAChangedFileUnlessForcedAndPruneAsksFirst) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\r\n"));
    ASSERT_EQ(run({"--quiet", "despace", work + "a.txt"}), 0);
    ASSERT_EQ(run({"backups"}), 0);
    const QString id = out.section('\t', 0, 0);
    EXPECT_TRUE(out.contains("\tdespace\t" + work + "\t1\t")) << out.toStdString();

    ASSERT_TRUE(TestFiles::write(work + "a.txt", "mine\r\n"));
    EXPECT_EQ(run({"--quiet", "restore", id}), 1);
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "mine\r\n");
    EXPECT_EQ(run({"--quiet", "restore", id, "--force"}), 0) << out.toStdString();
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "中 文\r\n");

    EXPECT_EQ(run({"--no", "backups", "prune", "--older-than", "0"}), 0) << "declined";
    EXPECT_EQ(run({"backups"}), 0);
    EXPECT_EQ(out.count('\n'), 2) << "nothing deleted";
    EXPECT_EQ(run({"--yes", "--quiet", "backups", "prune", "--older-than", "0"}), 0);
    EXPECT_EQ(run({"backups"}), 0);
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(CliTest, restoreLastUndoesTheNewestBatchAndADamagedJournalExitsOne) {
    EXPECT_EQ(run({"--quiet", "restore", "last"}), 1) << "no batch yet";
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\r\n"));
    ASSERT_EQ(run({"--quiet", "despace", work + "a.txt"}), 0);
    ASSERT_EQ(run({"backups"}), 0);
    const QString id = out.section('\t', 0, 0);
    EXPECT_EQ(run({"--quiet", "restore", "last"}), 0) << out.toStdString();
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "中 文\r\n");
    ASSERT_EQ(run({"backups"}), 0);
    const QStringList lines = out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines.at(0).endsWith("\t恢复操作 " + id)) << lines.at(0).toStdString();
    EXPECT_TRUE(lines.at(1).endsWith("\t已恢复 " + lines.at(0).section('\t', 0, 0))) << lines.at(1).toStdString();

    const QString journal = app + "backup/" + id + "/quillmar-journal.txt";
    const QByteArray whole = TestFiles::read(journal);
    ASSERT_TRUE(TestFiles::write(journal, whole.left(whole.indexOf("\nintent\t") + 12)));
    EXPECT_EQ(run({"--quiet", "restore", id}), 1);
    EXPECT_TRUE(out.contains(id + "\t错误5\t日志的最后一行不完整，已忽略\tred")) << out.toStdString();
}

TEST_F(CliTest, aDiffOfARestoreShowsWhatItWouldBringBackAndChangesNothing) {
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\n"));
    ASSERT_EQ(run({"--quiet", "despace", work + "a.txt"}), 0);
    ASSERT_EQ(run({"backups"}), 0);
    const QString id = out.section('\t', 0, 0);
    const QStringList before = fingerprint(work) + fingerprint(app);
    EXPECT_EQ(run({"--quiet", "--diff", "restore", id}), 0) << err.toStdString();
    EXPECT_EQ(out, "--- a/a.txt\n+++ b/a.txt\n@@ -1 +1 @@\n-中文\n+中 文\n");
    EXPECT_EQ(fingerprint(work) + fingerprint(app), before);
}

TEST_F(CliTest, typesetRewritesWithBackupAndJournalRestoresAndPreviewsWithoutChanging) {
    const QByteArray before = "第1章 夜宿古庙\r\n  他说:\"你好,世界!\"\xe2\x80\x8b\r\n\r\n\r\n\t她笑了...\r\n";
    ASSERT_TRUE(TestFiles::write(work + "a.txt", before));

    const QStringList files = fingerprint(work) + fingerprint(app);
    EXPECT_EQ(run({"--quiet", "--dry-run", "typeset", work + "a.txt"}), 0) << err.toStdString();
    EXPECT_EQ(fingerprint(work) + fingerprint(app), files) << "a dry run changes nothing";
    EXPECT_EQ(run({"--quiet", "--diff", "typeset", "--quotes", "taiwan", work + "a.txt"}), 0);
    EXPECT_TRUE(out.contains("+　　他说：「你好，世界！」")) << out.toStdString();
    EXPECT_EQ(fingerprint(work) + fingerprint(app), files) << "nor does a diff";

    EXPECT_EQ(run({"--quiet", "typeset", "--blank-lines", "one", work + "a.txt"}), 0) << err.toStdString();
    EXPECT_EQ(out, "a.txt\t完成\t删除 1 个不可见字符\tblue\n");
    EXPECT_EQ(TestFiles::read(work + "a.txt"),
              "第1章 夜宿古庙\r\n\r\n　　他说：“你好，世界！”\r\n\r\n　　她笑了……\r\n");
    ASSERT_EQ(run({"backups"}), 0);
    EXPECT_TRUE(out.contains("\ttypeset\t" + work + "\t1\t")) << out.toStdString();
    const QString id = out.section('\t', 0, 0);
    EXPECT_EQ(run({"--quiet", "restore", id}), 0) << out.toStdString();
    EXPECT_EQ(TestFiles::read(work + "a.txt"), before);

    // Quotation marks by the text: a Traditional one gets the Taiwan marks.
    ASSERT_TRUE(TestFiles::write(work + "b.txt", "他說:\"這裡就是臺灣,歡迎來玩.\"\r\n"));
    EXPECT_EQ(run({"--quiet", "--no-backup", "typeset", "--indent", "0", work + "b.txt"}), 0);
    EXPECT_EQ(TestFiles::read(work + "b.txt"), "他說：「這裡就是臺灣，歡迎來玩。」\r\n");
}

// A dry run tells what would happen to the user's files, never what happened to its copies; a diff
// of a restore that would skip a changed file says so once, without a second row saying otherwise.
TEST_F(CliTest, previewRowsNeverContradictWhatTheyPreview) {
    ASSERT_TRUE(TestFiles::write(work + "p.htm", "<p>页</p>"));
    EXPECT_EQ(run({"--quiet", "--dry-run", "wizard", work, "--html", "--delete-html"}), 0) << err.toStdString();
    EXPECT_FALSE(out.contains("-源文件已删除-")) << out.toStdString();
    EXPECT_TRUE(out.contains(work + "p.htm\t预览\t将被删除\tblue\n")) << out.toStdString();
    EXPECT_TRUE(QFile::exists(work + "p.htm"));

    ASSERT_TRUE(TestFiles::write(work + "a.txt", "中 文\n"));
    ASSERT_EQ(run({"--quiet", "despace", work + "a.txt"}), 0);
    ASSERT_EQ(run({"backups"}), 0);
    const QString id = out.section('\t', 0, 0);
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "mine\n"));
    EXPECT_EQ(run({"--quiet", "--diff", "restore", id}), 1);
    EXPECT_EQ(out, "") << "nothing would be restored";
    EXPECT_EQ(err, work + "a.txt\t跳过\t文件在这批之后已被更改\tyellow\n");
}

// The JSON "file" is the file a row is about, given by the row, never guessed from its text.
TEST_F(CliTest, jsonFileIsTheRowsFileAndNullForRowsAboutNoFile) {
    ASSERT_TRUE(TestFiles::write(work + "p.htm", "<p>新</p>"));
    ASSERT_TRUE(TestFiles::write(work + "p.txt", "old"));
    EXPECT_EQ(run({"--json", "--quiet", "--no", "html2txt", work + "p.htm"}), 1);
    EXPECT_TRUE(out.startsWith(
        R"({"text": "p.htm", "status": "用户中止", "reason": "文件已存在", "mark": "yellow", "file": ")" + work +
        R"(p.htm"})"))
        << out.toStdString();
    EXPECT_EQ(run({"--json", "--quiet", "restore", "20200101-01"}), 1);
    EXPECT_EQ(out,
              R"({"text": "20200101-01", "status": "未完成", "reason": "没有这批备份", "mark": "red", "file": null})"
              "\n");
}

TEST_F(CliTest, anAppFolderThatIsAFileIsAnError) {
    const QString file = work + "app-file";
    ASSERT_TRUE(TestFiles::write(file, "x"));
    QProcess process;
    process.start(QStringLiteral(QM_BIN_DIR "/quillmar-cli"), {"--app-dir", file, "backups"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_FALSE(process.readAllStandardError().isEmpty());
}

// Files keep the encoding they are in, whatever their bytes make hard to tell; the global options
// decide what the bytes leave open. A file whose lines end at lone CRs (an old Mac file) keeps them
// whatever command rewrites it, the line end a command adds after a last line that had none included.
TEST_F(CliTest, filesAreRewrittenInTheirOwnEncodingAndLineEnds) {
    const auto in = [](const char* codec, const QString& text) {
        QStringEncoder encoder(codec);
        return QByteArray(encoder.encode(text));
    };
    const struct {
        const char* rule;
        QStringList arguments;
        QByteArray before;
        QByteArray after;
    } rows[] = {
        {"UTF-8 with a stray byte stays UTF-8",
         {"narrow"},
         in("UTF-8", "欣欣向荣，") + "\xFF",
         in("UTF-8", "欣欣向荣,") + "\xFF\r\n"},
        {"short Big5 stays Big5", {"wide"}, in("Big5", "對ㄚ!"), in("Big5", "對ㄚ！\r\n")},
        {"UTF-16 without BOM stays UTF-16 without BOM",
         {"narrow"},
         in("UTF-16LE", "第一章，开始\r\n"),
         in("UTF-16LE", "第一章,开始\r\n")},
        {"ASCII only takes the legacy code page chosen", {"--legacy", "big5", "wide"}, "a!", in("Big5", "ａ！\r\n")},
        {"a forced encoding wins", {"--encoding", "utf-16le", "wide"}, QByteArray("a\0", 2), in("UTF-16LE", "ａ\r\n")},
        {"lone CRs, space removal",
         {"despace"},
         in("GB18030", "正 文一\r正文二。\r\r下一段。\r"),
         in("GB18030", "正文一\r正文二。\r\r下一段。\r")},
        {"lone CRs, a last line without its end gets a CR",
         {"despace"},
         in("GB18030", "正 文\r末行"),
         in("GB18030", "正文\r末行\r")},
        {"lone CRs, re-flow writes its own breaks as CR",
         {"reflow"},
         in("GB18030", "短\r行。\r"),
         in("GB18030", "短行。\r")},
        {"lone CRs, width, UTF-16 with BOM",
         {"narrow"},
         "\xFF\xFE" + in("UTF-16LE", "第一章，开始\r"),
         "\xFF\xFE" + in("UTF-16LE", "第一章,开始\r")},
        {"lone CRs, replace on the bytes",
         {"replace", "--find", "a", "--with", "b"},
         in("UTF-8", "a\r中文\r"),
         in("UTF-8", "b\r中文\r")},
        {"lone CRs, replace on the text; a lone LF stays inside its line",
         {"replace", "--find", "中", "--with", "文"},
         in("GB18030", "中\n中\r文\r"),
         in("GB18030", "文\n文\r文\r")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        ASSERT_TRUE(TestFiles::write(work + "a.txt", row.before));
        const QStringList arguments =
            QStringList{"--quiet", "--no-backup"} + row.arguments + QStringList{work + "a.txt"};
        EXPECT_EQ(run(arguments), 0) << out.toStdString() << err.toStdString();
        EXPECT_EQ(TestFiles::read(work + "a.txt"), row.after);
    }
}

// A binary file is never rewritten, by any command: a red row says it is not text.
TEST_F(CliTest, filesThatAreNotTextAreLeftAsTheyAre) {
    QFile program(QStringLiteral(QM_BIN_DIR "/quillmar-cli"));
    ASSERT_TRUE(program.open(QIODevice::ReadOnly));
    const QByteArray elf = program.read(4096);
    const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\0\0\0\x10", 20);
    const QStringList commands[] = {{"html2txt"},
                                    {"reflow"},
                                    {"despace"},
                                    {"gb"},
                                    {"big5"},
                                    {"narrow"},
                                    {"wide"},
                                    {"replace", "--find", "zzz"},
                                    {"--encoding", "gb18030", "reflow"}};
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(' ').toStdString());
        ASSERT_TRUE(TestFiles::write(work + "p.htm", png));
        ASSERT_TRUE(TestFiles::write(work + "e.htm", elf));
        EXPECT_EQ(run(QStringList{"--quiet"} + command + QStringList{work + "p.htm", work + "e.htm"}), 1);
        for (const char* name : {"p.htm", "e.htm"})
            EXPECT_TRUE(out.contains(QString(name) + "\t未完成\t不是文本文件\tred\n")) << out.toStdString();
        EXPECT_EQ(TestFiles::read(work + "p.htm"), png);
        EXPECT_EQ(TestFiles::read(work + "e.htm"), elf);
        EXPECT_EQ(TestFiles::filesIn(work), QStringList({"e.htm", "p.htm"}));
    }
}

TEST_F(CliTest, jsonRowsKeepTheBytesOfNamesThatAreNotUtf8) {
    // "第" in GBK followed by "%1.txt": no UTF-8 at all, and a "%" that must not read as an escape.
    const QByteArray gbkName = QFile::encodeName(work) + "\xB5\xDA%1.txt";
    const int fd = ::open(gbkName.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "a b\r\n", 5), 5);
    ::close(fd);

    EXPECT_EQ(run({"--json", "--quiet", "wizard", work, "--space"}), 0) << err.toStdString();
    // The temporary folder's clean-up cannot name it.
    ::unlink(gbkName.constData());
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << out.toStdString();
    EXPECT_EQ(lines[0], R"({"text": "-删除空格-", "status": "", "reason": "", "mark": "", "file": null})");
    EXPECT_EQ(lines[1],
              QStringLiteral(R"({"text": "��%1.txt", "status": "完成", "reason": "内容没有变化，文件未改写", )") +
                  R"("mark": "blue", "file": ")" + work + R"(%B5%DA%251.txt"})");

    ASSERT_TRUE(TestFiles::write(work + "q\"\\.txt", "x"));
    EXPECT_EQ(run({"--json", "rename", "--template", "新*", "--dry-run", work + "q\"\\.txt"}), 0);
    EXPECT_EQ(out, R"({"old": "q\"\\.txt", "new": "新q\"\\.txt", "file": ")" + work + R"(q\"\\.txt", "new_file": ")" +
                       work + R"(新q\"\\.txt"})" + u'\n');
}

// The manual page and the bash completion name every command and option the tool accepts.
TEST_F(CliTest, cleanLearnsFromTheFilesGivenAndTakesMoreRules) {
    QStringList files;
    for (int i = 1; i <= 5; ++i) {
        const QString file = work + QString::number(i) + ".txt";
        ASSERT_TRUE(
            TestFiles::write(file, QStringLiteral("书香小筑 独家连载\n第%1章\n他走了%1次。\n").arg(i).toUtf8()));
        files.append(file);
    }
    ASSERT_TRUE(TestFiles::write(work + "rules.txt", "= 他走了1次\n"));

    EXPECT_EQ(run({"--quiet", "--diff", "clean", "--no-learn", files.first()}), 0) << err.toStdString();
    EXPECT_EQ(out, "") << "no rule names the site's line, and nothing is learned";
    EXPECT_EQ(run({"--quiet", "--diff", "clean", files.first(), "--rules", work + "gone.txt"}), 2);

    EXPECT_EQ(run(QStringList{"--quiet", "--dry-run", "clean", "--rules", work + "rules.txt"} + files), 0)
        << err.toStdString();
    EXPECT_TRUE(out.contains("1.txt\t删除此行\t书香小筑 独家连载\t\n")) << out.toStdString();
    EXPECT_TRUE(out.contains("1.txt\t删除此行\t他走了1次。\t\n")) << out.toStdString();
    EXPECT_FALSE(out.contains("2.txt\t删除此行\t他走了2次。")) << out.toStdString();
    EXPECT_EQ(TestFiles::read(files.first()), QStringLiteral("书香小筑 独家连载\n第1章\n他走了1次。\n").toUtf8());

    EXPECT_EQ(run(QStringList{"--quiet", "clean"} + files), 0) << err.toStdString();
    EXPECT_TRUE(out.startsWith("1.txt\t完成\t删除 1 行\tblue\n")) << out.toStdString();
    EXPECT_EQ(TestFiles::read(files.first()), QStringLiteral("第1章\n他走了1次。\n").toUtf8());
    EXPECT_TRUE(QFile::exists(app + "Cleanup-rules.txt")) << "the starting set, written on first use";
}

TEST_F(CliTest, manualPageAndCompletionKnowEveryOption) {
    ASSERT_EQ(run({"--help-all"}), 0);
    QStringList words;
    for (const QRegularExpressionMatch& match : QRegularExpression(R"(--[a-z][a-z-]*)").globalMatch(out))
        words.append(match.captured());
    for (const QRegularExpressionMatch& match :
         QRegularExpression(R"(^(?:Subcommands:)?\s*([a-z0-9]+)\s*$)", QRegularExpression::MultilineOption)
             .globalMatch(out))
        words.append(match.captured(1));
    words.removeDuplicates();
    ASSERT_GT(words.size(), 30) << out.toStdString();

    const QString page = QString::fromUtf8(TestFiles::read(QStringLiteral(QM_SOURCE_DIR "/packaging/quillmar-cli.1")))
                             .replace(QLatin1String("\\-"), QLatin1String("-"));
    const QString completion =
        QString::fromUtf8(TestFiles::read(QStringLiteral(QM_SOURCE_DIR "/packaging/quillmar-cli.bash-completion")));
    for (const QString& word : words) {
        const QRegularExpression whole(QStringLiteral("(^|[^a-z-])") + QRegularExpression::escape(word) +
                                       QStringLiteral("($|[^a-z-])"));
        EXPECT_TRUE(page.contains(whole)) << "manual page: " << word.toStdString();
        EXPECT_TRUE(completion.contains(whole)) << "completion: " << word.toStdString();
    }
}

TEST_F(CliTest, phraseFilesOfTheAppFolderAndFromTheCommandLineWinOverTheTables) {
    ASSERT_TRUE(TestFiles::write(app + "Phrases-s2t.txt", "# mine\n头发 头发\n"));
    ASSERT_TRUE(TestFiles::write(work + "extra.txt", "被发明 被發明\n"));
    ASSERT_TRUE(TestFiles::write(work + "a.txt", "被发明的头发\r\n"));
    EXPECT_EQ(run({"--quiet", "--phrases", work + "extra.txt", "big5", work + "a.txt"}), 0) << out.toStdString();
    EXPECT_EQ(TestFiles::read(work + "a.txt"), "被發明的头发\r\n");

    EXPECT_EQ(run({"--phrases", work + "missing.txt", "big5", work + "a.txt"}), 2);
    EXPECT_TRUE(err.contains("missing.txt"));
}

} // namespace

namespace {

TEST_F(CliTest, rowsStayOneLineOfFourFieldsWhateverTheNameHolds) {
    const QString name = "a\tb\\c\nd\re.txt";
    ASSERT_TRUE(TestFiles::write(work + name, "中 文\r\n"));
    EXPECT_EQ(run({"--quiet", "--no-backup", "despace", work + name}), 0) << err.toStdString();
    const QStringList rows = out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2) << out.toStdString();
    EXPECT_EQ(rows[0].section(u'\t', 0, 0), "a\\tb\\\\c\\nd\\re.txt");
    EXPECT_EQ(rows[0].count(u'\t'), 3);
}

// Names that are not UTF-8 (GBK "啊" here) in the current folder, in relative paths and in the app folder.
TEST_F(CliTest, relativeAndAbsolutePathsKeepTheirBytes) {
    const QByteArray gbk = "\xB0\xA1";
    const QByteArray root = QFile::encodeName(work) + "bk" + gbk;
    ASSERT_EQ(::mkdir(root.constData(), 0755), 0);
    ASSERT_EQ(::mkdir(root + "/ch", 0755), 0);
    auto put = [](const QByteArray& path, const QByteArray& bytes) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    };
    auto get = [](const QByteArray& path) {
        QByteArray bytes(4096, '\0');
        const int fd = ::open(path.constData(), O_RDONLY);
        const ssize_t got = fd < 0 ? -1 : ::read(fd, bytes.data(), size_t(bytes.size()));
        if (fd >= 0)
            ::close(fd);
        return got < 0 ? QByteArray("<missing>") : bytes.left(got);
    };
    put(root + "/ch/" + gbk + ".txt", "a, b\r\n");
    auto runIn = [&](const QByteArray& cwd, const QList<QByteArray>& arguments) {
        // QProcess names arguments and folders by text: a shell passes the bytes as they are.
        QByteArray command = "cd '" + cwd + "' && '" QM_BIN_DIR "/quillmar-cli' --quiet --app-dir '" +
                             QFile::encodeName(app) + "app" + gbk + "/new'";
        for (const QByteArray& argument : arguments)
            command += " '" + argument + "'";
        return ::system(command.constData());
    };
    EXPECT_EQ(runIn(root, {"replace", "--find", ", ", "--with", "+", "ch/" + gbk + ".txt"}), 0);
    EXPECT_EQ(get(root + "/ch/" + gbk + ".txt"), "a+b\r\n");
    EXPECT_EQ(runIn(QFile::encodeName(work), {"wizard", "bk" + gbk + "/ch", "--merge", "book" + gbk}), 0);
    EXPECT_EQ(get(root + "/ch/book" + gbk + ".txt"), "a+b\r\n");
    EXPECT_EQ(runIn(QFile::encodeName(work),
                    {"merge", "--output", "bk" + gbk + "/m.txt", "bk" + gbk + "/ch/" + gbk + ".txt"}),
              0);
    EXPECT_EQ(get(root + "/m.txt"), "a+b\r\n") << "a relative output that is not UTF-8";
    struct stat st;
    EXPECT_EQ(::stat(QFile::encodeName(app) + "app" + gbk + "/new", &st), 0) << "a missing app folder is made";
}

} // namespace

namespace {

// A folder of real files, a few times over, with a page whose ".txt" is already there (its step asks)
// and a name that does not exist (a red row).
QStringList makeMixedFolder(const QString& folder) {
    QDir().mkpath(folder);
    const QStringList sources = {"code-page/gb-chapter.txt", "code-page/gb-chapter.big5.txt", "convert/simplified.txt",
                                 "convert/traditional.txt",  "pages/gbk-chapter.htm",         "pages/utf8-chapter.html",
                                 "pages/big5-article.html"};
    QStringList files;
    for (int copy = 0; copy < 3; ++copy) {
        for (const QString& source : sources) {
            const QString name = QString::number(copy) + "-" + QFileInfo(source).fileName();
            TestFiles::write(folder + name, TestFiles::read(QStringLiteral(QM_TEST_DATA "/") + source));
            files.append(folder + name);
        }
        files.insert(files.size() - 4, folder + QString::number(copy) + "-gone.txt");
    }
    TestFiles::write(folder + "1-gbk-chapter.txt", "old");
    return files;
}

} // namespace

// Files worked on at once give what one after the other gives: the same bytes in every file, the same
// rows in the same order, one backup folder holding the same copies.
TEST_F(CliTest, parallelJobsGiveTheResultsAndRowsOfOneAfterTheOther) {
    const QList<QStringList> commands = {{"big5"},
                                         {"gb"},
                                         {"reflow"},
                                         {"replace", "--find", "的", "--with", "之"},
                                         {"replace", "--find", "p", "--with", "Q"},
                                         {"html2txt"},
                                         {"narrow"}};
    const QRegularExpression seconds(QStringLiteral("[0-9]+\\.[0-9]+ 秒"));
    for (const QStringList& command : commands) {
        QMap<QString, QByteArray> results[2];
        QString rows[2];
        for (int pass = 0; pass < 2; ++pass) {
            const QString folder = work + command.join('_') + "/" + QString::number(pass) + "/";
            const QString appFolder = folder + "app/";
            const QStringList files = makeMixedFolder(folder + "files/");
            QProcess process;
            process.start(
                QStringLiteral(QM_BIN_DIR "/quillmar-cli"),
                QStringList{"--app-dir", appFolder, "--backup", "--yes", "--quiet", "--jobs", pass == 0 ? "1" : "3"} +
                    command + files);
            ASSERT_TRUE(process.waitForFinished(60000));
            rows[pass] = QString::fromUtf8(process.readAllStandardOutput()).replace(folder, "").replace(seconds, "秒");
            // A batch journal names its pass's folder and the order the workers finished in.
            for (const QString& file : TestFiles::treeOf(folder))
                results[pass][QString(file).replace(folder, "").replace(QRegularExpression("/\\d{8}-\\d\\d/"), "/")] =
                    file.endsWith("quillmar-journal.txt") ? QByteArray("journal") : TestFiles::read(folder + file);
        }
        const std::string name = command.join(' ').toStdString();
        EXPECT_EQ(rows[1], rows[0]) << name;
        EXPECT_GT(rows[0].count('\n'), 21) << name;
        EXPECT_EQ(results[1].keys(), results[0].keys()) << name;
        EXPECT_TRUE(results[1] == results[0]) << name;
    }
}
