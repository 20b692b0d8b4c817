#include "runner/WizardRunner.h"
#include "RunnerFixture.h"

#include <QFileInfo>
#include <sys/stat.h>

namespace {

class WizardRunnerTest : public RunnerFixture {
protected:
    WizardOptions options(bool html, bool merge, const QString& name = QString()) {
        WizardOptions o;
        o.folder = folder;
        o.html = html;
        o.merge = merge;
        o.newName = name;
        o.deleteMerged = false;
        return o;
    }

    // Runs the checks and, when they pass, the stages; returns the checks' message.
    QString runWizard(WizardOptions o) {
        WizardRunner runner(env);
        const QString message = runner.prepare(o);
        if (message.isEmpty())
            runner.run(o);
        return message;
    }

    // Every backup copy as "hour/batch/name: content", the hour folder's name left out.
    // The backup copies (the batches' journals left out).
    QStringList backups() const {
        QStringList copies;
        for (const QString& file : TestFiles::treeOf(state.BackupFolder)) {
            if (file.endsWith(QLatin1String("/quillmar-journal.txt")))
                continue;
            copies.append(file.section(u'/', 1) + ": " + QString::fromUtf8(TestFiles::read(state.BackupFolder + file)));
        }
        return copies;
    }

    QStringList rowTexts() const {
        QStringList texts;
        for (const RecordingSink::Row& r : sink.rows())
            texts.append(r.text);
        return texts;
    }
};

TEST_F(WizardRunnerTest, aBlankNameIsRefusedBeforeAnythingHappens) {
    put("a.htm", "x");
    EXPECT_EQ(runWizard(options(true, true, "   ")), "请输入合并后的文件名。");
    EXPECT_TRUE(sink.calls().isEmpty());
    EXPECT_EQ(TestFiles::filesIn(folder), QStringList{"a.htm"});
}

TEST_F(WizardRunnerTest, theNameGetsItsExtensionAndThePrefixIsPromoted) {
    WizardRunner runner(env);
    WizardOptions o = options(false, true, " [全本]book ");
    o.prefix = "[全本]";
    ASSERT_EQ(runner.prepare(o), QString());
    EXPECT_EQ(o.newName, "[全本]book.txt");
    EXPECT_EQ(state.PrefixList.first(), "[全本]");

    WizardOptions upper = options(false, true, "book.TXT");
    ASSERT_EQ(runner.prepare(upper), QString());
    EXPECT_EQ(upper.newName, "book.TXT");
}

TEST_F(WizardRunnerTest, aMissingFolderOrAnUnusableNameIsRefused) {
    WizardOptions o = options(true, false);
    o.folder = folder + "missing/";
    EXPECT_FALSE(runWizard(o).isEmpty());
    EXPECT_FALSE(runWizard(options(false, true, "../up")).isEmpty());
    EXPECT_TRUE(sink.calls().isEmpty());
}

TEST_F(WizardRunnerTest, pagesAreConvertedMergedAndReflowedInStageOrder) {
    put("01.htm", "<p>第一章</p>\r\n");
    put("02.html", "<title>二</title>正文。\r\n");
    WizardOptions o = options(true, true, "book");
    o.para = true;
    ASSERT_EQ(runWizard(o), QString());

    EXPECT_EQ(rowTexts(), (QStringList{"-html转换-", "02.html", "01.htm", "-合并文本文件-", path("01.txt"),
                                       path("02.txt"), "-智能分段-", "01.txt", "02.txt", "book.txt"}));
    EXPECT_EQ(sink.calls().last(), Completion);
    // The merged text went through the re-flow too: the short heading lines are joined.
    EXPECT_TRUE(QFile::exists(path("book.txt")));
    EXPECT_FALSE(content("book.txt").contains("\r\n\r\n\r\n"));
}

// The e-book is made last, of the merged text as the later stages left it; without a merge there is
// nothing to make it of.
TEST_F(WizardRunnerTest, theEbookOfTheMergedTextComesAfterTheLastStage) {
    put("1.txt", "第一章 起\r\n一。\r\n");
    put("2.txt", "第二章 承\r\n二。\r\n");
    WizardOptions o = options(false, true, "book");
    o.space = true;
    o.epub = true;
    ASSERT_EQ(runWizard(o), QString());
    const QStringList texts = rowTexts();
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts.mid(texts.size() - 2), (QStringList{"-制作电子书-", path("book.epub")}));
    EXPECT_GT(texts.indexOf("-删除空格-"), texts.indexOf("-合并文本文件-"));
    EXPECT_LT(texts.indexOf("-删除空格-"), texts.indexOf("-制作电子书-"));
    EXPECT_TRUE(QFile::exists(path("book.epub")));

