#include "platform/ChineseConverter.h"
#include "platform/DictionaryConverter.h"
#include "platform/PhraseFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Direction = ChineseConverter::Direction;

QString convert(const QString& line, Direction direction) {
    return ChineseConverter::instance().convert(line, direction);
}

// An escaped undecodable byte as the text reader hands it over.
QString escaped(char16_t byte) {
    return QString(QChar(byte));
}

TEST(ChineseConverterTest, TablesLoadOnceForBothDirections) {
    ChineseConverter& converter = ChineseConverter::instance();
    ASSERT_TRUE(converter.isAvailable(ChineseConverter::ToSimplified)) << converter.error().description.toStdString();
    ASSERT_TRUE(converter.isAvailable(ChineseConverter::ToTraditional)) << converter.error().description.toStdString();
    EXPECT_EQ(&converter, &ChineseConverter::instance());
}

TEST(ChineseConverterTest, ConvertsLiteralCases) {
    const struct {
        const char* rule;
        Direction direction;
        QString line;
        QString expected;
    } rows[] = {
        {"characters to traditional", ChineseConverter::ToTraditional, QStringLiteral("简体中文"),
         QStringLiteral("簡體中文")},
        {"characters to simplified", ChineseConverter::ToSimplified, QStringLiteral("頭髮"), QStringLiteral("头发")},
        {"one simplified character, two traditional ones by phrase", ChineseConverter::ToTraditional,
         QStringLiteral("干燥的干部"), QStringLiteral("乾燥的幹部")},
        {"a phrase keeps a character the single mapping would change", ChineseConverter::ToTraditional,
         QStringLiteral("后来皇后"), QStringLiteral("後來皇后")},
        {"a name kept whole to simplified", ChineseConverter::ToSimplified, QStringLiteral("乾隆乾燥"),
         QStringLiteral("乾隆干燥")},
        {"phrase to simplified", ChineseConverter::ToSimplified, QStringLiteral("瞭解"), QStringLiteral("了解")},
        {"ASCII, digits and full-width forms stay", ChineseConverter::ToTraditional,
         QStringLiteral("第1章 Hello，ＡＢＣ　汉字"), QStringLiteral("第1章 Hello，ＡＢＣ　漢字")},
        {"a line without Chinese is unchanged", ChineseConverter::ToSimplified, QStringLiteral("Chapter 12: the end"),
         QStringLiteral("Chapter 12: the end")},
        {"4-byte characters survive", ChineseConverter::ToTraditional, QStringLiteral("𠍀头发𠍀"),
         QStringLiteral("𠍀頭髮𠍀")},
        {"4-byte characters survive to simplified", ChineseConverter::ToSimplified, QStringLiteral("𩸽魚"),
         QStringLiteral("𩸽鱼")},
        {"the empty line", ChineseConverter::ToTraditional, QString(), QString()},
    };
    for (const auto& row : rows)
        EXPECT_EQ(convert(row.line, row.direction), row.expected) << row.rule;
}

