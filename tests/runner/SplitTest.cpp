#include "EpubBooks.h"
#include "RunnerFixture.h"
#include "core/ChapterOrder.h"
#include "platform/ChineseConverter.h"
#include "platform/TextReader.h"
#include "runner/BackupCatalog.h"
#include "runner/CheckRunner.h"
#include "runner/MergeStep.h"
#include "runner/RestoreRunner.h"
#include "runner/SplitRunner.h"

#include <QStringEncoder>

namespace {

class SplitTest : public RunnerFixture {
protected:
    // The split's files in chapter reading order, as `merge --sort` takes them.
    QStringList sortedParts() const {
        QStringList names = TestFiles::filesIn(folder + "parts/");
        ChapterOrder::sort(names);
        return names;
    }
};

// Front matter, a volume heading on its own line and one sharing its line with a chapter, a volume
// with no chapter, chapters whose numbers go past the counter's.
QString bookText() {
    EpubBooks::Book book = EpubBooks::novel(0, 3, 2);
    book.volume("第二卷 风起");
    book.text(QString());
    book.chapter("第1章 新的开始");
    book.text("　　" + EpubBooks::sentences().value(7));
    book.chapter("下卷 第一回　灵根育孕源流出");
    book.text("　　" + EpubBooks::sentences().value(8));
    book.chapter("第二回 a/b\\c");
    book.text("　　" + EpubBooks::sentences().value(9));
    book.volume("第三卷 尾");
    book.text("　　只有一段。");
    return book.joined();
}

// Merging the files of a split in reading order gives the book back byte for byte, whatever its
// encoding and line ends, bytes that do not decode included.
TEST_F(SplitTest, mergingTheFilesInReadingOrderGivesTheBookBackByteForByte) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QByteArray inLastPart; // bytes the last file holds as the book does
    };
    QStringEncoder gb("GB18030");
    const QString text = bookText();
    QByteArray legacy = gb.encode(QString(text).replace(u'\n', QLatin1String("\r\n")));
    legacy.replace(QByteArray(gb.encode(QStringLiteral("只有一段"))),
                   QByteArray("\x81\xFF") + QByteArray(gb.encode(QStringLiteral("只有"))));
    const Case cases[] = {
        {"UTF-8, LF", text.toUtf8(), QStringLiteral("只有一段。\n").toUtf8()},
        {"GB18030, CR LF, with bytes that do not decode", legacy, "\x81\xFF"},
        {"UTF-8 with BOM, CR LF", "\xEF\xBB\xBF" + QString(text).replace(u'\n', QLatin1String("\r\n")).toUtf8(),
         "\xEF\xBB\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(folder + "parts").removeRecursively();
        put("book.txt", c.bytes);
        ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
        const QStringList parts = sortedParts();
        EXPECT_EQ(parts, QStringList({"0000 book.txt", "0001 第1章 章名1.txt", "0002 第2章 章名2.txt",
                                      "0003 第3章 章名3.txt", "0004 第1章 新的开始.txt",
                                      "0005 第一回 灵根育孕源流出.txt", "0006 第二回 a b c.txt", "0007 尾.txt"}));
        QStringList paths;
        for (const QString& part : parts)
            paths.append(folder + "parts/" + part);
        QFile::remove(path("back.txt"));
        ASSERT_TRUE(mergeAsBatch(env, paths, path("back.txt")));
        EXPECT_EQ(content("back.txt"), c.bytes);
        EXPECT_TRUE(TestFiles::read(paths.back()).contains(c.inLastPart)) << "each file in the book's own format";
    }
}

// Where two byte arrays first differ (a whole book printed helps no one).
qsizetype firstDifference(const QByteArray& a, const QByteArray& b) {
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return i;
}

