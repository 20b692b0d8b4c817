#include "platform/TextReader.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/EscapedText.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <sys/stat.h>

namespace {

struct LinesRead {
    QStringList lines;
    TextFormat format;
};

LinesRead readLines(const QString& path, std::optional<TextEncoding> declared = std::nullopt) {
    LinesRead result;
    TextReader reader;
    EXPECT_TRUE(reader.open(path, declared)) << reader.error().description.toStdString();
    QString line;
    while (reader.readLine(line))
        result.lines.append(line);
    EXPECT_FALSE(reader.error().isSet());
    result.format = reader.format();
    return result;
}

class TextReaderTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString file(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("in.txt"));
        EXPECT_TRUE(TestFiles::write(path, bytes));
        return path;
    }
    void TearDown() override { TextReader::chunkSizeForTesting(0); }
};

struct LineCase {
    const char* rule;
    QByteArray bytes;
    QStringList lines;
    TextFormat format;
    std::optional<TextEncoding> declared = std::nullopt;
};

constexpr TextFormat gbCrLf{TextEncoding::Gb18030, LineEnd::CrLf};
constexpr TextFormat gbLf{TextEncoding::Gb18030, LineEnd::Lf};
constexpr TextFormat gbCr{TextEncoding::Gb18030, LineEnd::Cr};

