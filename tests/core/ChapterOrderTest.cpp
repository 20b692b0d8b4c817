#include "core/ChapterOrder.h"
#include "fakes/QtPrinting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Each list is written in reading order; it must come out of a sort the same from any starting
// order (reversed, and shuffled), which also shows the order is total.
TEST(ChapterOrderTest, SortsIntoReadingOrder) {
    const struct {
        const char* rule;
        QStringList order;
    } rows[] = {
        {"numbers compare by value across numeral systems", {"第2章", "第十章", "第11章", "第一百零三章"}},
        {"a downloaded folder with mixed numbering",
         {"第1章 初入江湖.txt", "第二章 风起云涌.txt", "第３章 夜雨.txt", "第9章.txt", "第十章 归来.txt",
          "第11章 旧友.txt", "第十九章.txt", "第20章.txt", "第廿一章.txt", "第卅章.txt", "第一百二十章.txt",
          "第1000章.txt"}},
        {"formal and traditional numerals",
         {"第壹章.txt", "第贰章.txt", "第拾章.txt", "第拾壹章.txt", "第貳拾章.txt", "第叁拾章.txt", "第兩百章.txt",
          "第一千零十章.txt", "第一萬章.txt"}},
        {"volume numbers before chapter numbers",
         {"第一卷第一章.txt", "第一卷第三十章.txt", "第二卷第一章.txt", "卷二 第2章.txt", "第3部 第1章.txt"}},
        {"front matter first, unnumbered before numbered, back matter last",
         {"序章 少年.txt", "引子.txt", "楔子.txt", "作品相关.txt", "千年之恋.txt", "第1章.txt", "第2章.txt", "后记.txt",
          "完本感言.txt", "尾声.txt", "【番外一】.txt", "番外二.txt", "番外十.txt"}},
        {"equal numbers: the rest of the name, then its code units",
         {"第1章 上.txt", "第01章 下.txt", "第1章 下.txt", "第1章.TXT", "第1章.txt"}},
        {"numbers read place by place and colloquially",
         {"第一百零三章.txt", "第一百二章.txt", "二〇二三年.txt", "二〇二四年.txt", "第一万章.txt", "第三万五章.txt",
          "第十万章.txt", "第一亿二千万章.txt"}},
        {"an extension is not a number; a decimal point separates two",
         {"Chapter 1.5.txt", "Chapter 1.10.txt", "Chapter 2.mp3", "Chapter 10.txt"}},
    };
    std::mt19937 random(12);
    for (const auto& row : rows) {
        QStringList reversed = row.order;
        std::reverse(reversed.begin(), reversed.end());
        QStringList shuffled = row.order;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        for (QStringList names : {reversed, shuffled}) {
            ChapterOrder::sort(names);
            EXPECT_EQ(names, row.order) << row.rule;
        }
        for (qsizetype i = 0; i + 1 < row.order.size(); ++i) {
            EXPECT_TRUE(ChapterOrder::lessThan(row.order[i], row.order[i + 1])) << row.rule << " at " << i;
            EXPECT_FALSE(ChapterOrder::lessThan(row.order[i + 1], row.order[i])) << row.rule << " at " << i;
        }
        EXPECT_FALSE(ChapterOrder::lessThan(row.order[0], row.order[0])) << row.rule;
    }
}

// The Chinese numeral of n written out the way chapter headings spell it (一千零一, 二十, 十五).
QString chinese(int n) {
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    static const QString units = QStringLiteral("千百十");
    QString text;
    bool zero = false;
    for (int place = 1000, u = 0; place >= 1; place /= 10, ++u) {
        const int d = n / place % 10;
        if (d == 0) {
            zero = !text.isEmpty();
            continue;
        }
        if (zero)
            text += digits[0];
        zero = false;
        if (!(place == 10 && d == 1 && text.isEmpty()))
            text += digits[d];
        if (place > 1)
            text += units[u];
    }
    return text;
}

TEST(ChapterOrderTest, AThreeThousandChapterFolder) {
    QStringList expected;
    for (int n = 1; n <= 3000; ++n) {
        if (n % 3 == 0)
            expected.append(QStringLiteral("第%1章 标题.txt").arg(chinese(n)));
        else if (n % 3 == 1)
            expected.append(QStringLiteral("第%1章 标题.txt").arg(n, 4, 10, QLatin1Char('0')));
        else
            expected.append(QStringLiteral("第%1章 标题.txt").arg(n));
    }
    ASSERT_EQ(expected[2999], QStringLiteral("第三千章 标题.txt"));
    ASSERT_EQ(expected[1010], QStringLiteral("第一千零一十一章 标题.txt"));
    QStringList names = expected;
    std::shuffle(names.begin(), names.end(), std::mt19937(3000));
    names.prepend(QStringLiteral("楔子.txt"));
    names.append(QStringLiteral("目录.txt"));
    ChapterOrder::sort(names);
    EXPECT_EQ(names.takeFirst(), QStringLiteral("楔子.txt"));
    EXPECT_EQ(names.takeFirst(), QStringLiteral("目录.txt"));
    EXPECT_EQ(names, expected);
}

} // namespace
