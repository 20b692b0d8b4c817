#include "engine/MergeFiles.h"

#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/TestFiles.h"
#include "platform/TextReader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Row = RecordingSink::Row;

class MergeFilesTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QString file(const char* name, const QByteArray& bytes) const {
        const QString full = path(QLatin1String(name));
        EXPECT_TRUE(TestFiles::write(full, bytes));
        return full;
    }
    static Row merged(int percent, const QString& file) {
        return {percent, file, QStringLiteral("合并完成"), QString(), QStringLiteral("blue")};
    }

    QTemporaryDir m_dir;
    RecordingSink m_sink;
};

TEST_F(MergeFilesTest, FilesOfTwoNoneAndOneLinesGiveThreeLinesAndOneRowEach) {
    const QStringList files = {file("1.txt", "one\r\ntwo\r\n"), file("2.txt", ""), file("3.txt", "three")};
    TransformReport report;
    ASSERT_TRUE(MergeFiles(files, path("all.txt"), m_sink, &report));
    EXPECT_EQ(TestFiles::read(path("all.txt")), QByteArray("one\r\ntwo\r\nthree")) << "it ends as its last file ends";
    EXPECT_EQ(m_sink.calls(), (QList<Row>{merged(0, files[0]), merged(50, files[1]), merged(100, files[2])}));
    EXPECT_EQ(m_sink.processEventsCount(), 3);
}

TEST_F(MergeFilesTest, PercentIsTheShareOfTheListRoundedDown) {
    QStringList files;
    for (const char* name : {"a", "b", "c", "d"})
        files << file(name, "x\r\n");
    ASSERT_TRUE(MergeFiles(files, path("all.txt"), m_sink));
    EXPECT_EQ(m_sink.percents(), (QList<int>{0, 33, 66, 100}));

    m_sink.clear();
    ASSERT_TRUE(MergeFiles({files[0]}, path("one.txt"), m_sink));
    EXPECT_EQ(m_sink.calls(), QList<Row>{merged(100, files[0])});
}

