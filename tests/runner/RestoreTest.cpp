#include "RunnerFixture.h"
#include "core/PathHelpers.h"
#include "engine/BatchJournal.h"
#include "engine/Backups.h"
#include "platform/DurableWrites.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "runner/BackupCatalog.h"
#include "runner/BatchRunner.h"
#include "runner/MergeStep.h"
#include "runner/RenamePlan.h"
#include "runner/ReplaceRunner.h"
#include "runner/RestoreRunner.h"
#include "runner/WizardRunner.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every file of a folder: name, bytes and permission bits.
QStringList snapshot(const QString& folder) {
    QStringList lines;
    for (const QString& name : TestFiles::filesIn(folder)) {
        const FileState state = FileState::of(folder + name);
        lines.append(name + u' ' + QString::number(state.mode, 8) + u' ' + QString::fromLatin1(state.sha256));
    }
    return lines;
}

class RestoreTest : public RunnerFixture {
protected:
    void SetUp() override {
        RunnerFixture::SetUp();
        put("一.txt", "第一章\r\n  甲 乙\r\n");
        put("二.txt", QByteArray("\xb5\xda\xb6\xfe\xd5\xc2\r\n", 8)); // GB18030 "第二章"
        put("三.htm", "<p>第三章</p>\r\n");
        QFile::setPermissions(path("二.txt"), QFile::ReadOwner | QFile::WriteOwner);
    }

    RestoreResult restore(const QString& id, RestoreRequest::Changed changed = RestoreRequest::Changed::Skip) {
        return RestoreRunner(env).run({id, {}, changed});
    }
};

