#include "engine/Backups.h"

#include "core/AppState.h"
#include "fakes/FakeClock.h"
#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/ScriptedPrompt.h"
#include "fakes/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class BackupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = m_tmp.path() + QLatin1Char('/');
        QDir(m_root).mkpath(QStringLiteral("app/backup"));
        QDir(m_root).mkpath(QStringLiteral("work"));
        m_state.setAppFolder(m_root + QStringLiteral("app"));
        m_state.BackupFolder = m_state.defaultBackupFolder();
        // The desktop trash of this test lives in its own folder.
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root + QStringLiteral("data")));
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    QTemporaryDir m_tmp;
    QString m_root;
    AppState m_state;
    RecordingSink m_sink;
    ScriptedPrompt m_prompt;
    FakeClock m_clock{QDateTime(QDate(2003, 7, 5), QTime(14, 5))};
    JobEnv m_env{m_state, m_sink, m_prompt, m_clock};
};

TEST_F(BackupsTest, ARetiredFileIsKeptInTheBatchFolderOrInTheTrash) {
    const QString page = m_root + QStringLiteral("work/page.htm");
    TestFiles::write(page, "<p>page</p>");
    FileError error;
    QString kept;
    ASSERT_TRUE(RetireFile(m_env, page, FileState::of(page), error, &kept)) << error.description.toStdString();
    EXPECT_FALSE(QFile::exists(page));
    EXPECT_EQ(kept, m_state.BackupFolder + QStringLiteral("20030705-14/000/page.htm"));
    EXPECT_EQ(TestFiles::read(kept), QByteArray("<p>page</p>"));

    m_state.Settings.BackupOn = 0;
    TestFiles::write(page, "<p>again</p>");
    ASSERT_TRUE(RetireFile(m_env, page, FileState::of(page), error)) << error.description.toStdString();
    EXPECT_FALSE(QFile::exists(page));
    EXPECT_EQ(TestFiles::read(m_root + QStringLiteral("data/Trash/files/page.htm")), QByteArray("<p>again</p>"));
    const QByteArray info = TestFiles::read(m_root + QStringLiteral("data/Trash/info/page.htm.trashinfo"));
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(page) + "\nDeletionDate="))
        << info.constData();
    EXPECT_EQ(TestFiles::treeOf(m_state.BackupFolder),
              (QStringList{QStringLiteral("20030705-14/000/page.htm"),
                           QStringLiteral("20030705-14/000/quillmar-journal.txt")}));
}

TEST_F(BackupsTest, ClearingDeletesOnlyTheHourAndBatchFoldersTheProgramMade) {
    // A backup folder set to a folder of books: only what the program made there goes.
    const QString books = m_root + QStringLiteral("books/");
    for (const char* file :
         {"20030705-14/000/a.txt", "20030705-14/001/sub/b.txt", "20030705-15/1000/c.txt", "20030705-16/000/d.txt",
          "20030705-16/notes.txt", "2003070516/000/e.txt", "book.txt", "000/f.txt", "20030705-1x/000/g.txt"}) {
        QDir().mkpath(QFileInfo(books + QLatin1String(file)).path());
        TestFiles::write(books + QLatin1String(file), "x");
    }
    FileError error;
    ASSERT_TRUE(ClearBackups(books, error)) << error.description.toStdString();
    EXPECT_EQ(TestFiles::treeOf(books),
              (QStringList{QStringLiteral("000/f.txt"), QStringLiteral("20030705-16/notes.txt"),
                           QStringLiteral("20030705-1x/000/g.txt"), QStringLiteral("2003070516/000/e.txt"),
                           QStringLiteral("book.txt")}));
    EXPECT_FALSE(QDir(books + QStringLiteral("20030705-14")).exists()) << "an emptied hour folder goes too";
}

} // namespace
