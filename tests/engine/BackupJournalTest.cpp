#include "engine/BackupJournal.h"
#include "engine/BatchJournal.h"

#include "core/AppState.h"
#include "engine/Backups.h"
#include "fakes/FakeClock.h"
#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/ScriptedPrompt.h"
#include "fakes/TestFiles.h"
#include "platform/FileName.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <barrier>
#include <sys/stat.h>
#include <thread>

namespace {

class BackupJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_tmp.isValid());
        batch = m_tmp.path() + u'/';
    }

    // A journal holding the header and then `lines`, each with its line end.
    void writeJournal(const QStringList& lines) {
        QByteArray text = "QuillMar backup journal 1\ncommand\tx\nfolder\t/work/\n";
        for (const QString& line : lines)
            text += line.toUtf8() + '\n';
        ASSERT_TRUE(TestFiles::write(batch + BackupJournal::JournalName, text));
    }

    QTemporaryDir m_tmp;
    QString batch;
};

const QString Hash = QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

TEST_F(BackupJournalTest, entriesNamingAnythingButOneEntryOfTheirFolderAreRejected) {
    const QString hostile[] = {
        "file\treplaced\t../escaped.txt\t\t../../../../etc/hostname\t0644\t0\t" + Hash + "\t0644\t0\t" + Hash,
        "file\trewritten\tsub/a.txt\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\t.\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\t..\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\t\\x2e\\x2e\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\ta\\x2fb\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\ta\\x00b\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        QStringLiteral("file\trewritten\ta") + QChar(0) + "b\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\ta.txt\t\t/etc/passwd\t0644\t0\t" + Hash + "\t\t\t",
        "file\trewritten\ta.txt\t\t..\t0644\t0\t" + Hash + "\t\t\t",
        "file\trenamed\ta.txt\t../out.txt\t\t\t\t\t0644\t0\t" + Hash,
        "file\trenamed\ta.txt\t\t\t\t\t\t0644\t0\t" + Hash,
        "file\trewritten\ta.txt\tb.txt\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
        "intent\t../x.txt\tx.txt\t0644\t0\t" + Hash,
        "intent\tx.txt\t../../x.txt\t0644\t0\t" + Hash,
        "file\trewritten\t\t\ta.txt\t0644\t0\t" + Hash + "\t\t\t",
    };
    for (const QString& line : hostile) {
        SCOPED_TRACE(line.toStdString());
        writeJournal({line});
        const BackupJournal::Contents contents = BackupJournal::read(batch);
        EXPECT_TRUE(contents.entries.isEmpty());
        EXPECT_EQ(contents.rejected.size(), 1);
    }
    writeJournal({"file\trewritten\ta.txt\t\ta.txt~2\t6777\t0\t" + Hash + "\t\t\t"});
    EXPECT_EQ(BackupJournal::read(batch).entries.size(), 1) << "a plain name and backup name are taken";
}

TEST_F(BackupJournalTest, aFolderThatIsNotAbsoluteIsNoFolder) {
    for (const char* field : {"work/", "", "/work"}) {
        ASSERT_TRUE(TestFiles::write(batch + BackupJournal::JournalName,
                                     QByteArray("QuillMar backup journal 1\nfolder\t") + field + '\n'));
        EXPECT_TRUE(BackupJournal::read(batch).header.folder.isEmpty()) << field;
    }
}

