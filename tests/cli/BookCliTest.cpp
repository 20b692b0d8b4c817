#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "runner/EpubBooks.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs the built quillmar-cli's book commands on files in a temporary folder.
class BookCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_root.isValid());
        work = m_root.path() + "/";
    }

    int run(const QStringList& arguments) {
        QProcess process;
        process.start(QStringLiteral(QM_BIN_DIR "/quillmar-cli"),
                      QStringList{"--app-dir", work + "app", "--quiet"} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    static QByteArray gb18030(const QString& text) {
        QStringEncoder encoder("GB18030");
        return encoder.encode(text);
    }

    QString work;
    QString out;
    QString err;

private:
    QTemporaryDir m_root;
};

// A GB18030 book with CR LF line ends: the reader decodes it, the rows give line, level, number,
// heading and mark; a repeated number is doubtful.
TEST_F(BookCliTest, chaptersPrintsOneRowPerHeading) {
    ASSERT_TRUE(TestFiles::write(
        work + "book.txt", gb18030("《西游》\r\n上卷 第一回　灵根育孕源流出\r\n正文。\r\n第二回　悟彻菩提真妙理\r\n"
                                   "他打了第六回合\r\n第二回　悟彻菩提真妙理\r\n正文。\r\n后记\r\n")));
    EXPECT_EQ(run({"chapters", work + "book.txt"}), 0) << err.toStdString();
    EXPECT_EQ(out, "2\t1\t\t上卷\t\n"
                   "2\t2\t1\t第一回　灵根育孕源流出\t\n"
                   "4\t2\t2\t第二回　悟彻菩提真妙理\t\n"
                   "6\t2\t2\t第二回　悟彻菩提真妙理\tdoubtful\n"
                   "8\t2\t\t后记\t\n");
    EXPECT_EQ(run({"chapters", work + "book.txt", "--json"}), 0);
    const QStringList objects = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(objects.size(), 5);
    EXPECT_EQ(
        objects[4],
        R"({"doubtful":false,"label":"后记","level":2,"line":8,"number":null,"offset":67,"text":"后记","title":""})");
}

TEST_F(BookCliTest, aFileThatIsNotTextIsRefused) {
    ASSERT_TRUE(TestFiles::write(work + "picture.txt", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)));
    EXPECT_EQ(run({"chapters", work + "picture.txt"}), 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains("picture.txt")) << err.toStdString();
    EXPECT_EQ(run({"check", work + "picture.txt"}), 1);
    EXPECT_TRUE(out.startsWith("picture.txt\t错误")) << out.toStdString();
    EXPECT_TRUE(out.endsWith("\tred\n"));
}

// A clean book exits 0 silently; a faulty one gives a yellow row per finding and exits 1; a folder of
// chapter files is checked file by file, a page saved as "name_2.txt" found by its name.
TEST_F(BookCliTest, checkRowsAndExitStatus) {
    ASSERT_TRUE(TestFiles::write(work + "clean.txt", "序章\n起。\n第一章 甲\n一。\n第二章 乙\n二。\n番外\n外。\n"));
    EXPECT_EQ(run({"check", work + "clean.txt"}), 0) << out.toStdString();
    EXPECT_TRUE(out.isEmpty());

    ASSERT_TRUE(TestFiles::write(work + "gap.txt", "第一章 甲\n一。\n第三章 丙\n三。\n"));
    EXPECT_EQ(run({"check", work + "gap.txt"}), 1);
    EXPECT_EQ(out, "第三章 丙\t缺章\t之前缺少第2章：补上缺的章节\tyellow\n");

    ASSERT_TRUE(QDir(work).mkdir("pages"));
    ASSERT_TRUE(TestFiles::write(work + "pages/565590.txt", "第一章 甲\n前半。\n"));
    ASSERT_TRUE(TestFiles::write(work + "pages/565590_2.txt", "后半。\n"));
    ASSERT_TRUE(TestFiles::write(work + "pages/565591.txt", "第二章 乙\n二。\n"));
    EXPECT_EQ(run({"check", work + "pages"}), 1);
    EXPECT_EQ(out, "565590_2.txt\t分页\t同一章的又一页：与上一页合并为一章\tyellow\n");

    // Nothing to check is no clean book: a yellow row, and the run fails.
    ASSERT_TRUE(QDir(work).mkdir("empty"));
    ASSERT_TRUE(TestFiles::write(work + "plain.txt", "只有一段正文，没有章节。\n"));
    EXPECT_EQ(run({"check", work + "empty"}), 1);
    EXPECT_EQ(out, work + "empty/\t检查完成\t未找到章节文件：无从检查\tyellow\n");
    EXPECT_EQ(run({"check", work + "plain.txt"}), 1);
    EXPECT_EQ(out, "plain.txt\t检查完成\t未找到章节标题：无从检查\tyellow\n");
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
}

