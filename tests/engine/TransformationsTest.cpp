#include "engine/Transformations.h"
#include "engine/LineTransform.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include "TextShown.h"
#include "fakes/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

// The bytes of a literal, embedded NULs included.
template <size_t N> QByteArray bytes(const char (&literal)[N]) {
    return QByteArray(literal, N - 1);
}

// Web page worked through line by line, plain ASCII (the same bytes in GB18030).
const QByteArray Page = bytes("<html><head><title>My Book</title>\r\n"
                              "<style>p {color:red}</style></head>\r\n"
                              "<body><!-- top -->\r\n"
                              "Chapter &amp; Verse<br>\r\n"
                              "<P>First &lt;para&gt; &copy; here</P>\r\n"
                              "<a href='next.htm'>Next</a> page\r\n"
                              "<script>var a=1;</script>End\r\n");

// In GB18030: '········第一章··起点', '', '　　天色已晚，他推开', '门走了进去。', '', '', '他说：',
// '··“你来了”', '短行', '', '结束', each followed by CR LF.
const QByteArray Chapter = bytes(
    "        \xb5\xda\xd2\xbb\xd5\xc2  \xc6\xf0\xb5\xe3\r\n\r\n\xa1\xa1\xa1\xa1\xcc\xec\xc9\xab\xd2\xd1\xcd\xed\xa3"
    "\xac\xcb\xfb\xcd\xc6\xbf\xaa\r\n\xc3\xc5\xd7\xdf\xc1\xcb\xbd\xf8\xc8\xa5\xa1\xa3\r\n\r\n\r\n\xcb\xfb\xcb\xb5"
    "\xa3\xba\r\n  \xa1\xb0\xc4\xe3\xc0\xb4\xc1\xcb\xa1\xb1\r\n\xb6\xcc\xd0\xd0\r\n\r\n\xbd\xe1\xca\xf8\r\n");
// '········第一章··起点↵↵　　天色已晚，他推开门走了进去。↵↵他说：↵··“你来了”↵短行↵↵结束'
const QByteArray ChapterReflowed = bytes(
    "        \xb5\xda\xd2\xbb\xd5\xc2  \xc6\xf0\xb5\xe3\r\n\r\n\xa1\xa1\xa1\xa1\xcc\xec\xc9\xab\xd2\xd1\xcd\xed\xa3"
    "\xac\xcb\xfb\xcd\xc6\xbf\xaa\xc3\xc5\xd7\xdf\xc1\xcb\xbd\xf8\xc8\xa5\xa1\xa3\r\n\r\n\xcb\xfb\xcb\xb5\xa3\xba"
    "\r\n  \xa1\xb0\xc4\xe3\xc0\xb4\xc1\xcb\xa1\xb1\r\n\xb6\xcc\xd0\xd0\r\n\r\n\xbd\xe1\xca\xf8");

