#include "runner/BatchRunner.h"
#include "RunnerFixture.h"
#include "engine/BackupJournal.h"
#include "platform/AtomicFile.h"
#include "platform/DurableWrites.h"
#include "platform/FileName.h"
#include "platform/TextReader.h"
#include "runner/FileStep.h"

#include <QRegularExpression>

#include <sys/wait.h>
#include <unistd.h>

namespace {

class BatchRunnerTest : public RunnerFixture {
protected:
    void run(BatchCommand command, const QList<FileEntry>& entries, int direction = 0) {
        BatchRunner(env).run({command, direction, entries, folder});
    }
};

TEST_F(BatchRunnerTest, reflowsSelectedFilesInListOrderWithOneBackupFolder) {
    put("a.txt", "one\r\ntwo。\r\n");
    put("b.txt", "x\r\n");
    put("c.txt", "skip me\r\n");
    put("d.txt", "y\r\n");
    state.BackupBatchOpen = true; // left over from an earlier batch: the command must open a new one

    run(BatchCommand::Reflow, {{"a.txt", true}, {"b.txt", true}, {"c.txt", false}, {"d.txt", true}});

    EXPECT_EQ(sink.calls(), (QList<RecordingSink::Row>{
                                row(33, "a.txt", "完成", "", "blue"),
                                row(66, "b.txt", "完成", "", "blue"),
                                row(100, "d.txt", "完成", "", "blue"),
                                Completion,
                            }));
    EXPECT_EQ(content("a.txt"), "onetwo。\r\n");
    EXPECT_EQ(content("c.txt"), "skip me\r\n");
    EXPECT_EQ(TestFiles::treeOf(state.BackupFolder),
              (QStringList{"20030705-14/000/a.txt", "20030705-14/000/b.txt", "20030705-14/000/d.txt",
                           "20030705-14/000/quillmar-journal.txt"}));
    EXPECT_GE(sink.processEventsCount(), 4)
        << "events run once per entry, selected or not (and while the batch's final sync waits)";
}

TEST_F(BatchRunnerTest, webPagesBecomeTextFilesAndIndexPagesKeepTheirLinks) {
    state.Settings.DelLinks = -1;
    put("Index.HTM", "<a href='1.htm'>Chapter 1</a>\r\n");
    put("a.html", "<a href='1.htm'>Chapter 1</a>text\r\n");
    put("notes.txt", "plain\r\n");

    run(BatchCommand::WebPageToText, {{"Index.HTM", true}, {"a.html", true}, {"notes.txt", true}});

    EXPECT_EQ(content("Index.txt"), "Chapter 1\r\n");
    EXPECT_EQ(content("a.txt"), "text\r\n");
    EXPECT_EQ(content("notes.txt.txt"), "plain\r\n");
    EXPECT_EQ(TestFiles::treeOf(state.BackupFolder), QStringList{"20030705-14/000/quillmar-journal.txt"})
        << "a new target needs no backup, only its journal line";

    const QList<RecordingSink::Row> rows = sink.rows();
    ASSERT_EQ(rows.size(), 4);
    const QRegularExpression seconds(QStringLiteral("^\\d+\\.\\d\\d 秒$"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i].status, "完成");
        EXPECT_TRUE(seconds.match(rows[i].reason).hasMatch()) << rows[i].reason.toStdString();
    }
    EXPECT_TRUE(rows[3].text.startsWith("总时间：")) << rows[3];
    EXPECT_TRUE(seconds.match(rows[3].text.mid(4)).hasMatch()) << rows[3];
    EXPECT_EQ(rows[3].mark, "blue");
    EXPECT_EQ(sink.calls().last(), Completion);
}

TEST_F(BatchRunnerTest, refusedOverwriteGivesTheQuestionsRowThenNotDone) {
    put("a.htm", "new\r\n");
    put("a.txt", "old\r\n");
    prompt.queue({false});

    run(BatchCommand::WebPageToText, {{"a.htm", true}});

    ASSERT_EQ(prompt.asked().size(), 1);
    EXPECT_EQ(prompt.asked()[0].title, "覆盖文件");
    EXPECT_EQ(content("a.txt"), "old\r\n");
    const QList<RecordingSink::Row> rows = sink.rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], row(0, "a.htm", "用户中止", "文件已存在", "yellow"));
    EXPECT_EQ(rows[1], row(100, "a.htm", "未完成", "", "red"));
    EXPECT_TRUE(rows[2].text.startsWith("总时间：")) << "failed files add nothing, the line is still written";
}

TEST_F(BatchRunnerTest, onlyWebPageAndSpaceCommandsAreTimed) {
    put("a.txt", "中 文\r\n");
    run(BatchCommand::RemoveSpaces, {{"a.txt", true}});
    EXPECT_EQ(content("a.txt"), "中文\r\n");
    ASSERT_EQ(sink.rows().size(), 2);
    EXPECT_TRUE(sink.rows()[1].text.startsWith("总时间："));

    for (BatchCommand command : {BatchCommand::Reflow, BatchCommand::CodePage, BatchCommand::Width}) {
        sink.clear();
        run(command, {{"a.txt", true}});
        ASSERT_EQ(sink.rows().size(), 1);
        const QString reason = sink.rows()[0].reason;
        EXPECT_TRUE(reason.isEmpty() || reason == FileStep::unchangedReason()) << reason.toStdString();
    }
}

