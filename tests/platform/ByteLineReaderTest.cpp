#include "platform/ByteLineReader.h"
#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/TextReader.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QList<QByteArray> byteLines(const QString& path, const TextFormat& format) {
    ByteLineReader reader;
    EXPECT_TRUE(reader.open(path, format));
    QList<QByteArray> lines;
    QByteArrayView line;
    while (reader.readLine(line))
        lines.append(line.toByteArray());
    EXPECT_FALSE(reader.error().isSet());
    return lines;
}

TEST(ByteLineReaderTest, splitsLinesAsTheTextReaderDoes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    const struct {
        const char* rule;
        QByteArray bytes;
        QList<QByteArray> lines;
    } cases[] = {
        {"CR LF and lone CR end lines, a lone LF stays", "a\r\nb\rc\nd", {"a", "b", "c\nd"}},
        {"a final line end adds no empty line", "a\r\n", {"a"}},
        {"empty lines count", "\r\n\r\n", {"", ""}},
        {"a Unix file ends lines at LF", "a\nb\n\nc", {"a", "b", "", "c"}},
        {"an empty file has no lines", "", {}},
        {"the UTF-8 BOM is skipped", "\xef\xbb\xbf\xe4\xb8\xad\r\n", {"\xe4\xb8\xad"}},
        {"a file ending in CR", "x\r", {"x"}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(TestFiles::write(path, c.bytes));
        TextReader text;
        ASSERT_TRUE(text.open(path));
        EXPECT_EQ(byteLines(path, text.format()), c.lines) << c.rule;
    }
}

// The text reader looks for line ends several units at a time: a line end at any place in or after
// such a block, and a lone LF in a line of any length, give the lines the byte reader gives.
TEST(ByteLineReaderTest, linesOfEveryLengthAreSplitWhereTheTextReaderSplitsThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    QByteArray bytes;
    QList<QByteArray> expected;
    for (int length = 0; length <= 40; ++length) {
        QByteArray line(length, 'a');
        for (int i = 0; i < length; ++i)
            line[i] = char('a' + i % 26);
        if (length % 5 == 4)
            line[length / 2] = '\n';
        expected.append(line);
        bytes += line + (length % 3 == 0 ? "\r" : "\r\n");
    }
    ASSERT_TRUE(TestFiles::write(path, bytes));
    TextReader text;
    ASSERT_TRUE(text.open(path));
    QList<QByteArray> read;
    QString line;
    while (text.readLine(line))
        read.append(line.toLatin1());
    EXPECT_EQ(read, expected);
    EXPECT_EQ(byteLines(path, text.format()), expected);
}

TEST(ByteLineReaderTest, aLineEndSplitAcrossPiecesIsOneLineEnd) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.txt");
    QByteArray bytes(256 * 1024 - 1, 'x'); // the CR is the last byte of the first piece
    bytes += "\r\ny\r\n";
    ASSERT_TRUE(TestFiles::write(path, bytes));
    const QList<QByteArray> lines = byteLines(path, {TextEncoding::Utf8, LineEnd::CrLf});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].size(), 256 * 1024 - 1);
    EXPECT_EQ(lines[1], "y");
}

TEST(ByteLineReaderTest, onlyBytesThatCannotBeTrailBytesAreSafe) {
    EXPECT_TRUE(ByteLineReader::isSafeAscii(TextEncoding::Utf8, "abc<>|"));
    EXPECT_TRUE(ByteLineReader::isSafeAscii(TextEncoding::Gb18030, "<> "));
    EXPECT_FALSE(ByteLineReader::isSafeAscii(TextEncoding::Gb18030, "1")) << "a four-byte character holds digits";
    EXPECT_FALSE(ByteLineReader::isSafeAscii(TextEncoding::Big5, "|")) << "0x7C is a Big5 trail byte";
    EXPECT_FALSE(ByteLineReader::isSafeAscii(TextEncoding::Big5, "\\"));
    EXPECT_FALSE(ByteLineReader::isSafeAscii(TextEncoding::Utf16LE, "<"));
    EXPECT_FALSE(ByteLineReader::isSafeAscii(TextEncoding::Utf8, "\n"));
}

} // namespace
