#include "engine/FileJob.h"

#include "core/AppState.h"
#include "engine/Backups.h"
#include "fakes/FakeClock.h"
#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/ScriptedPrompt.h"
#include "fakes/TestFiles.h"
#include "platform/FileOps.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Row = RecordingSink::Row;

class FileJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = m_tmp.path() + QLatin1Char('/');
        QDir(m_root).mkpath(QStringLiteral("app/backup"));
        QDir(m_root).mkpath(QStringLiteral("work"));
        m_work = m_root + QStringLiteral("work/");
        m_state.setAppFolder(m_root + QStringLiteral("app"));
        m_state.BackupFolder = m_state.defaultBackupFolder();
        m_state.RecentList = QStringList(8, QString());
        m_state.RecentList[0] = QStringLiteral("/elsewhere/");
    }

    bool begin(const QString& source, const QString& target) { return BeginFileJob(m_env, source, target, m_work); }
    bool backUp(const QString& name) {
        FileError error;
        return BackUpFile(m_env, m_work + name, error);
    }

    QStringList backupEntries(const QString& below) const {
        return QDir(m_state.BackupFolder + below).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir m_tmp;
    QString m_root;
    QString m_work;
    AppState m_state;
    RecordingSink m_sink;
    ScriptedPrompt m_prompt;
    FakeClock m_clock{QDateTime(QDate(2003, 7, 5), QTime(14, 5))};
    JobEnv m_env{m_state, m_sink, m_prompt, m_clock};
};

TEST_F(FileJobTest, OneBatchSharesANumberedFolderAndTheNextBatchTakesTheNextFreeNumber) {
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        TestFiles::write(m_work + QLatin1String(name), QByteArray("content of ") + name);

    for (const QString& name : {QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt")})
        ASSERT_TRUE(backUp(name)) << name.toStdString();

    EXPECT_EQ(
        TestFiles::treeOf(m_state.BackupFolder),
        (QStringList{QStringLiteral("20030705-14/000/a.txt"), QStringLiteral("20030705-14/000/b.txt"),
                     QStringLiteral("20030705-14/000/c.txt"), QStringLiteral("20030705-14/000/quillmar-journal.txt")}));
    EXPECT_EQ(TestFiles::read(m_state.BackupFolder + QStringLiteral("20030705-14/000/b.txt")),
              QByteArray("content of b.txt"));
    EXPECT_EQ(m_state.BackupBatchNo, 0);

    // The same file twice in one batch: the oldest copy stays, the later one goes beside it. The new
    // content comes as the writers bring it, a new file renamed over the name: the backup is a hard
    // link to the old file.
    TestFiles::write(m_work + QStringLiteral("new"), "rewritten once");
    ASSERT_EQ(::rename(QFile::encodeName(m_work + QStringLiteral("new")).constData(),
                       QFile::encodeName(m_work + QStringLiteral("a.txt")).constData()),
              0);
    ASSERT_TRUE(backUp(QStringLiteral("a.txt")));
    EXPECT_EQ(TestFiles::read(m_state.BackupFolder + QStringLiteral("20030705-14/000/a.txt")),
              QByteArray("content of a.txt"));
    EXPECT_EQ(TestFiles::read(m_state.BackupFolder + QStringLiteral("20030705-14/000/a.txt~2")),
              QByteArray("rewritten once"));

    m_state.BackupBatchOpen = false;
    ASSERT_TRUE(backUp(QStringLiteral("a.txt")));
    EXPECT_EQ(backupEntries(QStringLiteral("20030705-14/001")),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("quillmar-journal.txt")}));

    // A file that carries the next number counts as taken, too.
    TestFiles::write(m_state.BackupFolder + QStringLiteral("20030705-14/002"), "not a folder");
    m_state.BackupBatchOpen = false;
    ASSERT_TRUE(backUp(QStringLiteral("b.txt")));
    EXPECT_EQ(backupEntries(QStringLiteral("20030705-14/003")),
              (QStringList{QStringLiteral("b.txt"), QStringLiteral("quillmar-journal.txt")}));
    EXPECT_EQ(m_state.BackupBatchNo, 3);
    EXPECT_TRUE(m_sink.calls().isEmpty());
}

TEST_F(FileJobTest, ABatchAcrossTheFullHourStaysInTheFolderItOpened) {
    TestFiles::write(m_work + QStringLiteral("a.txt"), "a");
    TestFiles::write(m_work + QStringLiteral("b.txt"), "b");
    m_clock.set(QDateTime(QDate(2003, 7, 5), QTime(14, 59, 59)));
    ASSERT_TRUE(backUp(QStringLiteral("a.txt")));
    m_clock.advanceSeconds(2);
    ASSERT_TRUE(backUp(QStringLiteral("b.txt")));

    EXPECT_EQ(TestFiles::treeOf(m_state.BackupFolder),
              (QStringList{QStringLiteral("20030705-14/000/a.txt"), QStringLiteral("20030705-14/000/b.txt"),
                           QStringLiteral("20030705-14/000/quillmar-journal.txt")}));
}