TEST_F(BackupJournalTest, aLineOfIntentWithoutItsDoneLineIsAnUnfinishedChange) {
    FileState before;
    before.exists = true;
    before.size = 0;
    before.sha256 = Hash.toLatin1();
    before.mode = 0640;
    ASSERT_TRUE(BackupJournal::create(batch, {"x", "/work/", {}, {}}));
    ASSERT_TRUE(BackupJournal::intend(batch, "a.txt", "a.txt", before));
    JournalEntry done;
    done.name = "a.txt";
    done.backupName = "a.txt";
    done.before = before;
    done.after = before;
    done.after.size = 1;
    ASSERT_TRUE(BackupJournal::append(batch, done));
    ASSERT_TRUE(BackupJournal::intend(batch, "b.txt", "b.txt", before));
    ASSERT_TRUE(BackupJournal::intend(batch, "c.txt", QString(), FileState()));
    // A merge that failed after announcing its target: a later restore must leave whatever another
    // batch made there alone.
    ASSERT_TRUE(BackupJournal::intend(batch, "m.txt", QString(), FileState()));
    ASSERT_TRUE(BackupJournal::withdraw(batch, "m.txt"));

    const QList<JournalEntry> entries = BackupJournal::read(batch).entries;
    ASSERT_EQ(entries.size(), 3);
    EXPECT_TRUE(entries[0].finished) << "the done line takes the place of its intent";
    EXPECT_EQ(entries[0].after.size, 1);
    EXPECT_FALSE(entries[1].finished);
    EXPECT_EQ(entries[1].action, JournalEntry::Action::Rewritten);
    EXPECT_EQ(entries[1].before.mode, 0640u);
    EXPECT_EQ(entries[1].backupName, "b.txt");
    EXPECT_FALSE(entries[2].finished);
    EXPECT_EQ(entries[2].action, JournalEntry::Action::Created);
}

struct OneRun {
    AppState state;
    RecordingSink sink;
    ScriptedPrompt prompt;
    FakeClock clock{QDateTime(QDate(2003, 7, 5), QTime(14, 5))};
    JobEnv env{state, sink, prompt, clock};
};

// Two runs that open their batches at the same moment on a backup folder without an hour folder yet:
// each gets a batch folder of its own, and neither fails on the hour folder the other just made.
TEST_F(BackupJournalTest, runsStartedAtOnceEachOpenOneBatchFolder) {
    for (int round = 0; round < 40; ++round) {
        const QString backups = batch + QString::number(round) + u'/';
        ASSERT_TRUE(QDir().mkpath(backups));
        OneRun runs[2];
        QString opened[2];
        bool ok[2] = {false, false};
        std::barrier start(2);
        auto open = [&](int i) {
            runs[i].state.BackupFolder = backups;
            runs[i].state.Settings.BackupOn = 1;
            BatchJournal::begin(runs[i].env, "x", "/work/");
            start.arrive_and_wait();
            FileError error;
            ok[i] = BatchJournal::folder(runs[i].env, opened[i], error);
        };
        std::thread other(open, 1);
        open(0);
        other.join();
        ASSERT_TRUE(ok[0] && ok[1]) << "round " << round;
        EXPECT_NE(opened[0], opened[1]);
    }
}

// Where the batch folder shares the file system of the file, the backup is the old file itself.
TEST_F(BackupJournalTest, aBackupOnTheSameFileSystemIsAHardLinkToTheOldFile) {
    OneRun run;
    run.state.BackupFolder = batch + "backup/";
    run.state.Settings.BackupOn = 1;
    ASSERT_TRUE(QDir().mkpath(run.state.BackupFolder));
    const QString file = batch + "a.txt";
    ASSERT_TRUE(TestFiles::write(file, "old"));
    FileError error;
    QString copy;
    ASSERT_TRUE(BackUpFile(run.env, file, error, &copy)) << error.description.toStdString();
    struct stat original, backup;
    ASSERT_EQ(::stat(FileName::encode(file).constData(), &original), 0);
    ASSERT_EQ(::stat(FileName::encode(copy).constData(), &backup), 0);
    EXPECT_EQ(original.st_ino, backup.st_ino);
    EXPECT_EQ(TestFiles::read(copy), "old");

    // A file with another name of its own is copied: an edit in place through that name would
    // otherwise change the backup too.
    const QString twin = batch + "b.txt";
    ASSERT_TRUE(TestFiles::write(twin, "twin"));
    ASSERT_EQ(::link(FileName::encode(twin).constData(), FileName::encode(batch + "b-again.txt").constData()), 0);
    QString twinCopy;
    ASSERT_TRUE(BackUpFile(run.env, twin, error, &twinCopy)) << error.description.toStdString();
    ASSERT_TRUE(TestFiles::write(batch + "b-again.txt", "edited in place"));
    EXPECT_EQ(TestFiles::read(twinCopy), "twin");
}

} // namespace