TEST_F(TextReaderTest, SplitsLinesAndDecodes) {
    const LineCase cases[] = {
        {"CR LF ends a line", "ab\r\ncd\r\n", {"ab", "cd"}, gbCrLf},
        {"a lone CR ends a line; only lone CRs make an old Mac file", "ab\rcd", {"ab", "cd"}, gbCr},
        {"a CR LF anywhere makes the file CR LF; its lone CRs end lines too", "a\rb\r\nc\r", {"a", "b", "c"}, gbCrLf},
        {"a lone LF stays inside the line when the file has a CR", "a\nb\r\nc\n", {"a\nb", "c\n"}, gbCrLf},
        {"a lone LF stays inside the line of an old Mac file", "a\nb\rc\n", {"a\nb", "c\n"}, gbCr},
        {"LF then CR: the LF stays, the CR ends", "a\n\rb", {"a\n", "b"}, gbCr},
        {"CR CR LF is an empty line between", "a\r\r\nb", {"a", "", "b"}, gbCrLf},
        {"a file without CR but with LF is a Unix file", "a\nb\n\nc", {"a", "b", "", "c"}, gbLf},
        {"a final line without its end is still a line", "a\r\nb", {"a", "b"}, gbCrLf},
        {"a line end alone is one empty line", "\r\n", {""}, gbCrLf},
        {"an empty file has no lines", "", {}, gbCrLf},
        {"pure ASCII reads as GB18030", "abc", {"abc"}, gbCrLf},
        {"GB18030 two-byte characters", "\xD6\xD0\xCE\xC4\r\n", {"中文"}, gbCrLf, TextEncoding::Gb18030},
        {"GB18030 four-byte character", "\x95\x32\xD5\x38x", {"𠍀x"}, gbCrLf, TextEncoding::Gb18030},
        {"Big5 characters", "\xC1\x63\xC5\xE9\r\n", {"繁體"}, {TextEncoding::Big5, LineEnd::CrLf}, TextEncoding::Big5},
        {"Big5-HKSCS character beyond the BMP",
         "\x87\x45",
         {"𧉧"},
         {TextEncoding::Big5, LineEnd::CrLf},
         TextEncoding::Big5},
        {"valid UTF-8 is UTF-8",
         "\xE4\xB8\xAD\xE6\x96\x87\r\n\xF0\xA0\x8D\x80",
         {"中文", "𠍀"},
         {TextEncoding::Utf8, LineEnd::CrLf}},
        {"a UTF-8 BOM is not part of the text",
         "\xEF\xBB\xBF\xE4\xB8\xAD\n",
         {"中"},
         {TextEncoding::Utf8Bom, LineEnd::Lf}},
        {"a BOM alone makes an empty UTF-8 file", "\xEF\xBB\xBF", {}, {TextEncoding::Utf8Bom, LineEnd::CrLf}},
        {"UTF-16 LE with BOM",
         QByteArray("\xFF\xFE\x2D\x4E\x87\x65\r\0\n\0\x40\xD8\x40\xDF", 14),
         {"中文", "𠍀"},
         {TextEncoding::Utf16LE, LineEnd::CrLf}},
        {"UTF-16 BE with BOM",
         QByteArray("\xFE\xFF\x4E\x2D\0\n\x65\x87", 8),
         {"中", "文"},
         {TextEncoding::Utf16BE, LineEnd::Lf}},
        {"UTF-16 with lone CRs is an old Mac file",
         QByteArray("\xFF\xFE\x2D\x4E\r\0\x87\x65\r\0", 10),
         {"中", "文"},
         {TextEncoding::Utf16LE, LineEnd::Cr}},
        {"a CR byte inside a UTF-16 unit ends no line",
         QByteArray("\xFF\xFE\x4E\x0D\n\0", 6),
         {"\u0D4E"},
         {TextEncoding::Utf16LE, LineEnd::Lf}},
        {"the declared charset wins over detection",
         "\xE4\xB8\xAD\xE6\x96\x87",
         {"涓\uE15F枃"},
         gbCrLf,
         TextEncoding::Gb18030},
        {"a BOM wins over the declared charset",
         "\xEF\xBB\xBF\xE4\xB8\xAD",
         {"中"},
         {TextEncoding::Utf8Bom, LineEnd::CrLf},
         TextEncoding::Gb18030},
        {"a declared UTF-8 BOM without BOM is UTF-8",
         "a",
         {"a"},
         {TextEncoding::Utf8, LineEnd::CrLf},
         TextEncoding::Utf8Bom},
        {"bytes that do not decode become escapes",
         "a\x80\xFF\xD6",
         {escaped("a<80><FF><D6>")},
         gbCrLf,
         TextEncoding::Gb18030},
        {"a lead byte before a line end is escaped alone",
         "\xD6\r\n\xD6\xD0",
         {escaped("<D6>"), "中"},
         gbCrLf,
         TextEncoding::Gb18030},
        {"a cut four-byte GB18030 sequence escapes its lead only",
         "\x95\x32\xD5",
         {escaped("<95>2<D5>")},
         gbCrLf,
         TextEncoding::Gb18030},
        {"a Big5 code stored twice reads as escapes",
         "\xA2\xCC\xA4\x51",
         {escaped("<A2><CC>十")},
         {TextEncoding::Big5, LineEnd::CrLf},
         TextEncoding::Big5},
        {"truncated UTF-8 is escaped byte by byte",
         "\xE4\xB8\r\n\xED\xA0\x80",
         {escaped("<E4><B8>"), escaped("<ED><A0><80>")},
         {TextEncoding::Utf8, LineEnd::CrLf},
         TextEncoding::Utf8},
        {"UTF-16 without BOM: the CR byte of 不 ends no line",
         QByteArray("\x0D\x4E\n\0a\0", 6),
         {"不", "a"},
         {TextEncoding::Utf16LENoBom, LineEnd::Lf}},
        {"UTF-16BE without BOM",
         QByteArray("\x4E\x2D\0\r\0\n\0a", 8),
         {"中", "a"},
         {TextEncoding::Utf16BENoBom, LineEnd::CrLf}},
        {"UTF-16 odd final byte and lone surrogate are escaped",
         QByteArray("\xFF\xFE\x00\xD8"
                    "A\0\x7F",
                    7),
         {escaped("<00><D8>A<7F>")},
         {TextEncoding::Utf16LE, LineEnd::CrLf}},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.rule);
        const LinesRead read = readLines(file(c.bytes), c.declared);
        EXPECT_EQ(read.lines, c.lines);
        EXPECT_EQ(read.format.encoding, c.format.encoding);
        EXPECT_EQ(read.format.lineEnd, c.format.lineEnd);
    }
}

TEST_F(TextReaderTest, DetectsGb18030AndBig5FromTheText) {
    const QString text = QStringLiteral("山中相送罷，日暮掩柴扉。春草明年綠，王孫歸不歸？\r\n"
                                        "白日依山盡，黃河入海流。欲窮千里目，更上一層樓。\r\n");
    const struct {
        const char* name;
        TextEncoding expected;
    } cases[] = {{"GB18030", TextEncoding::Gb18030}, {"Big5", TextEncoding::Big5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringEncoder encoder(c.name);
        ASSERT_TRUE(encoder.isValid());
        const QByteArray bytes = encoder.encode(text);
        const LinesRead read = readLines(file(bytes));
        EXPECT_EQ(read.format.encoding, c.expected);
        EXPECT_EQ(read.lines, text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts));
    }
}