TEST_F(FileJobTest, AnInPlaceJobMakesNoWorkingCopy) {
    const QString file = m_work + QStringLiteral("a.txt");
    TestFiles::write(file, "text");
    // A link left at the name older versions used for their working copy is never followed.
    TestFiles::write(m_root + QStringLiteral("victim"), "victim");
    ASSERT_EQ(::symlink(QFile::encodeName(m_root + QStringLiteral("victim")).constData(),
                        QFile::encodeName(m_state.AppFolder + QStringLiteral("tempfile.tmp")).constData()),
              0);

    ASSERT_TRUE(begin(QStringLiteral("a.txt"), QStringLiteral("a.txt")));
    EXPECT_TRUE(backupEntries(QString()).isEmpty()) << "the backup waits until the file is replaced";
    EXPECT_EQ(TestFiles::read(m_root + QStringLiteral("victim")), QByteArray("victim"));
    EXPECT_EQ(m_state.RecentList.first(), m_work);

    m_state.Settings.BackupOn = 0;
    FileError error;
    EXPECT_TRUE(BackUpBeforeReplace(m_env, file, QStringLiteral("a.txt"))(error));
    EXPECT_TRUE(backupEntries(QString()).isEmpty()) << "backups off";
}

// A read-only file is the user's decision: it is refused with the system's reason, never made
// writable — as the file to rewrite and as the target a web page would replace.
TEST_F(FileJobTest, AReadOnlyFileIsRefusedAndKeepsItsPermissions) {
    const QString file = m_work + QStringLiteral("ro.txt");
    TestFiles::write(file, "read only");
    ::chmod(QFile::encodeName(file).constData(), 0444);
    TestFiles::write(m_work + QStringLiteral("ro.htm"), "<p>page</p>");

    EXPECT_FALSE(begin(QStringLiteral("ro.txt"), QStringLiteral("ro.txt")));
    EXPECT_FALSE(begin(QStringLiteral("ro.htm"), QStringLiteral("ro.txt")));
    EXPECT_TRUE(m_prompt.asked().isEmpty()) << "a file that cannot be replaced is not offered for it";
    const Row refused{0, QString(), QStringLiteral("错误13"), QStringLiteral("Permission denied"),
                      QStringLiteral("red")};
    QList<Row> expected{refused, refused};
    expected[0].text = QStringLiteral("ro.txt");
    expected[1].text = QStringLiteral("ro.htm");
    EXPECT_EQ(m_sink.calls(), expected);
    struct stat st {};
    ::stat(QFile::encodeName(file).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, mode_t(0444));
    EXPECT_EQ(m_state.RecentList.first(), QStringLiteral("/elsewhere/"));
}

TEST_F(FileJobTest, FailuresGiveOneRedRowWithTheErrorNumber) {
    TestFiles::write(m_work + QStringLiteral("x.txt"), "x");
    EXPECT_FALSE(begin(QStringLiteral("gone.txt"), QStringLiteral("gone.txt")));
    EXPECT_EQ(m_state.RecentList.first(), QStringLiteral("/elsewhere/")) << "no promotion after a failure";

    m_state.BackupFolder = m_root + QStringLiteral("missing/backup/");
    FileError error;
    EXPECT_FALSE(BackUpBeforeReplace(m_env, m_work + QStringLiteral("x.txt"), QStringLiteral("x.txt"))(error));
    EXPECT_EQ(error.number, ENOENT);
    EXPECT_FALSE(m_state.BackupBatchOpen);

    const Row missing{0, QString(), QStringLiteral("错误2"), QStringLiteral("No such file or directory"),
                      QStringLiteral("red")};
    QList<Row> expected{missing, missing};
    expected[0].text = QStringLiteral("gone.txt");
    expected[1].text = QStringLiteral("x.txt");
    expected[1].reason = QStringLiteral("备份文件夹 %1 无法建立：No such file or directory").arg(m_state.BackupFolder);
    EXPECT_EQ(m_sink.calls(), expected);
}

TEST_F(FileJobTest, AnExistingTargetIsReplacedOnlyAfterTheUserAgrees) {
    struct Case {
        const char* rule;
        bool answer;
        bool result;
        QString status;
    };
    const QList<Case> cases = {
        {"yes overwrites", true, true, QStringLiteral("覆盖原有文件")},
        {"no skips the file", false, false, QStringLiteral("用户中止")},
    };
    TestFiles::write(m_work + QStringLiteral("page.htm"), "<p>page</p>");
    TestFiles::write(m_work + QStringLiteral("page.txt"), "old text");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        m_sink.clear();
        m_prompt.queue({c.answer});
        m_state.RecentList[0] = QStringLiteral("/elsewhere/");

        EXPECT_EQ(begin(QStringLiteral("page.htm"), QStringLiteral("page.txt")), c.result);
        ASSERT_FALSE(m_prompt.asked().isEmpty());
        EXPECT_EQ(m_prompt.asked().last().title, QStringLiteral("覆盖文件"));
        EXPECT_EQ(m_prompt.asked().last().text, QStringLiteral("请注意，文件 page.txt已存在！是否覆盖该文件？"));
        EXPECT_EQ(m_sink.calls(), (QList<Row>{{0, QStringLiteral("page.htm"), c.status, QStringLiteral("文件已存在"),
                                               QStringLiteral("yellow")}}));
        // The old text stays until the transformation commits the new one.
        EXPECT_EQ(TestFiles::read(m_work + QStringLiteral("page.txt")), QByteArray("old text"));
        EXPECT_EQ(m_state.RecentList.first(), m_work);
    }
    EXPECT_TRUE(backupEntries(QString()).isEmpty());

    m_sink.clear();
    EXPECT_TRUE(begin(QStringLiteral("page.htm"), QStringLiteral("new.txt")));
    EXPECT_EQ(m_prompt.asked().size(), 2);
    EXPECT_TRUE(m_sink.calls().isEmpty());
}

} // namespace
