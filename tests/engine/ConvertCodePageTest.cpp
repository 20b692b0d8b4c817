#include "engine/Transformations.h"

#include "core/WorkPulse.h"
#include "engine/LineTransform.h"
#include "fakes/QtPrinting.h"
#include "fakes/RecordingSink.h"
#include "fakes/TestFiles.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// "汉字转换测试，简体中文。" / "头发很长" and their traditional forms, written out in each code page.
const QByteArray SimplifiedGb = QByteArray::fromHex("babad7d6d7aabbbbb2e2cad4a3acbcf2cce5d6d0cec4a1a3");
const QByteArray TraditionalBig5 = QByteArray::fromHex("ba7ea672c2e0b4abb4fab8d5a141c2b2c5e9a4a4a4e5a143");
const QByteArray HairGb = QByteArray::fromHex("cdb7b7a2badcb3a4");
const QByteArray HairBig5 = QByteArray::fromHex("c059be76abdcaaf8");

class ConvertCodePageTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

    // Converts `bytes` from a copy into the file, which already exists; the copy is only read.
    QByteArray convert(const QByteArray& bytes, int direction, TransformReport* report = nullptr) {
        EXPECT_TRUE(TestFiles::write(path("tempfile.tmp"), bytes));
        EXPECT_TRUE(TestFiles::write(path("file.txt"), bytes));
        EXPECT_TRUE(ConvertCodePage(path("tempfile.tmp"), path("file.txt"), direction, report));
        EXPECT_EQ(TestFiles::read(path("tempfile.tmp")), bytes);
        return TestFiles::read(path("file.txt"));
    }

    QTemporaryDir m_dir;
};

TEST_F(ConvertCodePageTest, LegacyFilesChangeCodePageWithTheScriptAndComeBack) {
    // Empty lines stay empty and the last line gets its line end.
    const QByteArray simplified = SimplifiedGb + "\r\n\r\n" + HairGb;
    const QByteArray traditional = TraditionalBig5 + "\r\n\r\n" + HairBig5 + "\r\n";

    TransformReport report;
    EXPECT_EQ(convert(simplified, 1, &report), traditional);
    EXPECT_EQ(report.unmappable, 0);
    EXPECT_EQ(convert(traditional, 0), simplified + "\r\n");
    EXPECT_EQ(convert(traditional, 7), traditional);
}