TEST_F(RestoreTest, everyKindOfBatchComesBackByteForByteWithNamesAndPermissions) {
    struct Case {
        const char* rule;
        std::function<void(JobEnv&, const QString&)> run;
    };
    const Case cases[] = {
        {"an in-place command",
         [](JobEnv& e, const QString& f) {
             BatchRunner(e).run({BatchCommand::RemoveSpaces, 0, {{"一.txt", true}, {"二.txt", true}}, f});
         }},
        {"a replace",
         [](JobEnv& e, const QString& f) {
             ReplaceRunner(e).run({{"一.txt"}, f, "甲", "丙", false});
         }},
        {"pages to text",
         [](JobEnv& e, const QString& f) {
             BatchRunner(e).run({BatchCommand::WebPageToText, 0, {{"三.htm", true}}, f});
         }},
        {"a merge",
         [](JobEnv& e, const QString& f) {
             mergeAsBatch(e, {f + "一.txt", f + "二.txt"}, f + "书.txt");
         }},
        {"a rename that swaps two names",
         [](JobEnv& e, const QString& f) {
             executeRenameBatch(e, "x", f, {{"一.txt", "二.txt"}, {"二.txt", "一.txt"}}, nullptr);
         }},
        {"the wizard with deletions",
         [](JobEnv& e, const QString& f) {
             WizardOptions o;
             o.folder = f;
             o.deleteHtml = true;
             o.newName = "书.txt";
             o.deleteMerged = true;
             o.para = true;
             WizardRunner(e).run(o);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const QStringList before = snapshot(folder);
        const int syncs = DurableWrites::syncCountForTesting();
        c.run(env, folder);
        ASSERT_NE(snapshot(folder), before) << "the batch changed something";

        const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
        const qsizetype perBatch = DurableWrites::defersOn(FileName::encode(folder)) ? 1 : 0;
        EXPECT_EQ(DurableWrites::syncCountForTesting() - syncs, perBatch * batches.size())
            << "the work and backup folders share one file system, synced once at each batch's end";
        for (const BackupBatch& batch : batches) {
            ASSERT_TRUE(batch.journal.present);
            if (batch.journal.header.command.startsWith(QLatin1String("restore")))
                break;
            EXPECT_EQ(batch.journal.header.folder, folder);
            EXPECT_TRUE(batch.journal.header.ended.isValid());
            const int restoreSyncs = DurableWrites::syncCountForTesting();
            const RestoreResult result = restore(batch.id);
            EXPECT_EQ(result.skipped + result.failed, 0) << batch.id.toStdString();
            EXPECT_EQ(DurableWrites::syncCountForTesting() - restoreSyncs, perBatch) << "the restore is a batch too";
        }
        EXPECT_EQ(snapshot(folder), before);
        // The next case starts from an empty backup tree.
        FileOps::removeTree(state.BackupFolder);
        QDir().mkpath(state.BackupFolder);
        clock.advanceSeconds(3600);
    }
}

TEST_F(RestoreTest, aFileChangedSinceTheBatchIsSkippedOrRestoredOnlyWhenAllowed) {
    BatchRunner(env).run({BatchCommand::RemoveSpaces, 0, {{"一.txt", true}}, folder});
    const QString id = BackupCatalog::list(state.BackupFolder).first().id;
    put("一.txt", "changed by the user\r\n");

    const RestoreResult skipped = restore(id);
    EXPECT_EQ(skipped.skipped, 1);
    EXPECT_EQ(content("一.txt"), "changed by the user\r\n");
    EXPECT_TRUE(sink.rows().contains(row(0, path("一.txt"), "跳过", "文件在这批之后已被更改", "yellow")));

    prompt.queue({false, true});
    EXPECT_EQ(restore(id, RestoreRequest::Changed::Ask).skipped, 1) << "answered No";
    EXPECT_EQ(restore(id, RestoreRequest::Changed::Ask).restored, 1) << "answered Yes";
    EXPECT_EQ(content("一.txt"), "第一章\r\n  甲 乙\r\n");

    // The user's changed text went into the restore's own batch: undoing the restore brings it back.
    const QString restoreId = BackupCatalog::list(state.BackupFolder).first().id;
    EXPECT_EQ(restore(restoreId).restored, 1);
    EXPECT_EQ(content("一.txt"), "changed by the user\r\n");
}

TEST_F(RestoreTest, journalKeepsNamesThatAreNotUtf8AndIgnoresALineCutShort) {
    const QString odd = FileName::decode("\xb5\xda\t1.txt");
    JournalEntry entry;
    entry.action = JournalEntry::Action::Renamed;
    entry.name = odd;
    entry.newName = "a\\b.txt";
    const QString batch = folder;
    BackupJournal::Header header{"rename", FileName::decode("/tmp/\xcc\xec/"), {}, {}};
    ASSERT_TRUE(BackupJournal::create(batch, header));
    ASSERT_TRUE(BackupJournal::append(batch, entry));
    ASSERT_TRUE(FileBytes::append(batch + BackupJournal::JournalName, "file\trewritten\tcut"));

    const BackupJournal::Contents read = BackupJournal::read(batch);
    EXPECT_EQ(FileName::encode(read.header.folder), QByteArray("/tmp/\xcc\xec/"));
    ASSERT_EQ(read.entries.size(), 1);
    EXPECT_EQ(FileName::encode(read.entries.first().name), QByteArray("\xb5\xda\t1.txt"));
    EXPECT_EQ(read.entries.first().newName, "a\\b.txt");
}

QString newestBatch(const AppState& state) {
    const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
    return batches.isEmpty() ? QString() : batches.first().id;
}

// Drops the journal's done lines, as a kill right after each change would have left it.
void dropDoneLines(const AppState& state, const QString& id) {
    const QString journal = AddBackslash(state.BackupFolder) + id + u'/' + BackupJournal::JournalName;
    QByteArray kept;
    for (const QByteArray& line : TestFiles::read(journal).split('\n')) {
        if (!line.isEmpty() && !line.startsWith("file\t"))
            kept += line + '\n';
    }
    ASSERT_TRUE(TestFiles::write(journal, kept));
}

// Drops the journal's last line that starts with `prefix`, as a kill right after that change would have left it.
void dropLastLine(const AppState& state, const QString& id, const QByteArray& prefix) {
    const QString journal = AddBackslash(state.BackupFolder) + id + u'/' + BackupJournal::JournalName;
    QList<QByteArray> lines = TestFiles::read(journal).split('\n');
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).startsWith(prefix)) {
            lines.removeAt(i);
            ASSERT_TRUE(TestFiles::write(journal, lines.join('\n')));
            return;
        }
    }
    FAIL() << "no line " << prefix.constData();
}