TEST_F(BatchRunnerTest, missingFileIsReportedAndTheBatchGoesOn) {
    put("b.txt", "ＡＢＣ\r\n");
    run(BatchCommand::Width, {{"gone.txt", true}, {"b.txt", true}});

    const QList<RecordingSink::Row> rows = sink.rows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].status, "错误2");
    EXPECT_EQ(rows[0].mark, "red");
    EXPECT_EQ(rows[1], row(50, "gone.txt", "未完成", "", "red"));
    EXPECT_EQ(rows[2], row(100, "b.txt", "完成", "", "blue"));
    EXPECT_EQ(content("b.txt"), "ABC\r\n");
}

TEST_F(BatchRunnerTest, aFinalSyncThatFailsIsARedRowAndTheJournalIsNotEnded) {
    if (!DurableWrites::defersOn(FileName::encode(folder)))
        GTEST_SKIP() << "this file system syncs each file as it is written";
    put("a.txt", "ＡＢＣ\r\n");
    DurableWrites::failNextFinishForTesting(EIO);
    run(BatchCommand::Width, {{"a.txt", true}});

    const QList<RecordingSink::Row> rows = sink.rows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], row(100, "a.txt", "完成", "", "blue"));
    EXPECT_EQ(rows[1].text, folder);
    EXPECT_EQ(rows[1].status, "错误5");
    EXPECT_EQ(rows[1].mark, "red");
    EXPECT_FALSE(BackupJournal::read(state.BackupFolder + "20030705-14/000/").header.ended.isValid())
        << "a batch whose data may not be on the disk reads as interrupted";
}

// Files done on several workers at once still leave their syncs to the batch's one sync at its end:
// the workers write for the batch that started them.
TEST_F(BatchRunnerTest, filesDoneInParallelAddNoSyncOfTheirOwn) {
    // On tmpfs where the work folder's file system syncs each file itself.
    QTemporaryDir shm(QStringLiteral("/dev/shm/quillmar-test-XXXXXX"));
    if (!DurableWrites::defersOn(FileName::encode(folder)) && shm.isValid()) {
        folder = shm.path() + QStringLiteral("/");
        state.BackupFolder = shm.path() + QStringLiteral("/backup/");
        QDir().mkpath(state.BackupFolder);
    }
    if (!DurableWrites::defersOn(FileName::encode(folder)))
        GTEST_SKIP() << "this file system syncs each file as it is written";
    QList<FileEntry> entries;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        put(name, "ＡＢＣ\r\n");
        entries.append({name, true});
    }
    state.Workers = 2;
    const int fileSyncs = AtomicFile::syncCountForTesting();
    const int batchSyncs = DurableWrites::syncCountForTesting();
    run(BatchCommand::Width, entries);

    EXPECT_EQ(content("d.txt"), "ABC\r\n");
    EXPECT_EQ(AtomicFile::syncCountForTesting(), fileSyncs) << "no file, backup copy or journal synced alone";
    EXPECT_EQ(DurableWrites::syncCountForTesting(), batchSyncs + 1);
}

// What a killed run left half-written in the folder goes when the next batch starts there; a file
// of the same look that a running process (here, this one's parent) still writes stays.
TEST_F(BatchRunnerTest, aBatchRemovesTheTemporaryFilesKilledRunsLeftInItsFolder) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const QString stale = ".a.txt." + QString::number(child) + "-k3x9.qmtmp";
    const QString live = ".a.txt." + QString::number(::getppid()) + "-k3x9.qmtmp";
    put(stale, "half");
    put(live, "half");
    put("a.txt", "ＡＢＣ\r\n");
    run(BatchCommand::Width, {{"a.txt", true}});

    EXPECT_EQ(content("a.txt"), "ABC\r\n");
    EXPECT_FALSE(QFile::exists(path(stale)));
    EXPECT_TRUE(QFile::exists(path(live)));
}

TEST_F(BatchRunnerTest, codePageCommandConvertsBothWays) {
    put("a.txt", "头发和简体中文\r\n");
    run(BatchCommand::CodePage, {{"a.txt", true}}, 1);
    EXPECT_EQ(QString::fromUtf8(content("a.txt")), "頭髮和簡體中文\r\n");
    run(BatchCommand::CodePage, {{"a.txt", true}}, 0);
    EXPECT_EQ(QString::fromUtf8(content("a.txt")), "头发和简体中文\r\n");
    EXPECT_FALSE(QFile::exists(state.TempFile)) << "the conversions delete their working copy";
}

// A chapter long enough to be read in many small pieces.
QByteArray longChapter() {
    QByteArray text;
    for (int i = 0; i < 3000; ++i)
        text += QStringLiteral("第%1段的文字，还没有结束\r\n").arg(i).toUtf8();
    return text;
}