    sink.clear();
    put("3.txt", "第三章 转\r\n");
    o = options(false, false, "other");
    o.epub = true;
    ASSERT_EQ(runWizard(o), QString());
    EXPECT_FALSE(rowTexts().contains("-制作电子书-"));
    EXPECT_FALSE(QFile::exists(path("other.epub")));
}

TEST_F(WizardRunnerTest, savedChapterPagesBecomeOneBookInReadingOrder) {
    // Real saved pages (UTF-8 and GBK), named as a site numbers its chapters; the folder lists them
    // the other way round.
    const QString data = QStringLiteral(QM_TEST_DATA "/pages/");
    const std::pair<const char*, const char*> pages[] = {
        {"第10章.html", "utf8-http-equiv"}, {"第2章.htm", "gbk-chapter"}, {"第一章.html", "utf8-chapter"}};
    for (const auto& [name, page] : pages) {
        const QString source = data + QLatin1String(page);
        put(QString::fromUtf8(name), TestFiles::read(source + (QFile::exists(source + ".htm") ? ".htm" : ".html")));
    }
    WizardOptions o = options(true, true, "book");
    o.deleteHtml = true;
    o.deleteMerged = true;
    ASSERT_EQ(runWizard(o), QString());
    ASSERT_EQ(TestFiles::filesIn(folder), QStringList{"book.txt"});

    QStringList lines;
    for (const QString& line : QString::fromUtf8(content("book.txt")).split(u'\n'))
        lines.append(line.trimmed());
    qsizetype previous = -1;
    for (const char* page : {"utf8-chapter", "gbk-chapter", "utf8-http-equiv"}) {
        const QString expected = QString::fromUtf8(TestFiles::read(data + QLatin1String(page) + ".expected.txt"));
        for (const QString& paragraph : expected.split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype at = lines.indexOf(paragraph);
            EXPECT_GT(at, previous) << page << ": " << paragraph.toStdString();
            previous = std::max(previous, at);
        }
    }
}

TEST_F(WizardRunnerTest, indexFilesAreMergedFirstInNormalOrderOrLeftOut) {
    // Every round starts from the same four files and replaces the book of the one before.
    prompt.setDefaultAnswer(true);
    auto mergedOrder = [&](int indexMode) {
        sink.clear();
        WizardOptions o = options(false, true, "all.txt");
        o.indexMode = indexMode;
        o.deleteMerged = true;
        const std::pair<const char*, QByteArray> files[] = {
            {"第1章.txt", "one"}, {"第10章.txt", "ten"}, {"Index.txt", "Index"}, {"index2.txt", "index2"}};
        for (const auto& [name, text] : files)
            put(name, text);
        EXPECT_EQ(runWizard(o), QString());
        QStringList merged;
        for (const RecordingSink::Row& r : sink.rows()) {
            if (r.status == "合并完成")
                merged.append(r.text.mid(folder.size()));
        }
        return merged;
    };
    EXPECT_EQ(mergedOrder(0), (QStringList{"Index.txt", "index2.txt", "第1章.txt", "第10章.txt"}));
    EXPECT_EQ(content("all.txt"), "Index\r\nindex2\r\none\r\nten") << "it ends as the last file ends";
    EXPECT_EQ(TestFiles::filesIn(folder), QStringList{"all.txt"}) << "merged sources deleted";

    // In reading order: a name without a number first, then by number.
    EXPECT_EQ(mergedOrder(1), (QStringList{"Index.txt", "第1章.txt", "index2.txt", "第10章.txt"}));

    EXPECT_EQ(mergedOrder(2), (QStringList{"第1章.txt", "第10章.txt"}));
    EXPECT_EQ(TestFiles::filesIn(folder), (QStringList{"Index.txt", "all.txt", "index2.txt"}))
        << "index files left out are not deleted";
}