// Every encoding and line end a book comes in, with or without a line end after its last line: each
// file of the split is in the book's format, and merging them in reading order gives the book back.
TEST_F(SplitTest, everyEncodingAndLineEndComesBackByteForByte) {
    const QString simplified = bookText();
    const QString traditional = ChineseConverter::instance().convert(simplified, ChineseConverter::ToTraditional);
    const struct {
        const char* name;
        QByteArray bom;
        TextEncoding encoding;
    } encodings[] = {
        {"GB18030", {}, TextEncoding::Gb18030},
        {"Big5", {}, TextEncoding::Big5},
        {"UTF-8", {}, TextEncoding::Utf8},
        {"UTF-8", "\xEF\xBB\xBF", TextEncoding::Utf8Bom},
        {"UTF-16LE", "\xFF\xFE", TextEncoding::Utf16LE},
        {"UTF-16BE", "\xFE\xFF", TextEncoding::Utf16BE},
    };
    const struct {
        const char* name;
        QString text;
        LineEnd lineEnd;
    } lineEnds[] = {{"CR LF", "\r\n", LineEnd::CrLf}, {"LF", "\n", LineEnd::Lf}, {"lone CR", "\r", LineEnd::Cr}};
    for (const auto& e : encodings) {
        for (const auto& l : lineEnds) {
            for (const bool lastEnded : {true, false}) {
                const TextFormat format{e.encoding, l.lineEnd};
                SCOPED_TRACE(encodingName(e.encoding).toStdString() + ", " + l.name +
                             (lastEnded ? ", last line ended" : ", last line open"));
                QString text = e.encoding == TextEncoding::Big5 ? traditional : simplified;
                text.replace(u'\n', l.text);
                if (!lastEnded)
                    text.chop(l.text.size());
                QStringEncoder encoder(e.name);
                const QByteArray book = e.bom + QByteArray(encoder.encode(text));
                ASSERT_FALSE(encoder.hasError()) << "the text fits the encoding";
                QDir(folder + "parts").removeRecursively();
                put("book.txt", book);
                ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
                QStringList paths;
                for (const QString& part : sortedParts()) {
                    paths.append(folder + "parts/" + part);
                    TextReader reader;
                    ASSERT_TRUE(reader.open(paths.last()));
                    EXPECT_EQ(reader.format(), format) << qPrintable(part);
                }
                ASSERT_EQ(paths.size(), 8);
                QFile::remove(path("back.txt"));
                ASSERT_TRUE(mergeAsBatch(env, paths, path("back.txt")));
                const QByteArray back = content("back.txt");
                EXPECT_TRUE(back == book) << "sizes " << back.size() << " and " << book.size()
                                          << ", first difference at " << firstDifference(back, book);
            }
        }
    }
}

// The files of a book whose volumes number their chapters again check as clean as the book does; a
// chapter file taken away is still a gap.
TEST_F(SplitTest, theFilesOfABookWhoseVolumesStartAgainCheckAsTheBookDoes) {
    const QStringList sentences = EpubBooks::sentences();
    EpubBooks::Book book;
    qsizetype next = 0;
    for (int v = 1; v <= 3; ++v) {
        book.volume(QStringLiteral("第%1卷 卷名").arg(v));
        for (int c = 1; c <= 4; ++c) {
            book.chapter(QStringLiteral("第%1章 章名").arg(c));
            for (int p = 0; p < 3; ++p)
                book.text("　　" + sentences.value(next++ % sentences.size()));
        }
    }
    put("book.txt", book.joined().toUtf8());
    ASSERT_EQ(CheckRunner::checkBook(env, path("book.txt")), CheckRunner::Outcome::Clean);
    ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
    sink.clear();
    EXPECT_EQ(CheckRunner::checkFolder(env, folder + "parts/"), CheckRunner::Outcome::Clean);
    EXPECT_TRUE(sink.rows().isEmpty()) << qPrintable(sink.rows().value(0).text + " " + sink.rows().value(0).status);

    ASSERT_TRUE(QFile::remove(folder + "parts/0007 第3章 章名.txt"));
    EXPECT_EQ(CheckRunner::checkFolder(env, folder + "parts/"), CheckRunner::Outcome::Found);
    ASSERT_EQ(sink.rows().size(), 1);
    EXPECT_EQ(sink.rows().first().status, "缺章");
    EXPECT_EQ(sink.rows().first().text, "0008 第4章 章名.txt");
}

// A book whose lines end in CR LF and in lone CRs (a lone LF inside a line): the files of the split,
// joined, are the book byte for byte.
TEST_F(SplitTest, eachLineKeepsItsOwnEnd) {
    for (const char* codec : {"UTF-8", "GB18030", "UTF-16LE"}) {
        SCOPED_TRACE(codec);
        QStringEncoder encoder(codec);
        const QByteArray book = encoder.encode(QStringLiteral("书\r第一章 甲\r正文\n一。\r\n第二章 乙\r\n正文二。\r"));
        QDir(folder + "parts").removeRecursively();
        put("book.txt", book);
        ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
        QByteArray joined;
        for (const QString& part : sortedParts())
            joined += content("parts/" + part);
        EXPECT_EQ(joined, book);
    }
}

// A part that, read alone, is taken for another encoding (a short GB18030 line that reads as Big5) is
// named in a yellow row: merging the files without saying their encoding would change its text.
TEST_F(SplitTest, aFileThatReadsAloneAsAnotherEncodingIsNamed) {
    QStringEncoder gb("GB18030");
    // A short line of front matter that is mostly ASCII reads as Big5 on its own.
    put("book.txt", gb.encode(QStringLiteral("exit()或 setjmp()/longjm\r\n第1章 甲\r\n　　正文一，正文二。\r\n")));
    ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
    QStringList named;
    for (const RecordingSink::Row& row : sink.rows()) {
        if (row.mark == "yellow")
            named.append(row.text + " " + row.reason);
    }
    EXPECT_EQ(named, QStringList{folder + "parts/0000 book.txt 单独读取时会被当作 Big5 编码：合并这些文件时请指定按 "
                                          "GB18030 读取，否则这一章的文字会变"});
}

