#include "platform/ChineseConverter.h"

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

} // namespace