TEST_F(ConvertCodePageTest, UnicodeFilesKeepTheirEncodingAndLineEnd) {
    struct Case {
        const char* rule;
        QByteArray source;
        int direction;
        QByteArray expected;
    };
    const QList<Case> cases = {
        {"UTF-8 with LF ends", "\xe7\xae\x80\xe4\xbd\x93\n\nab\n", 1, "\xe7\xb0\xa1\xe9\xab\x94\n\nab\n"},
        {"UTF-8 with BOM", "\xef\xbb\xbf\xe7\xb0\xa1\xe9\xab\x94\r\n", 0, "\xef\xbb\xbf\xe7\xae\x80\xe4\xbd\x93\r\n"},
        {"UTF-16LE", QByteArray::fromHex("fffe807b534f0d000a00"), 1, QByteArray::fromHex("fffe217cd49a0d000a00")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        EXPECT_EQ(convert(c.source, c.direction), c.expected);
    }
}

TEST_F(ConvertCodePageTest, RealSimplifiedTextBecomesTaiwanStandardBig5WithoutLoss) {
    // Cut from Debian's fortunes-zh; the expected file was made with OpenCC's s2tw and iconv: 为→為,
    // 着→著, 众→眾, 伪→偽, 峰, 床, 群 and 里 in the forms Big5 holds.
    const QByteArray source = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.txt"));
    TransformReport report;
    EXPECT_EQ(convert(source, 1, &report),
              TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.big5.txt")));
    EXPECT_EQ(report.unmappable, 0);
}

TEST_F(ConvertCodePageTest, CharactersBig5CannotHoldAreHandledAsTheUserChose) {
    // "韩国" becomes "韓國", which Big5 holds; the Hangul "한국" and "😀" it does not.
    const QByteArray source = QByteArray::fromHex("baabb9fa") + " " + QByteArray::fromHex("833684338237f4309439fc36");
    const struct {
        const char* rule;
        UnmappablePolicy policy;
        bool done;
        QByteArray file;
        std::optional<TextEncoding> savedAs;
    } cases[] = {
        {"refused: the file stays as it was", UnmappablePolicy::Refuse, false, source, std::nullopt},
        {"saved as UTF-8 instead", UnmappablePolicy::SaveUtf8, true,
         "\xe9\x9f\x93\xe5\x9c\x8b \xed\x95\x9c\xea\xb5\xad\xf0\x9f\x98\x80\r\n", TextEncoding::Utf8},
        {"question marks", UnmappablePolicy::QuestionMark, true, QByteArray::fromHex("c1fab0ea") + " ???\r\n",
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        ASSERT_TRUE(TestFiles::write(path("tempfile.tmp"), source));
        ASSERT_TRUE(TestFiles::write(path("file.txt"), source));
        TransformReport report;
        report.unmappablePolicy = c.policy;
        EXPECT_EQ(ConvertCodePage(path("tempfile.tmp"), path("file.txt"), 1, &report), c.done);
        EXPECT_EQ(TestFiles::read(path("file.txt")), c.file);
        EXPECT_EQ(TestFiles::read(path("tempfile.tmp")), source);
        EXPECT_EQ(report.unmappable, 3);
        EXPECT_EQ(report.savedAs, c.savedAs);
        if (!c.done) {
            EXPECT_EQ(report.error.description, QStringLiteral("3 个字符无法以 BIG5 保存：한 국 😀"));
        }
    }
}

TEST_F(ConvertCodePageTest, AFailureLeavesTheTargetAndTheSourceAlone) {
    ASSERT_TRUE(TestFiles::write(path("file.txt"), SimplifiedGb));
    TransformReport report;
    EXPECT_FALSE(ConvertCodePage(path("gone.tmp"), path("file.txt"), 1, &report));
    EXPECT_EQ(report.error.number, ENOENT);
    EXPECT_EQ(TestFiles::read(path("file.txt")), SimplifiedGb);

    ASSERT_TRUE(TestFiles::write(path("tempfile.tmp"), SimplifiedGb));
    EXPECT_FALSE(ConvertCodePage(path("tempfile.tmp"), path("no/such/folder.txt"), 1, &report));
    EXPECT_EQ(TestFiles::read(path("tempfile.tmp")), SimplifiedGb);
}

// Blocks of a few code units, so that lines, characters and phrases fall on every block boundary
// of a small file, and the workers take many blocks each.
class TinyBlocks {
public:
    TinyBlocks() { mapBlockUnitsForTesting(5); }
    ~TinyBlocks() { mapBlockUnitsForTesting(0); }
};

TEST_F(ConvertCodePageTest, AFileConvertedOnSeveralThreadsGetsTheSameResultAsOnOne) {
    const TinyBlocks tiny;
    const QByteArray chapter = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.txt"));
    const QByteArray chapterBig5 = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.big5.txt"));
    // "韩国 한국😀": Big5 holds the first word only.
    const QByteArray hangul = QByteArray::fromHex("baabb9fa20833684338237f4309439fc36");
    const struct {
        const char* rule;
        QByteArray source;
        int direction;
        UnmappablePolicy policy;
    } cases[] = {
        {"GB18030 towards Big5", chapter, 1, UnmappablePolicy::Refuse},
        {"Big5 towards GB18030", chapterBig5, 0, UnmappablePolicy::Refuse},
        {"already Traditional: the file is left alone", chapterBig5, 1, UnmappablePolicy::Refuse},
        {"UTF-8 with empty lines, a lone LF inside a line and no final line end",
         "\xe5\xa4\xb4\xe5\x8f\x91\r\n\r\n\xe7\xae\x80\n\xe4\xbd\x93\r\n\r\n\xe4\xb8\xaa", 1, UnmappablePolicy::Refuse},
        {"unmappable characters refused", chapter + "\r\n" + hangul, 1, UnmappablePolicy::Refuse},
        {"unmappable characters saved as UTF-8", chapter + "\r\n" + hangul, 1, UnmappablePolicy::SaveUtf8},
        {"unmappable characters written as question marks", hangul + "\r\n" + chapter, 1,
         UnmappablePolicy::QuestionMark},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        QByteArray file[2];
        TransformReport report[2];
        bool done[2] = {};
        for (const int threads : {1, 3}) {
            const int i = threads == 1 ? 0 : 1;
            ASSERT_TRUE(TestFiles::write(path("tempfile.tmp"), c.source));
            ASSERT_TRUE(TestFiles::write(path("file.txt"), c.source));
            report[i].unmappablePolicy = c.policy;
            done[i] =
                ConvertCodePage(path("tempfile.tmp"), path("file.txt"), c.direction, &report[i], nullptr, threads);
            file[i] = TestFiles::read(path("file.txt"));
        }
        EXPECT_EQ(done[1], done[0]);
        EXPECT_EQ(file[1], file[0]);
        EXPECT_EQ(report[1].unmappable, report[0].unmappable);
        EXPECT_EQ(report[1].savedAs, report[0].savedAs);
        EXPECT_EQ(report[1].unchanged, report[0].unchanged);
        EXPECT_EQ(report[1].error.description, report[0].error.description);
    }
}

TEST_F(ConvertCodePageTest, AStopWhileSeveralThreadsConvertLeavesTheFileAsItWas) {
    const TinyBlocks tiny;
    TextReader::chunkSizeForTesting(64);
    const QByteArray chapter = TestFiles::read(QStringLiteral(QM_TEST_DATA "/code-page/gb-chapter.txt"));
    ASSERT_TRUE(TestFiles::write(path("tempfile.tmp"), chapter));
    ASSERT_TRUE(TestFiles::write(path("file.txt"), chapter));
    RecordingSink sink;
    sink.pulseAtEveryChance();
    sink.stopAfterEvents(3);
    WorkPulse pulse(sink, 0, 100);
    TransformReport report;
    const bool done = ConvertCodePage(path("tempfile.tmp"), path("file.txt"), 1, &report, &pulse, 3);
    TextReader::chunkSizeForTesting(0);
    EXPECT_FALSE(done);
    EXPECT_EQ(report.error.number, FileError::stopped().number);
    EXPECT_EQ(TestFiles::read(path("file.txt")), chapter);
    EXPECT_EQ(TestFiles::read(path("tempfile.tmp")), chapter);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

} // namespace