// A book that cannot be read leaves no chapter folder behind; nor does an empty one.
TEST_F(SplitTest, aBookThatCannotBeReadMakesNoFolder) {
    put("picture.txt", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    for (const char* name : {"missing.txt", "picture.txt"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(SplitRunner::run(env, path(name), folder + "parts"));
        EXPECT_FALSE(QDir(folder + "parts").exists());
    }
    // An empty book has nothing to split: no folder, and a row that says so.
    put("empty.txt", "");
    sink.clear();
    EXPECT_TRUE(SplitRunner::run(env, path("empty.txt"), folder + "parts"));
    EXPECT_FALSE(QDir(folder + "parts").exists());
    ASSERT_EQ(sink.rows().size(), 1);
    EXPECT_EQ(sink.rows().first().reason, "书中没有文字：无从拆分");
}

Heading heading(qint64 line, Heading::Level level, const QString& text, const QString& title = QString()) {
    Heading h;
    h.line = line;
    h.level = level;
    h.text = text;
    h.title = title;
    return h;
}

// Names keep the reading order: a title whose numbers would outrank the counter leaves all the words out.
TEST_F(SplitTest, namesKeepTheReadingOrder) {
    using L = Heading::Level;
    struct Case {
        const char* name;
        QList<Heading> headings;
        QStringList names;
    };
    const Case cases[] = {
        {"no front matter; a volume goes with its chapter, named by the chapter",
         {heading(1, L::Volume, "第一卷 起", "起"), heading(2, L::Chapter, "第一章")},
         {"0001 第一章.txt"}},
        {"a title with a volume number larger than the counters'",
         {heading(1, L::Chapter, "第一章 第九十九卷的秘密"), heading(5, L::Chapter, "第二章")},
         {"0001.txt", "0002.txt"}},
        {"words no file name can hold as they are",
         {heading(1, L::Chapter, QStringLiteral("第一章 ") + QChar(0xD800))},
         {"0001.txt"}},
        {"control characters and slashes",
         {heading(3, L::Chapter, "第一章 a/\tb")},
         {"0000 书.txt", "0001 第一章 a b.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList names;
        for (const SplitRunner::Piece& piece : SplitRunner::plan(c.headings, 10, "书"))
            names.append(piece.name);
        EXPECT_EQ(names, c.names);
    }
}

// A file that is there already stays unless the user agrees; a restore removes the files the split made.
TEST_F(SplitTest, anExistingFileStaysUnlessAgreedAndARestoreRemovesTheFiles) {
    put("book.txt", "第一章 甲\n正文一。\n第二章 乙\n正文二。\n");
    QDir(folder).mkdir("parts");
    put("parts/0002 第二章 乙.txt", "mine");
    prompt.queue({false});
    ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
    EXPECT_EQ(content("parts/0002 第二章 乙.txt"), "mine");
    EXPECT_EQ(content("parts/0001 第一章 甲.txt"), "第一章 甲\n正文一。\n");
    EXPECT_EQ(sink.rows().size(), 2) << "a done row and the refusal";

    const QList<BackupBatch> batches = BackupCatalog::list(state.BackupFolder);
    ASSERT_FALSE(batches.isEmpty());
    EXPECT_EQ(RestoreRunner(env).run({batches.first().id, {}, RestoreRequest::Changed::Skip}).restored, 1);
    EXPECT_EQ(TestFiles::filesIn(folder + "parts/"), QStringList{"0002 第二章 乙.txt"});
}

// A stop anywhere leaves only whole files of the split (no half-written file, no temporary file).
TEST_F(SplitTest, aStopLeavesOnlyWholeFiles) {
    put("book.txt", EpubBooks::novel(2, 20, 40).joined().toUtf8());
    ASSERT_TRUE(SplitRunner::run(env, path("book.txt"), folder + "full"));
    const QStringList all = TestFiles::filesIn(folder + "full/");
    TextReader::chunkSizeForTesting(4096);
    for (const int events : {1, 5, 20, 40}) {
        SCOPED_TRACE(events);
        QDir(folder + "parts").removeRecursively();
        sink.clear();
        sink.pulseAtEveryChance();
        sink.stopAfterEvents(events);
        EXPECT_FALSE(SplitRunner::run(env, path("book.txt"), folder + "parts"));
        ASSERT_FALSE(sink.rows().isEmpty());
        EXPECT_EQ(sink.rows().back().text, "-已停止-");
        const QStringList parts = TestFiles::filesIn(folder + "parts/");
        EXPECT_LT(parts.size(), all.size());
        for (const QString& part : parts) {
            EXPECT_TRUE(all.contains(part)) << qPrintable(part);
            EXPECT_EQ(content("parts/" + part), content("full/" + part)) << qPrintable(part);
        }
    }
    TextReader::chunkSizeForTesting(0);
}

} // namespace