TEST_F(TextReaderTest, DecodingRulesDecideWhatTheBytesLeaveOpen) {
    const QByteArray gb = "\xD6\xD0\xCE\xC4\r\n"; // 中文
    const DecodingRules big5Fallback{std::nullopt, TextEncoding::Big5};
    const DecodingRules forcedBig5{TextEncoding::Big5, TextEncoding::Gb18030};
    const struct {
        const char* rule;
        QByteArray bytes;
        DecodingRules rules;
        std::optional<TextEncoding> declared;
        std::optional<TextEncoding> expected; // nothing: refused as not text
    } cases[] = {
        {"ASCII only takes the fallback", "abc\r\n", big5Fallback, std::nullopt, TextEncoding::Big5},
        {"clear GB18030 ignores the fallback", gb, big5Fallback, std::nullopt, TextEncoding::Gb18030},
        {"a forced encoding wins over detection", gb, forcedBig5, std::nullopt, TextEncoding::Big5},
        {"forced UTF-16 without BOM", "a\0", {TextEncoding::Utf16LE}, std::nullopt, TextEncoding::Utf16LENoBom},
        {"a BOM wins over the forced encoding", "\xEF\xBB\xBF" + gb, forcedBig5, std::nullopt, TextEncoding::Utf8Bom},
        {"what the caller declares wins over the forced encoding", gb, forcedBig5, TextEncoding::Utf8,
         TextEncoding::Utf8},
        {"forcing an encoding does not make a binary file text", QByteArray("ab\0\x01\x02", 5), forcedBig5,
         std::nullopt, std::nullopt},
        {"a NUL byte in a file with a UTF-8 BOM is not text",
         QByteArray("\xEF\xBB\xBF"
                    "a\0b",
                    6),
         big5Fallback, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        TextReader reader;
        const bool opened = reader.open(file(c.bytes), c.declared, c.rules);
        EXPECT_EQ(opened, c.expected.has_value()) << reader.error().description.toStdString();
        if (opened)
            EXPECT_EQ(reader.format().encoding, *c.expected);
        else
            EXPECT_EQ(reader.error().description, TextReader::notTextError().description);
    }
}

// The file is read again after the detection pass: what was added meanwhile (a page still being
// saved) is read too, never past the reader's buffer.
TEST_F(TextReaderTest, AFileThatGrowsAfterOpeningIsReadSafely) {
    // A first pass that finds the whole file in one piece keeps it in the buffer.
    for (int piece : {16, 64 * 1024}) {
        SCOPED_TRACE(piece);
        TextReader::chunkSizeForTesting(piece);
        const QString first(piece - 2, u'f');
        const QString path = file(first.toLatin1() + "\r\n");
        TextReader reader;
        ASSERT_TRUE(reader.open(path));
        QFile grow(path);
        ASSERT_TRUE(grow.open(QIODevice::Append));
        const QByteArray more = QByteArray(300000, 'x') + "\r\nlast\r\n";
        ASSERT_EQ(grow.write(more), more.size());
        grow.close();
        QStringList lines;
        QString line;
        while (reader.readLine(line))
            lines.append(line);
        EXPECT_FALSE(reader.error().isSet());
        EXPECT_EQ(lines, QStringList({first, QString(300000, u'x'), "last"}));
    }
}

TEST_F(TextReaderTest, UnixJudgementLooksAtTheWholeFile) {
    // A CR far behind the first LF still makes LF part of the line (and, lone, an old Mac file).
    QByteArray bytes = "a\nb";
    bytes.append(QByteArray(200000, 'x'));
    bytes.append("\rc");
    const LinesRead read = readLines(file(bytes));
    EXPECT_EQ(read.format.lineEnd, LineEnd::Cr);
    ASSERT_EQ(read.lines.size(), 2);
    EXPECT_EQ(read.lines[1], QStringLiteral("c"));
}

TEST_F(TextReaderTest, Utf8JudgementLooksAtTheWholeFile) {
    // Valid UTF-8 at the start, one GB18030 character far behind: not UTF-8.
    QByteArray bytes = "\xE4\xB8\xAD\r\n";
    bytes.append(QByteArray(300000, 'x'));
    bytes.append("\xD6\xD0");
    const LinesRead read = readLines(file(bytes));
    EXPECT_EQ(read.format.encoding, TextEncoding::Gb18030);
}

// Whether a file's CRs all stand alone is judged on the whole file, whatever the pieces it is read in:
// a CR LF cut between two pieces is still a CR LF.
TEST_F(TextReaderTest, LoneCrJudgementLooksAtTheWholeFileInAnyPieces) {
    const QByteArray far(70000, 'x');
    const struct {
        const char* rule;
        QByteArray bytes;
        LineEnd lineEnd;
    } cases[] = {
        {"GB18030, lone CRs", "\xD6\xD0\r\xCE\xC4\r", LineEnd::Cr},
        {"GB18030, a CR LF at the end", "\xD6\xD0\r\xCE\xC4\r\n", LineEnd::CrLf},
        {"a CR LF far behind lone CRs", "\xD6\xD0\r" + far + "\r\n", LineEnd::CrLf},
        {"a lone LF far behind lone CRs", "\xD6\xD0\r" + far + "\n", LineEnd::Cr},
        {"UTF-8 with BOM, lone CRs", "\xEF\xBB\xBF\xE4\xB8\xAD\r\xE6\x96\x87\r", LineEnd::Cr},
        {"UTF-16 LE, lone CRs", QByteArray("\xFF\xFE\x2D\x4E\r\0\x87\x65\r\0", 10), LineEnd::Cr},
        {"UTF-16 BE, a CR LF at the end", QByteArray("\xFE\xFF\x4E\x2D\0\r\x65\x87\0\r\0\n", 12), LineEnd::CrLf},
        {"UTF-16 LE: CR and LF bytes of two units are no CR LF", QByteArray("\xFF\xFE\r\0\x4E\x0D\x0A\x4E\r\0", 10),
         LineEnd::Cr},
    };
    for (const auto& c : cases) {
        const QString path = file(c.bytes);
        for (int piece : {1, 2, 3, 4, 5, 7, 0}) {
            SCOPED_TRACE(std::string(c.rule) + " in pieces of " + std::to_string(piece));
            TextReader::chunkSizeForTesting(piece);
            EXPECT_EQ(readLines(path).format.lineEnd, c.lineEnd);
        }
    }
}

// The same file read in pieces of every small size gives the same lines as in one piece: characters,
// escapes and CR LF pairs cut anywhere.
TEST_F(TextReaderTest, PieceSizeDoesNotChangeTheText) {
    const struct {
        const char* rule;
        QByteArray bytes;
        std::optional<TextEncoding> declared;
        QStringList lines;
        QString all;
    } cases[] = {
        {"GB18030",
         "\xD6\xD0\x95\x32\xD5\x38\r\n\x81\x30\r\r\n\x81\x30\x81\x30\xFF\na\r\n\xD6",
         std::nullopt,
         {"中𠍀", escaped("<81>0"), "", escaped("\u0080<FF>\na"), escaped("<D6>")},
         escaped("中𠍀\r\n<81>0\r\r\n\u0080<FF>\na\r\n<D6>")},
        {"UTF-8",
         "\xE4\xB8\xAD\xF0\xA0\x8D\x80\r\n\xF0\xA0\x8D\r\xE4\r\n\xE4\xB8",
         TextEncoding::Utf8,
         {"中𠍀", escaped("<F0><A0><8D>"), escaped("<E4>"), escaped("<E4><B8>")},
         escaped("中𠍀\r\n<F0><A0><8D>\r<E4>\r\n<E4><B8>")},
        {"UTF-16",
         QByteArray("\xFF\xFE\x40\xD8\x40\xDF\r\0\n\0\x40\xD8\r\0\x41", 15),
         std::nullopt,
         {"𠍀", escaped("<40><D8>"), escaped("<41>")},
         escaped("𠍀\r\n<40><D8>\r<41>")},
    };
    for (const auto& c : cases) {
        const QString path = file(c.bytes);
        for (int piece : {1, 2, 3, 4, 5, 7, 0}) {
            SCOPED_TRACE(std::string(c.rule) + " in pieces of " + std::to_string(piece));
            TextReader::chunkSizeForTesting(piece);
            EXPECT_EQ(readLines(path, c.declared).lines, c.lines);
            if (!c.declared) {
                QString all;
                ASSERT_TRUE(TextReader::readAll(path, all));
                EXPECT_EQ(all, c.all);
            }
        }
    }
}

TEST_F(TextReaderTest, ReadAllKeepsLineEndsAsTheyStand) {
    const QString path = file("a\r\nb\rc\nd\xD6\xD0");
    QString text;
    TextFormat format;
    FileError error{1, "stale"};
    ASSERT_TRUE(TextReader::readAll(path, text, &error, &format));
    EXPECT_EQ(text, QStringLiteral("a\r\nb\rc\nd中"));
    EXPECT_EQ(format.encoding, TextEncoding::Gb18030);
    EXPECT_FALSE(error.isSet());
}

TEST_F(TextReaderTest, MissingFileTellsItsErrorNumber) {
    TextReader reader;
    EXPECT_FALSE(reader.open(m_dir.filePath(QStringLiteral("none.txt"))));
    EXPECT_EQ(reader.error().number, ENOENT);
    EXPECT_FALSE(reader.error().description.isEmpty());
    QString line;
    EXPECT_FALSE(reader.readLine(line));

    QString text;
    FileError error;
    EXPECT_FALSE(TextReader::readAll(m_dir.filePath(QStringLiteral("none.txt")), text, &error));
    EXPECT_EQ(error.number, ENOENT);
}

// Opens `path` on another thread. A reader that blocks (a FIFO without writer) or reads without end
// (/dev/zero) cannot be stopped from outside: the test program stops with a message instead of hanging.
bool openWithWatchdog(const QString& path, FileError& error) {
    auto opened = std::async(std::launch::async, [path, &error] {
        TextReader reader;
        const bool ok = reader.open(path);
        error = reader.error();
        return ok;
    });
    if (opened.wait_for(std::chrono::seconds(60)) == std::future_status::timeout) {
        std::fprintf(stderr, "the reader did not return from %s\n", qPrintable(path));
        std::abort();
    }
    return opened.get();
}

TEST_F(TextReaderTest, AFileInNoChineseEncodingIsRefusedUnlessTheUserNamesOne) {
    const QString latin1 = file("Le caf\xe9 est tr\xe8s bon.\r\n");
    TextReader reader;
    EXPECT_FALSE(reader.open(latin1));
    EXPECT_EQ(reader.error().description, TextReader::unknownEncodingError().description);
    const DecodingRules forcedGb{TextEncoding::Gb18030, TextEncoding::Gb18030};
    ASSERT_TRUE(reader.open(latin1, std::nullopt, forcedGb));
    EXPECT_EQ(reader.format().encoding, TextEncoding::Gb18030);
}

TEST_F(TextReaderTest, OnlyRegularFilesAreRead) {
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path : {fifo, QStringLiteral("/dev/zero"), QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(path.toStdString());
        FileError error;
        EXPECT_FALSE(openWithWatchdog(path, error));
        EXPECT_EQ(error.description, QStringLiteral("不是普通文件"));
    }
}

TEST_F(TextReaderTest, AFileIsRefusedAsSoonAsItsBytesShowItIsNoText) {
    // Sparse: four gigabytes of NUL cost nothing on disk. Reads are counted through the progress,
    // which hears of every piece read.
    const QString path = m_dir.filePath(QStringLiteral("zeros.txt"));
    const struct {
        const char* rule;
        QByteArray head;
        std::optional<TextEncoding> declared;
    } cases[] = {
        {"NUL from the start", "", std::nullopt},
        {"text, then NUL", "\xb5\xda\xd2\xbb\xd5\xc2\r\nChapter one\r\n", std::nullopt},
        {"NUL in a file of a declared encoding", "abc", TextEncoding::Big5},
    };
    constexpr int Piece = 4096;
    TextReader::chunkSizeForTesting(Piece);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        ASSERT_TRUE(TestFiles::write(path, c.head));
        QFile grown(path);
        ASSERT_TRUE(grown.resize(qint64(4) << 30));
        int reads = 0;
        TextReader reader;
        reader.setProgress([&reads](qint64, qint64) {
            ++reads;
            return true;
        });
        EXPECT_FALSE(reader.open(path, c.declared));
        EXPECT_EQ(reader.error().description, TextReader::notTextError().description);
        // The 64 KB head that tells UTF-16 apart, and a piece or two around it.
        EXPECT_LE(reads, 64 * 1024 / Piece + 3);
    }
}

TEST_F(TextReaderTest, AFolderIsNoTextFile) {
    TextReader reader;
    EXPECT_FALSE(reader.open(m_dir.path()));
    EXPECT_EQ(reader.error().number, EISDIR);
}

} // namespace

TEST(TextReaderCutFileTest, aUtf8FileCutInsideItsLastCharacterStaysUtf8) {
    QTemporaryDir dir;
    const QString path = dir.filePath("cut.txt");
    // "中文" and the first two bytes of "字".
    ASSERT_TRUE(TestFiles::write(path, QByteArray("\xe4\xb8\xad\xe6\x96\x87\r\n\xe5\xad")));
    TextReader reader;
    ASSERT_TRUE(reader.open(path));
    EXPECT_EQ(reader.format().encoding, TextEncoding::Utf8);
    QString line;
    ASSERT_TRUE(reader.readLine(line));
    EXPECT_EQ(line, QStringLiteral("中文"));
}