class TransformFiles : public ::testing::Test {
protected:
    void TearDown() override { TextWriter::failAfterBytesForTesting(-1); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString put(const QString& name, const QByteArray& content) const {
        const QString file = path(name);
        EXPECT_TRUE(TestFiles::write(file, content));
        return file;
    }

    void expectFile(const QString& file, const QByteArray& expected) const {
        const QByteArray actual = TestFiles::read(file);
        if (actual != expected) {
            EXPECT_EQ(shownBytes(actual), shownBytes(expected));
        }
    }

private:
    QTemporaryDir m_dir;
};

TEST_F(TransformFiles, WebPageBecomesTextByteForByte) {
    const QString page = put(u"page.htm"_s, Page);
    ASSERT_TRUE(HtmlToText(page, path(u"dropped.txt"_s), true, nullptr, HtmlRules::Classic));
    expectFile(path(u"dropped.txt"_s),
               "\t\t\t\tMy Book\r\n\r\nChapter & Verse\r\n\r\nFirst <para> copy; here\r\n\r\n page\r\nEnd\r\n");
    ASSERT_TRUE(HtmlToText(page, path(u"kept.txt"_s), false, nullptr, HtmlRules::Classic));
    expectFile(path(u"kept.txt"_s),
               "\t\t\t\tMy Book\r\n\r\nChapter & Verse\r\n\r\nFirst <para> copy; here\r\n\r\nNext page\r\nEnd\r\n");
}

TEST_F(TransformFiles, WebPageKeepsItsDeclaredEncodingAndLineEnd) {
    // Declared gbk; its first text reads "浣犲ソ" in GBK (bytes that would also pass for UTF-8).
    const QString page =
        put(u"gbk.htm"_s, bytes("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
                                "<title>\xe4\xbd\xa0\xe5\xa5\xbd</title>\n"
                                "<p>\xd6\xd0 \xce\xc4</p>\n"));
    TransformReport report;
    ASSERT_TRUE(HtmlToText(page, path(u"gbk.txt"_s), true, &report));
    expectFile(path(u"gbk.txt"_s), bytes("\t\t\t\t\xe4\xbd\xa0\xe5\xa5\xbd\n\n\xd6\xd0 \xce\xc4\n"));
    EXPECT_EQ(report.unmappable, 0);
}

TEST_F(TransformFiles, SavedPagesGiveEveryParagraphOnALineOfItsOwn) {
    const struct {
        const char* page;
        TextEncoding encoding;
    } rows[] = {
        {"gbk-chapter.htm", TextEncoding::Gb18030},
        {"big5-article.html", TextEncoding::Big5},
        {"utf8-chapter.html", TextEncoding::Utf8},
        {"utf8-http-equiv.html", TextEncoding::Utf8},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        const QString data = QStringLiteral(QM_TEST_DATA "/pages/") + QLatin1String(row.page);
        const QString page = put(QLatin1String(row.page), TestFiles::read(data));
        TransformReport report;
        report.unmappablePolicy = UnmappablePolicy::QuestionMark; // the Big5 page's "&copy;"
        ASSERT_TRUE(HtmlToText(page, path(u"page.txt"_s), true, &report));
        QString text;
        TextFormat format;
        ASSERT_TRUE(TextReader::readAll(path(u"page.txt"_s), text, nullptr, &format));
        EXPECT_EQ(format.encoding, row.encoding);
        QStringList lines;
        for (const QString& line : text.split(QRegularExpression(u"\r\n|\n"_s)))
            lines.append(line.trimmed());
        const QString expected = QString::fromUtf8(TestFiles::read(data.section(u'.', 0, -2) + u".expected.txt"_s));
        for (const QString& paragraph : expected.split(u'\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(lines.contains(paragraph)) << shown(paragraph) << "\nnot a line of\n" << shown(text);
    }
}

TEST_F(TransformFiles, DeclaredEncodingDecidesHowTheLinesRead) {
    const QString page = put(u"p.htm"_s, bytes("\xe4\xbd\xa0\xe5\xa5\xbd\r\n"));
    QStringList seen;
    const LineHandler record = [&](QString& line, TextWriter&) {
        seen << line;
    };
    LineTransformOptions gbk;
    gbk.declaredEncoding = TextEncoding::Gb18030;
    ASSERT_TRUE(transformLines(page, path(u"a.txt"_s), record, nullptr, gbk));
    ASSERT_TRUE(transformLines(page, path(u"b.txt"_s), record));
    EXPECT_EQ(seen, QStringList({u"浣犲ソ"_s, u"你好"_s}));
}

TEST_F(TransformFiles, ChosenTargetFormatIsWritten) {
    const QString source = put(u"s.txt"_s, bytes("\xe4\xb8\xad\xe6\x96\x87\r\n"));
    LineTransformOptions options;
    options.targetFormat = [](const TextFormat&) {
        return TextFormat{TextEncoding::Utf16LE, LineEnd::Lf};
    };
    ASSERT_TRUE(transformLines(
        source, path(u"t.txt"_s), [](QString& line, TextWriter& out) { out.writeLine(line); }, nullptr, options));
    expectFile(path(u"t.txt"_s), bytes("\xff\xfe-N\x87"
                                       "e\n\x00"));
}

TEST_F(TransformFiles, ParagraphsReflowByteForByte) {
    const QString source = put(u"chapter.txt"_s, Chapter);
    for (int level = 0; level <= 3; ++level) {
        SCOPED_TRACE(level);
        ASSERT_TRUE(ReflowParagraphs(source, path(u"out.txt"_s), level));
        expectFile(path(u"out.txt"_s), ChapterReflowed);
    }
}

TEST_F(TransformFiles, UnixFileReflowsWithTheSameDecisions) {
    QByteArray unixChapter = Chapter;
    unixChapter.replace("\r\n", "\n");
    QByteArray expected = ChapterReflowed;
    expected.replace("\r\n", "\n");
    ASSERT_TRUE(ReflowParagraphs(put(u"unix.txt"_s, unixChapter), path(u"out.txt"_s), 0));
    expectFile(path(u"out.txt"_s), expected);

    // The break put in front of the indented line counts two characters in a Unix file too, so
    // '··123456789' (13 with it) is not short and the empty line after it gives one break.
    ASSERT_TRUE(ReflowParagraphs(put(u"short.txt"_s, "ab\n  123456789\n\nx\n"), path(u"short-out.txt"_s), 0));
    expectFile(path(u"short-out.txt"_s), "ab\n  123456789\nx");
}

TEST_F(TransformFiles, SpacesAreRemovedLineByLine) {
    // '中·文', '中··文', '·中·文·', 'Hello·world', '中·English', 'English·中', '１·２', '中　文', '。·”'
    // (the last without a line end).
    const QString source =
        put(u"s.txt"_s,
            bytes("\xd6\xd0 \xce\xc4\r\n\xd6\xd0  \xce\xc4\r\n \xd6\xd0 \xce\xc4 \r\nHello world\r\n\xd6\xd0 "
                  "English\r\nEnglish \xd6\xd0\r\n\xa3\xb1 \xa3\xb2\r\n\xd6\xd0\xa1\xa1\xce\xc4\r\n\xa1\xa3 \xa1\xb1"));
    ASSERT_TRUE(RemoveSpaces(source, path(u"t.txt"_s)));
    // "中文", '中··文', '·中文', 'Hello·world', '中·English', 'English·中', "１２", "中文", "。”", each with CR LF.
    expectFile(path(u"t.txt"_s),
               bytes("\xd6\xd0\xce\xc4\r\n\xd6\xd0  \xce\xc4\r\n \xd6\xd0\xce\xc4\r\nHello world\r\n\xd6\xd0 "
                     "English\r\nEnglish \xd6\xd0\r\n\xa3\xb1\xa3\xb2\r\n\xd6\xd0\xce\xc4\r\n\xa1\xa3\xa1\xb1\r\n"));
}

TEST_F(TransformFiles, UnicodeFilesKeepTheirEncoding) {
    ASSERT_TRUE(
        RemoveSpaces(put(u"bom.txt"_s, bytes("\xef\xbb\xbf\xe4\xb8\xad \xe6\x96\x87\r\n")), path(u"bom-out.txt"_s)));
    expectFile(path(u"bom-out.txt"_s), bytes("\xef\xbb\xbf\xe4\xb8\xad\xe6\x96\x87\r\n"));

    ASSERT_TRUE(RemoveSpaces(put(u"le.txt"_s, bytes("\xff\xfe-N \x00\x87"
                                                    "e\r\x00\n\x00")),
                             path(u"le-out.txt"_s)));
    expectFile(path(u"le-out.txt"_s), bytes("\xff\xfe-N\x87"
                                            "e\r\x00\n\x00"));

    ASSERT_TRUE(ReflowParagraphs(put(u"be.txt"_s, bytes("\xfe\xff\x4e\x2d\x00\r\x00\n\x00\r\x00\n\x65\x87")),
                                 path(u"be-out.txt"_s), 0));
    expectFile(path(u"be-out.txt"_s), bytes("\xfe\xff\x4e\x2d\x00\r\x00\n\x00\r\x00\n\x65\x87"));
}

TEST_F(TransformFiles, WidthConversionWritesItsTargetAndKeepsItsSource) {
    // 'ＡＢＣ　１２３' narrowed gives 'ABC 123'.
    const QString full = put(u"full.tmp"_s, bytes("\xa3\xc1\xa3\xc2\xa3\xc3\xa1\xa1\xa3\xb1\xa3\xb2\xa3\xb3"));
    ASSERT_TRUE(ConvertWidth(full, path(u"narrow.txt"_s), 0));
    expectFile(path(u"narrow.txt"_s), "ABC 123\r\n");
    expectFile(full, bytes("\xa3\xc1\xa3\xc2\xa3\xc3\xa1\xa1\xa3\xb1\xa3\xb2\xa3\xb3"));

    // 'Hello, world!' widened gives 'Ｈｅｌｌｏ，　ｗｏｒｌｄ！'.
    const QString half = put(u"half.tmp"_s, "\xd6\xd0\r\nHello, world!\r\n\r\n");
    ASSERT_TRUE(ConvertWidth(half, path(u"wide.txt"_s), 1));
    expectFile(path(u"wide.txt"_s), bytes("\xd6\xd0\r\n\xa3\xc8\xa3\xe5\xa3\xec\xa3\xec\xa3\xef\xa3\xac\xa1\xa1\xa3\xf7"
                                          "\xa3\xef\xa3\xf2\xa3\xec\xa3\xe4\xa3\xa1\r\n\r\n"));
    expectFile(half, "\xd6\xd0\r\nHello, world!\r\n\r\n");
}

TEST_F(TransformFiles, UndecodableBytesSurviveUnchanged) {
    // '中·' then the lone bytes FF and 81, '·文': the spaces next to the escaped bytes go, the bytes stay.
    ASSERT_TRUE(RemoveSpaces(put(u"bad.txt"_s, bytes("\xd6\xd0 \xff\x81 \xce\xc4\r\n")), path(u"bad-out.txt"_s)));
    expectFile(path(u"bad-out.txt"_s), bytes("\xd6\xd0\xff\x81\xce\xc4\r\n"));

    const QByteArray broken = bytes("\xd6\xd0\xce\xc4\xff\r\n<b>\x81\x30</b>\r\n");
    ASSERT_TRUE(ReflowParagraphs(put(u"broken.txt"_s, broken), path(u"broken-out.txt"_s), 0));
    expectFile(path(u"broken-out.txt"_s), bytes("\xd6\xd0\xce\xc4\xff<b>\x81\x30</b>"));
    ASSERT_TRUE(HtmlToText(put(u"broken.htm"_s, broken), path(u"broken-htm.txt"_s), true));
    expectFile(path(u"broken-htm.txt"_s), bytes("\xd6\xd0\xce\xc4\xff\r\n\x81\x30\r\n"));
}

TEST_F(TransformFiles, OddInputsAreProcessedWithoutHarm) {
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 37) % 256);
    binary += QByteArray(100, '\0');
    const QString bin = put(u"bin.dat"_s, binary);
    // Not text: refused with a reason, nothing written.
    TransformReport report;
    EXPECT_FALSE(HtmlToText(bin, path(u"bin1.txt"_s), true, &report));
    EXPECT_EQ(report.error.description, TextReader::notTextError().description);
    EXPECT_FALSE(ReflowParagraphs(bin, path(u"bin2.txt"_s), 0));
    EXPECT_FALSE(RemoveSpaces(bin, path(u"bin3.txt"_s)));
    for (const QString& name : {u"bin1.txt"_s, u"bin2.txt"_s, u"bin3.txt"_s})
        EXPECT_FALSE(QFileInfo::exists(path(name)));

    const QString empty = put(u"empty.txt"_s, "");
    EXPECT_TRUE(HtmlToText(empty, path(u"e1.txt"_s), true));
    EXPECT_TRUE(ReflowParagraphs(empty, path(u"e2.txt"_s), 0));
    EXPECT_TRUE(RemoveSpaces(empty, path(u"e3.txt"_s)));
    for (const QString& name : {u"e1.txt"_s, u"e2.txt"_s, u"e3.txt"_s})
        expectFile(path(name), "");

    // One 5 MB line of '中·文·': every space goes.
    QByteArray longLine;
    for (int i = 0; i < 5 * 1024 * 1024 / 6; ++i)
        longLine += "\xd6\xd0 \xce\xc4 ";
    ASSERT_TRUE(RemoveSpaces(put(u"long.txt"_s, longLine), path(u"long-out.txt"_s)));
    QByteArray joined = longLine;
    joined.replace(" ", "");
    expectFile(path(u"long-out.txt"_s), joined + "\r\n");
}

TEST_F(TransformFiles, FailureLeavesTheTargetAsItWas) {
    const QString source = put(u"source.txt"_s, QByteArray(200000, 'x') + "\r\n");
    const QString target = put(u"target.txt"_s, "old content\r\n");

    TextWriter::failAfterBytesForTesting(10);
    TransformReport report;
    EXPECT_FALSE(RemoveSpaces(source, target, &report));
    EXPECT_TRUE(report.error.isSet());
    TextWriter::failAfterBytesForTesting(-1);
    expectFile(target, "old content\r\n");

    TransformReport missingSource;
    EXPECT_FALSE(ReflowParagraphs(path(u"no-such.txt"_s), target, 0, &missingSource));
    EXPECT_TRUE(missingSource.error.isSet());
    expectFile(target, "old content\r\n");

    TransformReport folderSource;
    EXPECT_FALSE(HtmlToText(path(QString()), target, true, &folderSource));
    EXPECT_TRUE(folderSource.error.isSet());
    expectFile(target, "old content\r\n");

    TransformReport missingFolder;
    EXPECT_FALSE(HtmlToText(source, path(u"no-such-folder/page.txt"_s), true, &missingFolder));
    EXPECT_TRUE(missingFolder.error.isSet());

    ASSERT_TRUE(QDir(path(QString())).mkdir(u"folder.txt"_s));
    TransformReport folderTarget;
    EXPECT_FALSE(RemoveSpaces(source, path(u"folder.txt"_s), &folderTarget));
    EXPECT_TRUE(folderTarget.error.isSet());
}

TEST_F(TransformFiles, FailedWidthConversionKeepsItsSource) {
    const QString source = put(u"temp.tmp"_s, QByteArray(200000, 'x') + "\r\n");
    const QString target = put(u"target.txt"_s, "old\r\n");
    TextWriter::failAfterBytesForTesting(100);
    TransformReport report;
    EXPECT_FALSE(ConvertWidth(source, target, 1, &report));
    EXPECT_TRUE(report.error.isSet());
    EXPECT_TRUE(QFile::exists(source));
    expectFile(target, "old\r\n");
}

// Run by hand (--gtest_also_run_disabled_tests): reflows a 100 MB file and checks the peak memory.
TEST_F(TransformFiles, DISABLED_LargeFileStreamsInBoundedMemory) {
    const QString source = path(u"big.txt"_s);
    {
        QFile out(source);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        const QByteArray block = QByteArray("\xd6\xd0\xce\xc4 \xd6\xd0 \xce\xc4\xa1\xa3\r\n").repeated(100000);
        while (out.size() < 100 * 1024 * 1024)
            out.write(block);
    }
    ASSERT_TRUE(ReflowParagraphs(source, path(u"big-out.txt"_s), 0));
    ASSERT_TRUE(RemoveSpaces(source, path(u"big-out2.txt"_s)));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 64 * 1024); // kilobytes
}

} // namespace
