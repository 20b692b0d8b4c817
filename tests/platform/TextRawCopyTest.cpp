#include "platform/TextRawCopy.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr qsizetype Chunk = 256 * 1024; // the piece size the raw copy reads in

class TextRawCopyTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

    enum class Way { LineByLine, RawFromPath, RawFromReader };

    // The file appended to a new target of its own format, raw (from the file, or from the reader
    // that examined it) or line by line.
    QByteArray appended(const QByteArray& bytes, Way way) {
        TestFiles::write(path("source.txt"), bytes);
        TextReader reader;
        EXPECT_TRUE(reader.open(path("source.txt")));
        TextWriter out;
        EXPECT_TRUE(out.open(path("target.txt"), reader.format()));
        if (way != Way::LineByLine) {
            EXPECT_TRUE(TextRawCopy::canAppend(reader.format(), out.format()));
            EXPECT_TRUE(way == Way::RawFromPath ? TextRawCopy::append(path("source.txt"), reader.format(), out)
                                                : TextRawCopy::append(reader, out));
        } else {
            QString line;
            while (reader.readLine(line))
                out.writeLine(line);
        }
        EXPECT_TRUE(out.commit());
        return TestFiles::read(path("target.txt"));
    }

    QTemporaryDir m_dir;
};

TEST_F(TextRawCopyTest, GivesTheBytesThatWritingLineByLineGives) {
    const QByteArray fill(Chunk - 1, 'x');
    struct Case {
        const char* rule;
        QByteArray bytes;
        QByteArray expected = {}; // when written out: what both ways must give
    };
    const QList<Case> cases = {
        {"a lone CR ends a line", "a\rb\r\n\xe4\xbd\x93\r"},
        {"a lone LF stays inside a line", "a\nb\r\nc\n"},
        {"a last line without end gets one", "a\r\nb"},
        {"a Unix file keeps LF", "a\nb"},
        {"an empty file adds nothing", ""},
        {"a BOM alone adds nothing", "\xef\xbb\xbf"},
        {"undecodable bytes pass", "\xb5\xda\xd2\xbb\xd5\xc2\xd6\xd0\xce\xc4" "a\xff\x81\r\n\x80"}, // 第一章中文
        {"a lone CR closing a piece", fill + "\ry\r\n"},
        {"CR LF split between pieces", fill + "\r\nz"},
        {"a CR that ends the file after a piece", fill + "\r"},
        {"a BOM before a lone CR closing a piece", "\xef\xbb\xbf" + QByteArray(Chunk - 4, 'x') + "\ry"},
        {"an old Mac file keeps its lone CRs and its lone LF", "\xe4\xb8\xad\r\xe6\x96\x87\n\xe5\xad\x97\r",
         "\xe4\xb8\xad\r\xe6\x96\x87\n\xe5\xad\x97\r"},
        {"an old Mac file's last line gets a CR", "a\rb", "a\rb\r"},
        {"a lone CR closing a piece of an old Mac file", fill + "\ry", fill + "\ry\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        const QByteArray lineByLine = appended(c.bytes, Way::LineByLine);
        if (!c.expected.isNull()) {
            EXPECT_TRUE(lineByLine == c.expected) << lineByLine.right(8).toHex().data();
        }
        EXPECT_TRUE(appended(c.bytes, Way::RawFromPath) == lineByLine)
            << "line by line: " << lineByLine.right(8).toHex().data();
        // The reader hands over what it holds, then reads on in its own pieces (small ones cut the
        // text at many more places).
        for (const int piece : {0, 5}) {
            TextReader::chunkSizeForTesting(piece);
            EXPECT_TRUE(appended(c.bytes, Way::RawFromReader) == lineByLine) << "reader pieces of " << piece;
        }
        TextReader::chunkSizeForTesting(0);
    }
}

} // namespace