TEST_F(RestoreTest, eachFileComesBackToItsStateBeforeTheBatchsFirstChangeAndASecondRestoreIsDone) {
    struct Case {
        const char* rule;
        std::function<void()> run;
    };
    // One stage of the wizard, which retires the files it has finished with.
    auto wizardKilledAfterItsLastDeletion = [&](bool pages, bool merge) {
        WizardOptions o;
        o.folder = folder;
        o.html = o.deleteHtml = pages;
        o.merge = o.deleteMerged = merge;
        o.newName = "书.txt";
        WizardRunner(env).run(o);
        ASSERT_FALSE(QFile::exists(path(pages ? "三.htm" : "二.txt")));
        dropLastLine(state, newestBatch(state), "file\tdeleted\t");
    };
    const Case cases[] = {
        {"one file changed twice in one batch",
         [&] {
             ReplaceRunner(env).run({{"一.txt", "一.txt"}, folder, "甲", "甲甲", false});
             ASSERT_EQ(content("一.txt"), "第一章\r\n  甲甲甲甲 乙\r\n");
         }},
        {"a kill between each change and its journal line",
         [&] {
             BatchRunner(env).run({BatchCommand::RemoveSpaces, 0, {{"一.txt", true}, {"二.txt", true}}, folder});
             dropDoneLines(state, newestBatch(state));
         }},
        {"a kill between making a page's text and its journal line",
         [&] {
             BatchRunner(env).run({BatchCommand::WebPageToText, 0, {{"三.htm", true}}, folder});
             ASSERT_TRUE(QFile::exists(path("三.txt")));
             dropDoneLines(state, newestBatch(state));
         }},
        {"a kill between moving a converted page into the batch and its journal line",
         [&] { wizardKilledAfterItsLastDeletion(true, false); }},
        {"a kill between moving a merged chapter into the batch and its journal line",
         [&] { wizardKilledAfterItsLastDeletion(false, true); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const QStringList before = snapshot(folder);
        c.run();
        const QString id = newestBatch(state);
        ASSERT_FALSE(id.isEmpty());
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            sink.clear();
            const RestoreResult result = restore(id);
            EXPECT_EQ(result.failed + result.skipped, 0);
            EXPECT_EQ(snapshot(folder), before);
            for (const RecordingSink::Row& r : sink.rows())
                EXPECT_EQ(r.status, "完成") << r.text.toStdString() << ' ' << r.reason.toStdString();
        }
        FileOps::removeTree(state.BackupFolder);
        QDir().mkpath(state.BackupFolder);
        clock.advanceSeconds(3600);
    }
}

TEST_F(RestoreTest, aHostileJournalIsARedRowAndWritesNothingOutsideItsFolders) {
    const QString outside = folder + "../outside.txt";
    put("../outside.txt", "secret");
    const QString hash = QString::fromLatin1(FileState::of(outside).sha256);
    const QString batch = AddBackslash(state.BackupFolder) + "20200101-01/000/";
    const QString after = "\t0644\t1\t" + QString(64, u'0');
    struct Case {
        const char* rule;
        QString line;
        std::function<void()> plant;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"names that climb out of their folders",
         "file\treplaced\t../escaped.txt\t\t../../outside.txt\t0644\t6\t" + hash + after, [] {},
         [&] {
             EXPECT_FALSE(QFile::exists(folder + "../escaped.txt"));
             EXPECT_TRUE(
                 sink.rows().contains(row(0, "../escaped.txt", "错误22", "日志中的文件名不可信，未恢复", "red")));
         }},
        {"a mode, a size or a hash the program could not have written",
         "file\trewritten\t一.txt\t\tcopy\t99999999999999999999\t-4\t" + hash + after,
         [&] { ASSERT_TRUE(TestFiles::write(batch + "copy", "secret")); },
         [&] {
             EXPECT_EQ(content("一.txt"), "第一章\r\n  甲 乙\r\n");
             EXPECT_NE(FileState::of(path("一.txt")).mode, 0u);
             EXPECT_TRUE(sink.rows().contains(row(0, "一.txt", "错误22", "日志中的文件名不可信，未恢复", "red")));
         }},
        {"a created file that is not what the batch left, even when changed files are overwritten",
         "file\tcreated\t一.txt\t\t\t\t\t\t0644\t6\t" + hash, [] {},
         [&] {
             EXPECT_EQ(content("一.txt"), "第一章\r\n  甲 乙\r\n");
             EXPECT_TRUE(sink.rows().contains(row(0, folder + "一.txt", "跳过", "文件在这批之后已被更改", "yellow")));
         }},
        {"a backup that is a link to a file elsewhere",
         "file\trewritten\t一.txt\t\tlinked\t0644\t6\t" + hash + after,
         [&] { ASSERT_TRUE(QFile::link(outside, batch + "linked")); },
         [&] {
             EXPECT_EQ(content("一.txt"), "第一章\r\n  甲 乙\r\n");
             ASSERT_FALSE(sink.rows().isEmpty());
             EXPECT_EQ(sink.rows().first().mark, "red");
         }},
        {"a mode with setuid, setgid and sticky bits",
         "file\trewritten\t一.txt\t\tcopy\t6777\t6\t" + hash + after,
         [&] { ASSERT_TRUE(TestFiles::write(batch + "copy", "secret")); },
         [&] {
             EXPECT_EQ(content("一.txt"), "secret");
             EXPECT_EQ(FileState::of(path("一.txt")).mode, 0777u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        FileOps::removeTree(state.BackupFolder);
        ASSERT_TRUE(QDir().mkpath(batch));
        ASSERT_TRUE(TestFiles::write(
            batch + BackupJournal::JournalName,
            ("QuillMar backup journal 1\ncommand\tx\nfolder\t" + folder + "\n" + c.line + "\n").toUtf8()));
        c.plant();
        sink.clear();
        restore("20200101-01/000", RestoreRequest::Changed::Overwrite);
        c.check();
        EXPECT_EQ(TestFiles::read(outside), "secret");
    }
}

TEST_F(RestoreTest, aFileReachedThroughALinkIsRestoredThroughIt) {
    put("real.txt", "甲乙\r\n");
    ASSERT_TRUE(QFile::link("real.txt", path("l.txt")));
    ReplaceRunner(env).run({{"l.txt"}, folder, "甲", "丙", false});
    ASSERT_EQ(content("real.txt"), "丙乙\r\n");

    const RestoreResult result = restore(newestBatch(state));
    EXPECT_EQ(result.restored, 1);
    EXPECT_TRUE(QFileInfo(path("l.txt")).isSymLink()) << "the link stays a link";
    EXPECT_EQ(content("real.txt"), "甲乙\r\n");
}

TEST_F(RestoreTest, aFileNamedThroughALinkAndItsTargetComesBackWhicheverNameIsAskedFor) {
    struct Case {
        QStringList named; // by the batch
        QStringList asked; // by the restore; empty: the whole batch
    };
    const Case cases[] = {
        {{"l.txt"}, {"real.txt"}},
        {{"l.txt"}, {path("real.txt")}},
        {{"real.txt", "l.txt"}, {}},
        {{"real.txt", "l.txt"}, {"l.txt"}},
        {{"l.txt", "real.txt"}, {"real.txt"}},
    };
    ASSERT_TRUE(QFile::link("real.txt", path("l.txt")));
    for (const Case& c : cases) {
        SCOPED_TRACE((c.named.join(',') + " / " + c.asked.join(',')).toStdString());
        put("real.txt", "甲乙\r\n");
        clock.advanceSeconds(3600);
        // Not idempotent: the second name's change is a change of its own.
        ReplaceRunner(env).run({c.named, folder, "甲", "甲甲", false});
        ASSERT_NE(content("real.txt"), "甲乙\r\n");
        sink.clear();
        const RestoreResult result = RestoreRunner(env).run({newestBatch(state), c.asked, RestoreRequest::Changed::Skip});
        EXPECT_EQ(result.failed + result.skipped, 0);
        EXPECT_EQ(content("real.txt"), "甲乙\r\n");
        EXPECT_TRUE(QFileInfo(path("l.txt")).isSymLink());
    }
}

TEST_F(RestoreTest, filesAskedForByPathOrByNameAndNamesTheBatchDoesNotHold) {
    struct Case {
        QString asked;
        int restored;
        int failed;
    };
    const Case cases[] = {
        {path("一.txt"), 1, 0},
        {"一.txt", 1, 0},
        {"nothere.txt", 0, 1},
        {"/elsewhere/一.txt", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked.toStdString());
        put("一.txt", "第一章\r\n  甲 乙\r\n");
        clock.advanceSeconds(3600);
        ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
        sink.clear();
        const RestoreResult result =
            RestoreRunner(env).run({newestBatch(state), {c.asked}, RestoreRequest::Changed::Skip});
        EXPECT_EQ(result.restored, c.restored);
        EXPECT_EQ(result.failed, c.failed);
        EXPECT_EQ(content("一.txt") == "第一章\r\n  甲 乙\r\n", c.restored == 1);
        if (c.failed) {
            EXPECT_TRUE(sink.rows().first().text == c.asked && sink.rows().first().mark == "red");
        }
    }
}

TEST_F(RestoreTest, aBatchFolderLeftWithoutAJournalOrFilesByAKillHasNothingToUndo) {
    // A run killed right after it made its numbered folder, before the journal was there.
    const QString root = AddBackslash(state.BackupFolder);
    ASSERT_TRUE(QDir().mkpath(root + "20030705-14/000"));
    const QStringList before = snapshot(folder);
    const RestoreResult result = restore("20030705-14/000");
    EXPECT_TRUE(result.found);
    EXPECT_EQ(result.failed, 0);
    ASSERT_FALSE(sink.rows().isEmpty());
    EXPECT_EQ(sink.rows().first().mark, "blue");
    EXPECT_EQ(snapshot(folder), before);
    // A folder of copies without a journal is another matter: where they belong is not known.
    put("copy.txt", "x");
    ASSERT_TRUE(QFile::copy(path("copy.txt"), root + "20030705-14/000/copy.txt"));
    EXPECT_FALSE(restore("20030705-14/000").found);
}

// A run killed before its journal told when it started leaves a batch folder without that start: it
// is still the batch that started last, listed first and undone by "restore last", which must leave
// the files of the batch before it as that batch left them. (Listed by its hour's start, it came after
// that batch, and undoing the last batch undid that one: the property test's restore after a kill.)
TEST_F(RestoreTest, aBatchFolderAKillLeftWithoutAStartIsTheLastBatchAndUndoingItChangesNothing) {
    const struct {
        const char* rule;
        QByteArray leftover; // what the folder holds: name and bytes; no name for nothing
        QByteArray bytes;
    } cases[] = {
        {"killed right after making its folder, or between removing an unused journal and its folder", "", ""},
        {"killed while writing its journal where there are no unnamed files", ".quillmar-journal.txt.4242-ab12.qmtmp",
         "QuillMar backup jou"},
        {"a power cut before its journal's first bytes reached the disk", "quillmar-journal.txt", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        put("一.txt", "第一章 甲\r\n");
        ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
        const QByteArray replaced = content("一.txt");
        ASSERT_NE(replaced, "第一章 甲\r\n");
        const QString before = newestBatch(state);

        clock.advanceSeconds(60);
        const QString killed = before.left(before.indexOf(u'/') + 1) +
                               QString::number(before.mid(before.indexOf(u'/') + 1).toInt() + 1).rightJustified(3, u'0');
        const QString killedFolder = AddBackslash(state.BackupFolder) + killed + u'/';
        ASSERT_TRUE(QDir().mkpath(killedFolder));
        if (!c.leftover.isEmpty()) {
            ASSERT_TRUE(TestFiles::write(killedFolder + QString::fromUtf8(c.leftover), c.bytes));
        }
        const timespec made = {time_t(clock.now().toSecsSinceEpoch()), 0};
        const timespec times[2] = {made, made};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(killedFolder).constData(), times, 0), 0);

        const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
        ASSERT_EQ(batches.size(), 2);
        EXPECT_EQ(batches.at(0).id, killed);
        EXPECT_EQ(BackupCatalog::lastToUndo(batches), killed);
        EXPECT_EQ(restore(BackupCatalog::lastToUndo(state.BackupFolder)).failed, 0);
        EXPECT_EQ(content("一.txt"), replaced) << "the batch before the killed one was undone";

        FileOps::removeTree(state.BackupFolder);
        QDir().mkpath(state.BackupFolder);
        clock.advanceSeconds(60);
    }
}

TEST_F(RestoreTest, theQuestionPromisesABackupOnlyWhenBackupsAreOn) {
    BatchRunner(env).run({BatchCommand::RemoveSpaces, 0, {{"一.txt", true}}, folder});
    const QString id = newestBatch(state);
    for (const bool backups : {true, false}) {
        put("一.txt", "changed by the user\r\n");
        state.Settings.BackupOn = backups ? 1 : 0;
        prompt.queue({false});
        restore(id, RestoreRequest::Changed::Ask);
        EXPECT_EQ(prompt.asked().last().text.contains("现在的内容会先备份"), backups);
    }
}

TEST_F(RestoreTest, linkedHourAndBatchFoldersAreNeitherListedNorPrunedNorCleared) {
    const QString elsewhere = folder + "../elsewhere/";
    const QString root = AddBackslash(state.BackupFolder);
    ASSERT_TRUE(QDir().mkpath(elsewhere + "000"));
    put("../elsewhere/000/keep.txt", "keep");
    put("../elsewhere/keep.txt", "keep");
    ASSERT_TRUE(QDir().mkpath(root + "20200101-02"));
    ASSERT_TRUE(QFile::link(elsewhere, root + "20200101-01"));
    ASSERT_TRUE(QFile::link(elsewhere, root + "20200101-02/000"));

    EXPECT_TRUE(BackupCatalog::list(state.BackupFolder).isEmpty());
    EXPECT_FALSE(BackupCatalog::find(state.BackupFolder, "20200101-01/000"));
    EXPECT_EQ(BackupCatalog::linkedFolders(state.BackupFolder), (QStringList{"20200101-01", "20200101-02/000"}));
    FileError error;
    EXPECT_TRUE(ClearBackups(state.BackupFolder, error));
    EXPECT_EQ(TestFiles::read(elsewhere + "000/keep.txt"), "keep");
    EXPECT_EQ(TestFiles::read(elsewhere + "keep.txt"), "keep");
}

} // namespace

namespace {

// An advisory lock on a file or folder, as a job of another run holds it.
class HeldByAnother {
public:
    explicit HeldByAnother(const QString& path)
        : m_fd(::open(FileName::encode(path).constData(), O_RDONLY | O_CLOEXEC)) {
        EXPECT_EQ(::flock(m_fd, LOCK_EX | LOCK_NB), 0);
    }
    ~HeldByAnother() { ::close(m_fd); }

private:
    int m_fd;
};

// Answers Yes, and while the question is open another program writes the file.
class PromptWhileAnotherWrites : public ScriptedPrompt {
public:
    explicit PromptWhileAnotherWrites(std::function<void()> write) : ScriptedPrompt(true), m_write(std::move(write)) {}
    bool askYesNo(const QString& title, const QString& text) override {
        m_write();
        return ScriptedPrompt::askYesNo(title, text);
    }

private:
    std::function<void()> m_write;
};

} // namespace

TEST_F(RestoreTest, aRestoreTakesNoFileAnotherJobHoldsAndNoBatchAnotherRestoreHolds) {
    struct Case {
        const char* rule;
        std::function<QString(const BackupBatch&)> held;
        QString rowText;
    };
    const Case cases[] = {
        {"a batch of another run works on the file", [&](const BackupBatch&) { return path("一.txt"); },
         path("一.txt")},
        {"another restore of the same batch runs", [&](const BackupBatch& b) { return b.folder; }, "BATCH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        put("一.txt", "第一章\r\n  甲 乙\r\n");
        clock.advanceSeconds(3600);
        ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
        const BackupBatch batch = *BackupCatalog::find(state.BackupFolder, newestBatch(state));
        sink.clear();
        {
            const HeldByAnother other(c.held(batch));
            const RestoreResult result = restore(batch.id);
            EXPECT_EQ(result.failed, 1);
            EXPECT_EQ(result.restored, 0);
            EXPECT_EQ(content("一.txt"), "第一章\r\n  丙 乙\r\n") << "the other job's file is left to it";
            ASSERT_FALSE(sink.rows().isEmpty());
            EXPECT_EQ(sink.rows().first().text, c.rowText == "BATCH" ? batch.id : c.rowText);
            EXPECT_EQ(sink.rows().first().mark, "red");
        }
        EXPECT_EQ(restore(batch.id).restored, 1) << "once the other is done";
        EXPECT_EQ(content("一.txt"), "第一章\r\n  甲 乙\r\n");
    }
}

TEST_F(RestoreTest, aFileAnotherProgramWritesWhileTheRestoreAsksKeepsThatContent) {
    ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
    const QString id = newestBatch(state);
    put("一.txt", "the user's edit\r\n");
    PromptWhileAnotherWrites writing([&] { put("一.txt", "another program's longer edit\r\n"); });
    JobEnv asking{state, sink, writing, clock};
    sink.clear();

    const RestoreResult result = RestoreRunner(asking).run({id, {}, RestoreRequest::Changed::Ask});
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(content("一.txt"), "another program's longer edit\r\n");
    EXPECT_TRUE(sink.rows().contains(row(0, path("一.txt"), "错误11", "文件在处理时被另一个程序更改", "red")));
}

TEST_F(RestoreTest, aRenameBatchRestoredTwiceIsDoneTheSecondTime) {
    struct Case {
        const char* rule;
        QList<RenameItem> items;
    };
    const Case cases[] = {
        {"one name", {{"一.txt", "甲.txt"}}},
        {"a swap", {{"一.txt", "二.txt"}, {"二.txt", "一.txt"}}},
        {"a chain", {{"一.txt", "二.txt"}, {"二.txt", "四.txt"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const QStringList before = snapshot(folder);
        clock.advanceSeconds(3600);
        ASSERT_TRUE(executeRenameBatch(env, "x", folder, c.items, nullptr));
        const QString id = newestBatch(state);
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            sink.clear();
            const RestoreResult result = restore(id);
            EXPECT_EQ(result.failed + result.skipped, 0);
            EXPECT_EQ(snapshot(folder), before);
            for (const RecordingSink::Row& r : sink.rows()) {
                EXPECT_EQ(r.status, "完成") << r.text.toStdString() << ' ' << r.reason.toStdString();
            }
        }
    }
}

TEST_F(RestoreTest, aDamagedJournalIsARedRowNamingTheDamage) {
    struct Case {
        const char* rule;
        std::function<QByteArray(const QByteArray&)> damage;
        QString reason;
    };
    const auto firstEntry = [](const QByteArray& journal) { return journal.indexOf("\nintent\t") + 1; };
    const Case cases[] = {
        {"cut in its first file line", [&](const QByteArray& j) { return j.left(firstEntry(j) + 9); },
         "日志的最后一行不完整，已忽略"},
        {"a 2 MB line in place of its file lines",
         [&](const QByteArray& j) { return j.left(firstEntry(j)) + QByteArray(2 << 20, 'x') + '\n'; },
         "日志第 7 行已损坏（过长），未读"},
        {"a line it does not know", [&](const QByteArray& j) { return j + "file\tmelted\ta\tb\tc\td\te\tf\tg\th\ti\n"; },
         "日志第 10 行已损坏（无法读懂），未读"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        clock.advanceSeconds(3600);
        ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
        const BackupBatch batch = *BackupCatalog::find(state.BackupFolder, newestBatch(state));
        const QString journal = batch.folder + BackupJournal::JournalName;
        ASSERT_TRUE(TestFiles::write(journal, c.damage(TestFiles::read(journal))));
        sink.clear();
        const RestoreResult result = restore(batch.id);
        EXPECT_GE(result.failed, 1) << "the command's exit status tells of the damage";
        EXPECT_TRUE(sink.rows().contains(row(0, batch.id, "错误5", c.reason, "red"))) << c.reason.toStdString();
        put("一.txt", "第一章\r\n  甲 乙\r\n");
    }

    // Cut right after its header, as a run killed before its first change leaves it: nothing to undo.
    clock.advanceSeconds(3600);
    ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
    const BackupBatch batch = *BackupCatalog::find(state.BackupFolder, newestBatch(state));
    const QString journal = batch.folder + BackupJournal::JournalName;
    ASSERT_TRUE(TestFiles::write(journal, TestFiles::read(journal).left(firstEntry(TestFiles::read(journal)))));
    sink.clear();
    EXPECT_EQ(restore(batch.id).failed, 0);
    EXPECT_EQ(sink.rows(), QList<RecordingSink::Row>{row(0, batch.id, "完成", "这批没有改动任何文件", "blue")});
}

TEST_F(RestoreTest, aBackupFolderThatCannotBeMadeIsNamedWithItsCauseAndTheFileIsLeftAlone) {
    struct Case {
        const char* rule;
        QString backupFolder;
        QString cause;
    };
    put("blocker", "a file where a folder should be");
    const Case cases[] = {
        {"the backup folder is a file", path("blocker"), "Not a directory"},
        {"its parent is a file", path("blocker/backup"), "Not a directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        state.BackupFolder = c.backupFolder;
        sink.clear();
        ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
        EXPECT_EQ(content("一.txt"), "第一章\r\n  甲 乙\r\n");
        ASSERT_FALSE(sink.rows().isEmpty());
        const RecordingSink::Row first = sink.rows().first();
        EXPECT_EQ(first.text, path("一.txt"));
        EXPECT_EQ(first.mark, "red");
        EXPECT_TRUE(first.reason.contains(c.backupFolder) && first.reason.contains(c.cause)) << first.reason.toStdString();
    }
}

TEST_F(RestoreTest, theWizardReadsAFileOfTheFolderOnceWhenALinkLeadsToItAndARestoreBringsTheLinkBack) {
    ASSERT_TRUE(QFile::link("二.txt", path("0.txt")));
    const QStringList before = snapshot(folder);
    WizardOptions o;
    o.folder = folder;
    o.html = false;
    o.merge = o.deleteMerged = true;
    o.newName = "书.txt";
    WizardRunner(env).run(o);
    EXPECT_EQ(content("书.txt").count(QByteArray("\xb5\xda\xb6\xfe\xd5\xc2")), 1) << "第二章 in GB18030, once";
    EXPECT_FALSE(QFileInfo::exists(path("二.txt")));
    EXPECT_FALSE(QFileInfo(path("0.txt")).isSymLink()) << "a link to a retired source goes with it";

    sink.clear();
    const RestoreResult result = restore(newestBatch(state));
    EXPECT_EQ(result.failed + result.skipped, 0);
    EXPECT_EQ(snapshot(folder), before);
    EXPECT_TRUE(QFileInfo(path("0.txt")).isSymLink());
    EXPECT_EQ(QFileInfo(path("0.txt")).symLinkTarget(), path("二.txt"));
}

TEST_F(RestoreTest, theWizardIsOneBatchNamingEveryStepAndOneRestoreUndoesIt) {
    const QStringList before = snapshot(folder);
    WizardOptions o;
    o.folder = folder;
    o.deleteHtml = o.deleteMerged = true;
    o.newName = "书.txt";
    o.para = o.space = true;
    WizardRunner(env).run(o);

    const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
    ASSERT_EQ(batches.size(), 1);
    EXPECT_EQ(batches.first().title(), "快速处理向导（网页文件转换，合并文件 → 书.txt，自动分段，去除空格）");
    EXPECT_EQ(batches.first().fileCount(), 4) << "三.htm, 一.txt, 二.txt and 书.txt, each once";
    sink.clear();
    clock.advanceSeconds(60);
    EXPECT_EQ(RestoreRunner(env).run({BackupCatalog::newestId(state.BackupFolder), {}, RestoreRequest::Changed::Skip})
                  .failed,
              0);
    EXPECT_EQ(snapshot(folder), before);
    // 三.txt, made from the page and merged away, was never there for the user: no row, and the batch
    // counts as undone whole, so undoing the last batch again takes the restore, not the wizard.
    for (const RecordingSink::Row& call : sink.calls())
        EXPECT_TRUE(call.mark.isEmpty() || call.mark == "blue") << call;
    const QList<BackupBatch> after = BackupCatalog::list(state.BackupFolder);
    ASSERT_EQ(after.size(), 2);
    EXPECT_EQ(after.at(1).mark(), "已恢复");
    EXPECT_EQ(BackupCatalog::lastToUndo(after), after.at(0).id);
}

// A file at the name of one the batch made and removed again is the user's: a restore leaves it.
TEST_F(RestoreTest, aFileTheBatchMadeAndRemovedAgainIsLeftAloneByItsRestore) {
    WizardOptions o;
    o.folder = folder;
    o.deleteHtml = o.deleteMerged = true;
    o.newName = "书.txt";
    WizardRunner(env).run(o);
    put("三.txt", "用户后来写的\r\n");
    prompt.setDefaultAnswer(true); // Yes to every "changed since" question
    EXPECT_EQ(restore(newestBatch(state), RestoreRequest::Changed::Ask).failed, 0);
    EXPECT_EQ(content("三.txt"), "用户后来写的\r\n");
}

TEST_F(RestoreTest, batchNumbersAreNeverGivenTwiceAndTheListMarksRestoresNewestFirst) {
    ReplaceRunner(env).run({{"一.txt"}, folder, "甲", "丙", false});
    const QString first = newestBatch(state);
    ASSERT_TRUE(BackupCatalog::remove(*BackupCatalog::find(state.BackupFolder, first)));
    ReplaceRunner(env).run({{"一.txt"}, folder, "丙", "丁", false});
    const QString second = newestBatch(state);
    EXPECT_NE(second, first) << "a deleted batch's number is not given again";

    clock.advanceSeconds(60);
    restore(second);
    const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
    ASSERT_EQ(batches.size(), 2);
    EXPECT_EQ(batches.at(0).restores, second) << "the restore started last and comes first";
    EXPECT_EQ(batches.at(0).mark(), "恢复操作");
    EXPECT_EQ(batches.at(1).id, second);
    EXPECT_EQ(batches.at(1).restoredBy, QStringList{batches.at(0).id});
    EXPECT_EQ(batches.at(1).mark(), "已恢复");
    EXPECT_EQ(BackupCatalog::newestId(state.BackupFolder), batches.at(0).id);
}

TEST(BackupCatalogTitles, commandsAreShownInTheMenusWords) {
    const std::pair<const char*, const char*> cases[] = {
        {"despace", "去除空格"},
        {"big5", "转换为BIG5"},
        {"replace “甲” → “丙”", "替换去除字符 “甲” → “丙”"},
        {"restore 20261207-11/003", "恢复 20261207-11/003"},
        {"wizard html2txt + merge → 书.txt", "快速处理向导（网页文件转换，合并文件 → 书.txt）"},
        {"wizard merge → book.txt", "快速处理向导（合并文件 → book.txt）"},
        {"something new", "something new"},
    };
    for (const auto& [journal, menu] : cases)
        EXPECT_EQ(BackupCatalog::commandTitle(QString::fromUtf8(journal)), QString::fromUtf8(menu));
}

// A batch still at work (its journal has no end and its run holds it) is refused whole; once it ended
// it is restored as usual. The restore runs as another run would: its own program state.
TEST_F(RestoreTest, aBatchStillRunningIsRefusedAndRestoredOnceItEnded) {
    const QByteArray original = content("一.txt");
    BatchJournal::begin(env, QStringLiteral("despace"), folder);
    FileError error;
    ASSERT_TRUE(BatchJournal::intend(env, QStringLiteral("一.txt"), QString(), FileState::of(path("一.txt")), error));
    const QString running = newestBatch(state);

    AppState otherState;
    otherState.setAppFolder(state.AppFolder);
    Settings::LoadDefaultSettings(otherState);
    RecordingSink otherSink;
    JobEnv other{otherState, otherSink, prompt, clock};
    const RestoreResult refused = RestoreRunner(other).run({running, {}, RestoreRequest::Changed::Skip});
    EXPECT_EQ(refused.failed, 1);
    EXPECT_EQ(refused.restored, 0);
    EXPECT_TRUE(otherSink.rows().contains(row(0, running, "未完成", "这批还在进行中，请等它完成后再恢复", "red")));
    EXPECT_EQ(BackupCatalog::list(state.BackupFolder).size(), 1) << "no restore batch was begun";

    // Nor can it be deleted (删除此批 in another program's window): its backups are still needed.
    FileError removeError;
    EXPECT_FALSE(BackupCatalog::remove(*BackupCatalog::find(state.BackupFolder, running), &removeError));
    EXPECT_EQ(removeError.number, EBUSY);
    ASSERT_TRUE(BackupCatalog::find(state.BackupFolder, running));

    BatchJournal::end(env);
    otherSink.clear();
    const RestoreResult ended = RestoreRunner(other).run({running, {}, RestoreRequest::Changed::Skip});
    EXPECT_EQ(ended.failed, 0);
    EXPECT_EQ(content("一.txt"), original);
}

// A restore that skipped a file changed since leaves its batch "部分恢复", and undoing the last batch
// then takes that batch again (not the restore, which would re-apply it); a second restore that brings
// back the rest makes it "已恢复", and the restore is what undoing the last batch takes next.
TEST_F(RestoreTest, aPartialRestoreMarksItsBatchPartlyRestoredAndUndoingLastFinishesIt) {
    ReplaceRunner(env).run({{"一.txt", "二.txt"}, folder, "章", "回", false});
    const QString batch = newestBatch(state);
    put("一.txt", "后来改过\r\n");

    clock.advanceSeconds(60);
    EXPECT_EQ(restore(batch).skipped, 1);
    QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
    ASSERT_EQ(batches.size(), 2);
    EXPECT_EQ(batches.at(1).mark(), "部分恢复");
    EXPECT_EQ(BackupCatalog::lastToUndo(batches), batch);

    clock.advanceSeconds(60);
    EXPECT_EQ(restore(BackupCatalog::lastToUndo(state.BackupFolder), RestoreRequest::Changed::Overwrite).failed, 0);
    batches = BackupCatalog::list(state.BackupFolder);
    ASSERT_EQ(batches.size(), 3);
    EXPECT_EQ(batches.at(2).id, batch);
    EXPECT_EQ(batches.at(2).mark(), "已恢复") << "the two restores together brought back every file";
    EXPECT_EQ(BackupCatalog::lastToUndo(batches), batches.at(0).id);
}