// Reads files in small pieces, so that a test file gives the pulse many chances.
struct SmallPieces {
    SmallPieces() { TextReader::chunkSizeForTesting(1024); }
    ~SmallPieces() { TextReader::chunkSizeForTesting(0); }
};

TEST_F(BatchRunnerTest, aStopInsideAFileLeavesItAsItWasAndNamesTheFilesNotReached) {
    struct Case {
        const char* rule;
        BatchCommand command;
        int direction;
        QString large;
        QString output; // the file the command would write
    };
    const QList<Case> cases = {
        {"reflow", BatchCommand::Reflow, 0, "b.txt", "b.txt"},
        {"space removal", BatchCommand::RemoveSpaces, 0, "b.txt", "b.txt"},
        {"to Traditional", BatchCommand::CodePage, 1, "b.txt", "b.txt"},
        {"to full width", BatchCommand::Width, 1, "b.txt", "b.txt"},
        {"web page to text", BatchCommand::WebPageToText, 0, "b.htm", "b.txt"},
    };
    const SmallPieces pieces;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        for (const QString& name : TestFiles::filesIn(folder))
            QFile::remove(path(name));
        const QString ext = c.large.section(u'.', -1);
        put("a." + ext, "一\r\n");
        put(c.large, longChapter());
        put("c." + ext, "三\r\n");
        sink.clear();
        sink.pulseAtEveryChance();
        // Events ran before a and before b; the stop comes with the third look inside b.
        sink.stopAfterEvents(2 + 3);

        run(c.command, {{"a." + ext, true}, {c.large, true}, {"c." + ext, true}}, c.direction);

        QList<RecordingSink::Row> rows;
        for (const RecordingSink::Row& r : sink.rows()) {
            if (!r.text.startsWith("总时间"))
                rows.append({0, r.text, r.status, r.reason, r.mark});
        }
        EXPECT_EQ(rows, (QList<RecordingSink::Row>{
                            {0, "a." + ext, "完成", rows.value(0).reason, "blue"},
                            {0, c.large, "未完成", "已停止，文件保持原样", "red"},
                            {0, "c." + ext, "未处理", "已停止", "red"},
                        }));
        if (c.output == c.large)
            EXPECT_EQ(content(c.large), longChapter());
        else
            EXPECT_FALSE(QFile::exists(path(c.output)));
        EXPECT_EQ(content("c." + ext), "三\r\n");
        EXPECT_EQ(sink.calls().last(), Completion);
        EXPECT_EQ(TestFiles::filesIn(folder).filter(".qmtmp"), QStringList()) << "no unfinished target is left";
    }
}

TEST_F(BatchRunnerTest, theBarMovesInsideALargeFile) {
    const SmallPieces pieces;
    put("a.txt", "一\r\n");
    put("b.txt", longChapter());
    sink.pulseAtEveryChance();

    run(BatchCommand::Reflow, {{"a.txt", true}, {"b.txt", true}});

    QList<int> inside;
    for (const RecordingSink::Row& r : sink.calls()) {
        if (r.text.isEmpty() && r.percent > 50 && r.percent < 100)
            inside.append(r.percent);
    }
    EXPECT_GE(inside.size(), 3) << "b's share of the bar, 50 to 100, is crossed in steps";
    EXPECT_TRUE(std::is_sorted(inside.begin(), inside.end()));
    EXPECT_EQ(sink.rows().last(), row(100, "b.txt", "完成", "", "blue"));
    EXPECT_GT(sink.processEventsCount(), 2 + 3) << "events ran inside the file, not only between files";
}

// Another run makes the page's text while this run works on the page (at its `at`-th event).
class AnotherRunMakes : public RecordingSink {
public:
    AnotherRunMakes(QString path, int at) : m_path(std::move(path)), m_at(at) { pulseAtEveryChance(); }
    void processEvents() override {
        RecordingSink::processEvents();
        if (processEventsCount() == m_at)
            TestFiles::write(m_path, "another run's text\r\n");
    }

private:
    QString m_path;
    int m_at;
};

TEST_F(BatchRunnerTest, aPagesTextAnotherRunMakesMeanwhileIsNeverReplaced) {
    const SmallPieces pieces;
    put("b.htm", longChapter());
    for (int at : {2, 3, 5, 10}) {
        SCOPED_TRACE(at);
        QFile::remove(path("b.txt"));
        AnotherRunMakes other(path("b.txt"), at);
        JobEnv racing{state, other, prompt, clock};
        BatchRunner(racing).run({BatchCommand::WebPageToText, 0, {{"b.htm", true}}, folder});
        ASSERT_GE(other.processEventsCount(), at) << "the other run came while this one worked";
        EXPECT_EQ(content("b.txt"), "another run's text\r\n");
        const QList<RecordingSink::Row> rows = other.rows();
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(),
                                [](const RecordingSink::Row& r) { return r.text == "b.htm" && r.mark == "red"; }))
            << "the page's row tells that its text was not written";
    }
}

} // namespace
