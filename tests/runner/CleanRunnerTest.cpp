#include "RunnerFixture.h"
#include "engine/CleanupRules.h"
#include "runner/BatchRunner.h"
#include "runner/DryRun.h"
#include "runner/FileStep.h"
#include "runner/WizardRunner.h"

namespace {

// A batch too small to learn from says so once, about no file.
const RecordingSink::Row FewFilesNote = row(0, "文件少于 5 个，未学习网站重复行，只按清除规则", "", "", "yellow");

class CleanRunnerTest : public RunnerFixture {
protected:
    // Six pages of a site: the site's line on top of each, a navigation line below, one story line.
    QList<FileEntry> putPages() {
        QList<FileEntry> entries;
        for (int i = 1; i <= 6; ++i) {
            const QString name = QStringLiteral("%1.txt").arg(i);
            put(name, QStringLiteral("书香小筑 独家连载\r\n第%1章\r\n他走了%1次。\r\n上一章 | 目录 | 下一章\r\n")
                          .arg(i)
                          .toUtf8());
            entries.append({name, true});
        }
        return entries;
    }
};

TEST_F(CleanRunnerTest, eachRowSaysWhatWentAndListsItsLinesWithBackupsAndJournal) {
    const QList<FileEntry> entries = putPages();
    BatchRunner(env).run({BatchCommand::Clean, 0, entries, folder});

    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(content(QStringLiteral("%1.txt").arg(i)), QStringLiteral("第%1章\r\n他走了%1次。\r\n").arg(i).toUtf8());
    const QList<RecordingSink::Row> rows = sink.calls();
    ASSERT_EQ(rows.size(), 6 * 3 + 1);
    EXPECT_EQ(rows.at(0), row(16, "1.txt", "完成", "删除 2 行", "blue"));
    EXPECT_EQ(rows.at(1), row(16, "1.txt", FileStep::removedLineStatus(), "书香小筑 独家连载", ""));
    EXPECT_EQ(rows.at(2), row(16, "1.txt", FileStep::removedLineStatus(), "上一章 | 目录 | 下一章", ""));
    // Each file backed up once, and the batch journalled as "clean".
    const QStringList tree = TestFiles::treeOf(state.BackupFolder);
    EXPECT_EQ(tree.size(), 7);
    EXPECT_TRUE(QString::fromUtf8(TestFiles::read(state.BackupFolder + tree.last())).contains("clean"));
    // The starting rules were written into the app folder on first use.
    EXPECT_TRUE(QFile::exists(state.AppFolder + CleanupRules::fileName()));
}

TEST_F(CleanRunnerTest, invisibleCharactersGoAndOtherFormatCharactersAreCountedInTheRow) {
    put("a.txt", QStringLiteral("他\u200B走了。\r\n").toUtf8());
    put("b.txt", QStringLiteral("\u202A他走了。\u202C\r\n").toUtf8());
    BatchRunner(env).run({BatchCommand::Clean, 0, {{"a.txt", true}, {"b.txt", true}}, folder});
    EXPECT_EQ(content("a.txt"), QStringLiteral("他走了。\r\n").toUtf8());
    EXPECT_EQ(content("b.txt"), QStringLiteral("\u202A他走了。\u202C\r\n").toUtf8());
    EXPECT_EQ(sink.calls(), (QList<RecordingSink::Row>{
                                FewFilesNote,
                                row(50, "a.txt", "完成", "删除 1 个不可见字符", "blue"),
                                row(100, "b.txt", "完成", FileStep::unchangedReason() + "；另有 2 个格式字符未动", "blue"),
                                Completion,
                            }));
}

TEST_F(CleanRunnerTest, aSmallBatchSaysItLearnsNothingAndAFileNamedTwiceCountsOnce) {
    // Four pages, one named twice: five names, but four files are too few to learn from.
    QList<FileEntry> entries = putPages().mid(0, 4);
    entries.append(entries.at(0));
    BatchRunner(env).run({BatchCommand::Clean, 0, entries, folder});

    EXPECT_EQ(content("2.txt"), QStringLiteral("书香小筑 独家连载\r\n第2章\r\n他走了2次。\r\n").toUtf8());
    EXPECT_EQ(sink.calls().at(0), FewFilesNote);
}

TEST_F(CleanRunnerTest, theRulesOnlyLeaveTheSitesOwnLine) {
    const QList<FileEntry> entries = putPages();
    BatchRunner runner(env);
    runner.setCleanOptions({{}, false});
    runner.run({BatchCommand::Clean, 0, entries, folder});
    EXPECT_EQ(content("1.txt"), QStringLiteral("书香小筑 独家连载\r\n第1章\r\n他走了1次。\r\n").toUtf8());
}

TEST_F(CleanRunnerTest, theUsersRuleFileHoldsForADryRunAndTheDryRunChangesNothing) {
    put("a.txt", "飘天文学 首发\r\n他走了。\r\n");
    ASSERT_TRUE(TestFiles::write(state.AppFolder + CleanupRules::fileName(), "= 飘天*首发\n"));
    DryRun dry(env);
    const QString copy = dry.mirror(folder, {"a.txt"});
    BatchRunner(dry.env()).run({BatchCommand::Clean, 0, {{"a.txt", true}}, copy});
    dry.report(false);

    EXPECT_EQ(content("a.txt"), QStringLiteral("飘天文学 首发\r\n他走了。\r\n").toUtf8());
    EXPECT_TRUE(sink.calls().contains(row(0, "a.txt", FileStep::removedLineStatus(), "飘天文学 首发", "")))
        << "the preview lists the line that would go";
}

TEST_F(CleanRunnerTest, theWizardsCleanStageRunsBeforeTheMergeAndIsOffByDefault) {
    putPages();
    WizardOptions options;
    options.folder = folder;
    options.html = false;
    options.merge = true;
    options.deleteMerged = false;
    options.newName = "book.txt";
    EXPECT_FALSE(options.clean);
    options.clean = true;
    WizardRunner runner(env);
    ASSERT_EQ(runner.prepare(options), QString());
    runner.run(options);
    const QString book = QString::fromUtf8(content("book.txt"));
    EXPECT_FALSE(book.contains("书香小筑")) << book.toStdString();
    EXPECT_TRUE(book.contains("第6章"));
}

} // namespace