// split into the folder named after the book, then merge --sort of what it wrote: the book again.
// epub takes chapter files in reading order with --sort.
TEST_F(BookCliTest, splitMergesBackAndEpubSortsChapterFiles) {
    const QByteArray book =
        gb18030("《西游》\r\n上卷 第一回　灵根育孕源流出\r\n正文。\r\n第二回　悟彻菩提真妙理\r\n又一段。\r\n");
    ASSERT_TRUE(TestFiles::write(work + "book.txt", book));
    ASSERT_EQ(run({"split", work + "book.txt"}), 0) << err.toStdString();
    const QStringList parts = TestFiles::filesIn(work + "book/");
    EXPECT_EQ(parts,
              QStringList({"0000 book.txt", "0001 第一回 灵根育孕源流出.txt", "0002 第二回 悟彻菩提真妙理.txt"}));
    QStringList paths;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        paths.append(work + "book/" + *it);
    ASSERT_EQ(run(QStringList{"merge", "--sort", "--output", work + "back.txt"} + paths), 0) << err.toStdString();
    EXPECT_EQ(TestFiles::read(work + "back.txt"), book);

    ASSERT_TRUE(TestFiles::write(work + "第2章.txt", "第二章 归来\n正文二。\n"));
    ASSERT_TRUE(TestFiles::write(work + "第10章.txt", "第十章 远行\n正文十。\n"));
    ASSERT_EQ(run({"epub", "--sort", "--title", "短篇", "--language", "zh-HK", work + "第10章.txt", work + "第2章.txt",
                   "--output", work + "b.epub"}),
              0)
        << err.toStdString();
    const EpubBooks::Epub epub(work + "b.epub");
    EXPECT_EQ(epub.shown(), QStringList({"h2:第二章 归来", "p:正文二。", "h2:第十章 远行", "p:正文十。"}));
    EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:title"), "短篇");
    EXPECT_EQ(epub.text("OEBPS/content.opf", "dc:language"), "zh-HK");

    EXPECT_EQ(run({"epub", work + "book.txt", "--output", work + "c.epub", "--language", "en"}), 2);
}