TEST_F(MergeFilesTest, LinesKeepTheirTextAndTakeTheFirstFilesLineEnd) {
    struct Case {
        const char* rule;
        QByteArray first;
        QByteArray second;
        QByteArray expected;
    };
    const QList<Case> cases = {
        {"a lone CR ends a line and becomes CR LF", "a\rb\r\n", "c\r", "a\r\nb\r\nc\r\n"},
        {"a lone LF stays inside a line", "a\nb\r\n", "c\nd\r\n", "a\nb\r\nc\nd\r\n"},
        {"a later Unix file takes the first file's CR LF", "a\r\n", "c\nd\n", "a\r\nc\r\nd\r\n"},
        {"a Unix first file makes a Unix result", "a\nb\n", "c\r\nd\r\n", "a\nb\nc\nd\n"},
        {"an old Mac first file makes an old Mac result", "a\rb\r", "c\r\nd\r\n", "a\rb\rc\rd\r"},
        {"a line end goes between files, in the first file's style", "a\rb", "c\r", "a\rb\rc\r"},
        {"the last file's last line keeps the end it lacks", "a\r\n", "c\r\nd", "a\r\nc\r\nd"},
        {"a last file in another format keeps the end it lacks", "a\n", "c\r\nd", "a\nc\nd"},
        {"empty lines are kept", "\r\n\r\n", "x\r\n\r\n", "\r\n\r\nx\r\n\r\n"},
        // Beside real text: a file of undecodable bytes only is not understood.
        {"undecodable bytes come through unchanged", "\xd6\xd0\xce\xc4\r\n\x81\r\n\xff\xfe\r\n", "\xce\xc4\xa1\r\n",
         "\xd6\xd0\xce\xc4\r\n\x81\r\n\xff\xfe\r\n\xce\xc4\xa1\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const QStringList files = {file("first.txt", c.first), file("second.txt", c.second)};
        ASSERT_TRUE(MergeFiles(files, path("all.txt"), m_sink));
        EXPECT_EQ(TestFiles::read(path("all.txt")), c.expected);
    }
}

TEST_F(MergeFilesTest, EachSourceIsDecodedWithItsOwnEncodingAndWrittenInTheFirstOnes) {
    // "简体" in UTF-8 with LF ends, then in GB18030 with CR LF, then in UTF-16LE with its BOM.
    const QStringList files = {file("utf8.txt", "\xe7\xae\x80\xe4\xbd\x93\n"), file("gb.txt", "\xbc\xf2\xcc\xe5\r\n"),
                               file("utf16.txt", QByteArray::fromHex("fffe807b534f0d000a00"))};
    ASSERT_TRUE(MergeFiles(files, path("all.txt"), m_sink));
    EXPECT_EQ(TestFiles::read(path("all.txt")), QByteArray("\xe7\xae\x80\xe4\xbd\x93\n"
                                                           "\xe7\xae\x80\xe4\xbd\x93\n"
                                                           "\xe7\xae\x80\xe4\xbd\x93\n"));

    // A BOM is written once, at the start, whatever the later files carry.
    const QStringList withBoms = {file("bom.txt", "\xef\xbb\xbf"
                                                  "a\r\n"),
                                  file("bom2.txt", "\xef\xbb\xbf"
                                                   "b\r\n")};
    ASSERT_TRUE(MergeFiles(withBoms, path("boms.txt"), m_sink));
    EXPECT_EQ(TestFiles::read(path("boms.txt")), QByteArray("\xef\xbb\xbf"
                                                            "a\r\nb\r\n"));
}

TEST_F(MergeFilesTest, ATargetThatIsAlsoASourceIsMergedFromItsOldContent) {
    const QStringList files = {file("a.txt", "a\r\n"), file("all.txt", "old 1\r\nold 2\r\n"), file("c.txt", "c\r\n")};
    ASSERT_TRUE(MergeFiles(files, path("all.txt"), m_sink));
    EXPECT_EQ(TestFiles::read(path("all.txt")), QByteArray("a\r\nold 1\r\nold 2\r\nc\r\n"));
}

TEST_F(MergeFilesTest, TheTargetTakesAnEncodingThatHoldsEverySource) {
    const QByteArray big5 = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.big5.txt"));
    const QByteArray gb = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.txt"));
    // A Unix file, so that it is decoded: its 着① (extension codes) go back as they came.
    const QByteArray big5Unix = QByteArray(big5).replace("\r\n", "\n") + "\xFE\xD3\xC6\xA1\n";
    // Larger than the merge keeps in memory between its passes: the second pass reads it again.
    QString gbText;
    ASSERT_TRUE(TextReader::readAll(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.txt"), gbText));
    const QByteArray largeUtf8Bom = "\xef\xbb\xbf" + gbText.toUtf8().repeated(100);
    const struct {
        const char* rule;
        QList<QByteArray> sources;
        std::optional<TextEncoding> savedAs;
        QByteArray startsWith;
    } cases[] = {
        {"Big5 chapters stay Big5, extension codes included", {big5, big5Unix}, std::nullopt, big5 + big5},
        {"a Big5 book with a simplified chapter becomes GB18030",
         {big5, gb},
         TextEncoding::Gb18030,
         "\xc8\xfd\xca\xae"},
        {"a large UTF-8 chapter with a BOM is read again behind its BOM",
         {big5, largeUtf8Bom},
         TextEncoding::Gb18030,
         "\xc8\xfd\xca\xae"},
        {"a UTF-8 book stays UTF-8", {"\xed\x95\x9c\r\n", gb, big5}, std::nullopt, "\xed\x95\x9c\r\n\xe4\xb8\x89"},
        {"a GB18030 book holds Big5 chapters", {gb, big5}, std::nullopt, gb},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        QStringList files;
        QString expectedText;
        for (const QByteArray& bytes : c.sources) {
            files << file(qPrintable(QStringLiteral("%1.txt").arg(files.size())), bytes);
            QString text;
            ASSERT_TRUE(TextReader::readAll(files.last(), text));
            if (!text.contains(QLatin1Char('\r')))
                text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            expectedText += text;
        }
        m_sink.clear();
        // The bar moves inside the large source on every machine, not only on a busy one: one row per file all the same.
        m_sink.pulseAtEveryChance();
        TransformReport report;
        ASSERT_TRUE(MergeFiles(files, path("all.txt"), m_sink, &report));
        EXPECT_EQ(report.savedAs, c.savedAs);
        EXPECT_EQ(m_sink.rows().size(), files.size());
        EXPECT_TRUE(TestFiles::read(path("all.txt")).startsWith(c.startsWith));
        QString merged;
        ASSERT_TRUE(TextReader::readAll(path("all.txt"), merged));
        EXPECT_EQ(merged, expectedText);
    }
}

TEST_F(MergeFilesTest, AMissingSourceFailsAndLeavesTheTargetUntouched) {
    const QStringList files = {file("a.txt", "a\r\n"), path("gone.txt"), file("c.txt", "c\r\n")};
    file("all.txt", "previous merge\r\n");
    TransformReport report;
    EXPECT_FALSE(MergeFiles(files, path("all.txt"), m_sink, &report));
    EXPECT_EQ(report.error.number, ENOENT);
    EXPECT_EQ(TestFiles::read(path("all.txt")), QByteArray("previous merge\r\n"));
    EXPECT_EQ(m_sink.calls(), QList<Row>{merged(0, files[0])});
}

} // namespace