TEST(ChineseConverterTest, EscapedBytesPassThroughAndSplitTheRuns) {
    const struct {
        const char* rule;
        QString line;
        QString expected;
    } rows[] = {
        {"between two characters: each side converted alone",
         QStringLiteral("头") + escaped(0xDC81) + QStringLiteral("发"),
         QStringLiteral("頭") + escaped(0xDC81) + QStringLiteral("發")},
        {"at both ends", escaped(0xDC80) + QStringLiteral("简体") + escaped(0xDCFF),
         escaped(0xDC80) + QStringLiteral("簡體") + escaped(0xDCFF)},
        {"several in a row", escaped(0xDCB0) + escaped(0xDCA1) + QStringLiteral("中国"),
         escaped(0xDCB0) + escaped(0xDCA1) + QStringLiteral("中國")},
        {"only escapes", escaped(0xDC80) + escaped(0xDC81), escaped(0xDC80) + escaped(0xDC81)},
        {"a lone high surrogate", QStringLiteral("头发") + QChar(0xD840), QStringLiteral("頭髮") + QChar(0xD840)},
        {"a NUL does not end the line", QStringLiteral("头") + QChar(0) + QStringLiteral("发展"),
         QStringLiteral("頭") + QChar(0) + QStringLiteral("發展")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(convert(row.line, ChineseConverter::ToTraditional), row.expected) << row.rule;
}

TEST(ChineseConverterTest, OneToOneTextRoundTrips) {
    const QString simplified[] = {
        QStringLiteral("我们今天学习简体中文和繁体中文的转换。"),
        QStringLiteral("这是一本关于历史的书，作者写得很好。"),
    };
    for (const QString& line : simplified) {
        const QString traditional = convert(line, ChineseConverter::ToTraditional);
        EXPECT_NE(traditional, line);
        EXPECT_EQ(convert(traditional, ChineseConverter::ToSimplified), line);
    }
}

TEST(ChineseConverterTest, LongLineConvertsWhole) {
    QString line;
    QString expected;
    for (int i = 0; i < 5000; ++i) {
        line += QStringLiteral("简体中文，") + escaped(0xDC80 + i % 128);
        expected += QStringLiteral("簡體中文，") + escaped(0xDC80 + i % 128);
    }
    EXPECT_EQ(convert(line, ChineseConverter::ToTraditional), expected);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The phrase files win over the tables, are read again when they change, and a broken one stops the
// conversion rather than being left out silently.
TEST(ChineseConverterTest, PhraseFilesWinOverTheTables) {
    QTemporaryDir dir;
    const QString own = dir.filePath(QStringLiteral("Phrases-s2t.txt"));
    const QString extra = dir.filePath(QStringLiteral("extra.txt"));
    ChineseConverter& converter = ChineseConverter::instance();
    const QString line = QStringLiteral("他被发明家的头发吸引");
    EXPECT_EQ(convert(line, ChineseConverter::ToTraditional), QStringLiteral("他被髮明家的頭髮吸引"));

    writeFile(own, "\xEF\xBB\xBF# comment line\r\n\r\n被发明\t被發明\r\n头发 头发 ignored\r\n单独\r\n");
    converter.setPhraseFiles(ChineseConverter::ToTraditional, {own, dir.filePath(QStringLiteral("missing.txt"))});
    ASSERT_TRUE(converter.isAvailable(ChineseConverter::ToTraditional));
    EXPECT_EQ(convert(line, ChineseConverter::ToTraditional), QStringLiteral("他被發明家的头发吸引"));
    EXPECT_EQ(convert(QStringLiteral("单独"), ChineseConverter::ToTraditional), QStringLiteral("單獨"));

    // A later file wins; the edited first file is read again.
    writeFile(extra, "头发\u3000頭髮!\n");
    writeFile(own, "被发明 被發明\n");
    converter.setPhraseFiles(ChineseConverter::ToTraditional, {own, extra});
    ASSERT_TRUE(converter.isAvailable(ChineseConverter::ToTraditional));
    EXPECT_EQ(convert(line, ChineseConverter::ToTraditional), QStringLiteral("他被發明家的頭髮!吸引"));
    writeFile(own, "# nothing left\n");
    ASSERT_TRUE(converter.isAvailable(ChineseConverter::ToTraditional));
    EXPECT_EQ(convert(line, ChineseConverter::ToTraditional), QStringLiteral("他被髮明家的頭髮!吸引"));

    // A phrase file that exists but cannot be read.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    converter.setPhraseFiles(ChineseConverter::ToTraditional, {dir.filePath(QStringLiteral("folder.txt"))});
    EXPECT_FALSE(converter.isAvailable(ChineseConverter::ToTraditional));
    EXPECT_TRUE(converter.error().description.contains(QStringLiteral("folder.txt")));

    converter.setPhraseFiles(ChineseConverter::ToTraditional, {});
    EXPECT_TRUE(converter.isAvailable(ChineseConverter::ToTraditional));
    EXPECT_EQ(convert(line, ChineseConverter::ToTraditional), QStringLiteral("他被髮明家的頭髮吸引"));
}

// OpenCC's known cross-word errors with the Taiwan phrase tables, mended by phrase pairs that take
// part in the longest match: a longer table phrase starting earlier still wins.
TEST(ChineseConverterTest, PhrasesMendTaiwanTableErrors) {
    FileError error;
    const auto taiwan = DictionaryConverter::load("/usr/share/opencc/s2twp.json", &error);
    ASSERT_TRUE(taiwan) << error.description.toStdString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Phrases-s2t.txt"));
    writeFile(file, "的士兵 的士兵\n少数组织 少數組織\n");
    PhraseTrie phrases;
    ASSERT_TRUE(PhraseFile::read(file, phrases, &error));

    const struct {
        const char* text;
        const char* withoutPhrases;
        const char* withPhrases;
    } rows[] = {
        {"我的士兵", "我計程車兵", "我的士兵"},
        {"少数组织", "少陣列織", "少數組織"},
        {"坐的士回家，少数组织者", "坐計程車回家，少陣列織者", "坐計程車回家，少數組織者"},
    };
    for (const auto& row : rows) {
        const std::u16string text = QString::fromUtf8(row.text).toStdU16String();
        std::u16string plain;
        std::u16string mended;
        taiwan->convert(text, nullptr, plain);
        taiwan->convert(text, &phrases, mended);
        EXPECT_EQ(QString::fromStdU16String(plain), QString::fromUtf8(row.withoutPhrases)) << row.text;
        EXPECT_EQ(QString::fromStdU16String(mended), QString::fromUtf8(row.withPhrases)) << row.text;
    }
}

} // namespace