// A dry run of split and epub lists the files they would write, one row each, and writes nothing:
// not the chapter folder, not the e-book, and an e-book already there keeps its bytes.
TEST_F(BookCliTest, splitAndEpubDryRunsWriteNothing) {
    ASSERT_TRUE(TestFiles::write(work + "book.txt", "《西游》\n第一回　灵根\n正文。\n第二回　菩提\n又一段。\n"));
    ASSERT_EQ(run({"--dry-run", "split", work + "book.txt"}), 0) << err.toStdString();
    EXPECT_EQ(out, work + "book/0000 book.txt\t预览\t将新建，1 行\tblue\n" + work +
                       "book/0001 第一回 灵根.txt\t预览\t将新建，2 行\tblue\n" + work +
                       "book/0002 第二回 菩提.txt\t预览\t将新建，2 行\tblue\n");
    EXPECT_FALSE(QDir(work + "book").exists());

    // Files already there are previewed as overwritten, without a question.
    ASSERT_TRUE(QDir(work).mkdir("book"));
    ASSERT_TRUE(TestFiles::write(work + "book/0001 第一回 灵根.txt", "old"));
    ASSERT_EQ(run({"--dry-run", "split", work + "book.txt"}), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(work + "book/0001 第一回 灵根.txt\t预览\t")) << out.toStdString();
    EXPECT_FALSE(out.contains("用户中止")) << out.toStdString();
    EXPECT_EQ(TestFiles::read(work + "book/0001 第一回 灵根.txt"), "old");

    ASSERT_TRUE(TestFiles::write(work + "old.epub", "an older book"));
    ASSERT_EQ(run({"--dry-run", "epub", work + "book.txt", "--output", work + "old.epub"}), 0) << err.toStdString();
    const QString last = out.split('\n', Qt::SkipEmptyParts).constLast();
    EXPECT_TRUE(last.startsWith(work + "old.epub\t预览\t将覆盖原有文件，")) << out.toStdString();
    EXPECT_TRUE(last.endsWith(" 字节\tblue")) << out.toStdString();
    EXPECT_EQ(TestFiles::read(work + "old.epub"), "an older book");
    ASSERT_EQ(run({"--dry-run", "epub", work + "book.txt", "--output", work + "new.epub"}), 0);
    EXPECT_FALSE(QFile::exists(work + "new.epub"));
}

// An e-book named through a link is written through it, and restored through it: the link stays a link.
TEST_F(BookCliTest, epubWritesThroughALinkAndRestoreKeepsIt) {
    ASSERT_TRUE(TestFiles::write(work + "book.txt", "第一回　开始\n正文。\n"));
    ASSERT_TRUE(TestFiles::write(work + "real.epub", "old"));
    ASSERT_TRUE(QFile::link(work + "real.epub", work + "link.epub"));
    ASSERT_EQ(run({"--yes", "epub", work + "book.txt", "--output", work + "link.epub"}), 0) << out.toStdString();
    EXPECT_TRUE(QFileInfo(work + "link.epub").isSymLink());
    EXPECT_TRUE(TestFiles::read(work + "real.epub").startsWith("PK")) << "the link's target holds the e-book";

    ASSERT_EQ(run({"--yes", "restore", "last"}), 0) << out.toStdString();
    EXPECT_TRUE(QFileInfo(work + "link.epub").isSymLink());
    EXPECT_EQ(TestFiles::read(work + "real.epub"), "old");
}

// --no leaves a book or chapter file that is there as it was, and the run fails as every command's
// does when a file was not done; the row names the file that was kept.
TEST_F(BookCliTest, noKeepsTheFileThereAndFailsAsEveryCommandDoes) {
    ASSERT_TRUE(TestFiles::write(work + "book.txt", gb18030("第一回　开始\r\n正文。\r\n第二回　归来\r\n又一段。\r\n")));
    ASSERT_TRUE(QDir(work).mkdir("book"));
    const QString kept = work + "book/0001 第一回 开始.txt";
    ASSERT_TRUE(TestFiles::write(kept, "old"));
    ASSERT_TRUE(TestFiles::write(work + "book.epub", "old"));
    const struct {
        const char* command;
        QStringList arguments;
        QString target;
    } cases[] = {
        {"split", {"split", work + "book.txt"}, kept},
        {"epub", {"epub", work + "book.txt", "--output", work + "book.epub"}, work + "book.epub"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(run(QStringList{"--quiet", "--no"} + c.arguments), 1) << out.toStdString();
        EXPECT_EQ(TestFiles::read(c.target), "old");
        EXPECT_TRUE(out.contains(c.target + "\t用户中止\t文件已存在\tyellow\n")) << out.toStdString();
        EXPECT_FALSE(out.contains(work + "book.txt\t用户中止")) << "the source was not the file kept";
    }
}

} // namespace
