#include "RunnerFixture.h"
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

#include <QFile>
#include <functional>

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

} // namespace