TEST_F(WizardRunnerTest, theMergedFileIsNeverItsOwnSourceNorDeleted) {
    put("a.txt", "A");
    put("book.txt", "old result");
    WizardOptions o = options(false, true, "book.txt");
    o.deleteMerged = true;
    // The existing book is replaced only after "Yes"; after "No" nothing is merged nor deleted.
    ASSERT_EQ(runWizard(o), QString());
    EXPECT_EQ(prompt.asked().size(), 1);
    EXPECT_EQ(content("book.txt"), "old result");
    EXPECT_EQ(TestFiles::filesIn(folder), (QStringList{"a.txt", "book.txt"}));
    EXPECT_TRUE(sink.rows().contains(row(0, path("book.txt"), "用户中止", "文件已存在", "yellow")));

    prompt.setDefaultAnswer(true);
    ASSERT_EQ(runWizard(o), QString());
    EXPECT_EQ(content("book.txt"), "A");
    EXPECT_EQ(TestFiles::filesIn(folder), QStringList{"book.txt"});
    EXPECT_EQ(backups(), (QStringList{"000/a.txt: A", "000/book.txt: old result"}))
        << "the replaced book and the deleted source are both kept";
}

TEST_F(WizardRunnerTest, deletedPagesAreNotedAndOnlyConvertedOnesGo) {
    put("a.HTM", "<p>a</p>");
    put("b.htm", "b");
    put("b.txt", "keep");
    prompt.setDefaultAnswer(false); // b.txt exists: do not overwrite
    WizardOptions o = options(true, false);
    o.deleteHtml = true;
    ASSERT_EQ(runWizard(o), QString());
    EXPECT_FALSE(QFile::exists(path("a.HTM")));
    EXPECT_TRUE(QFile::exists(path("a.txt")));
    EXPECT_TRUE(QFile::exists(path("b.htm"))) << "a page whose conversion did not happen stays";
    const QList<RecordingSink::Row> rows = sink.rows();
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ(rows.at(rows.size() - 2), row(0, "-源文件已删除-", "", "", "yellow"));
    EXPECT_EQ(rows.last(), row(0, "1 个源文件已移入备份", "", "撤销这批即可取回（20030705-14/000）", "yellow"))
        << "the batch's last row says how many files wait in the backup";
    EXPECT_EQ(backups(), QStringList{"000/a.HTM: <p>a</p>"});

    // A ".txt" replaced after "Yes" is kept too.
    put("b.txt", "keep");
    prompt.setDefaultAnswer(true);
    ASSERT_EQ(runWizard(o), QString());
    EXPECT_EQ(backups(), (QStringList{"000/a.HTM: <p>a</p>", "001/b.htm: b", "001/b.txt: keep"}));
}

TEST_F(WizardRunnerTest, stagesThatAreOffWriteNothingAndEmptyStagesOnlyTheirTitle) {
    WizardOptions o = options(true, true, "x");
    o.space = true;
    o.code = 2;
    ASSERT_EQ(runWizard(o), QString());
    EXPECT_EQ(rowTexts(), (QStringList{"-html转换-", "-合并文本文件-", "-删除空格-", "-内码转换-"}));
    EXPECT_EQ(sink.calls().last(), Completion);
    EXPECT_TRUE(TestFiles::filesIn(folder).isEmpty()) << "an empty merge list merges nothing";
}

// The wizard works on the folder's own text: a link out of the folder and a FIFO are left alone (a
// FIFO opened for reading would wait for a writer for ever); a link to a file of the folder is followed.
TEST_F(WizardRunnerTest, onlyRegularFilesAndLinksInsideTheFolderAreWorkedOn) {
    const QString outside = folder + QStringLiteral("../outside/");
    ASSERT_TRUE(QDir().mkpath(outside));
    const QByteArray secret = "秘\n密\n";
    ASSERT_TRUE(TestFiles::write(outside + "secret.txt", secret));
    ASSERT_TRUE(QFile::link(outside + "secret.txt", path("001.txt")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("002.txt")).constData(), 0644), 0);
    put("003.txt", "第\n三\n");
    ASSERT_TRUE(QFile::link(QStringLiteral("003.txt"), path("004.txt")));
    WizardOptions o = options(false, false);
    o.width = 2;
    ASSERT_EQ(runWizard(o), QString());

    EXPECT_EQ(rowTexts(), (QStringList{"-字符转换-", "003.txt", "004.txt"}));
    EXPECT_EQ(TestFiles::read(outside + "secret.txt"), secret);
    EXPECT_TRUE(QFileInfo(path("004.txt")).isSymLink());
}

} // namespace
