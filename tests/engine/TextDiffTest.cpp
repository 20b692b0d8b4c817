#include "engine/TextDiff.h"
#include "fakes/QtPrinting.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// The length of the longest common subsequence, the textbook way.
qsizetype commonLength(const QStringList& a, const QStringList& b) {
    QList<QList<qsizetype>> table(a.size() + 1, QList<qsizetype>(b.size() + 1, 0));
    for (qsizetype i = 1; i <= a.size(); ++i) {
        for (qsizetype j = 1; j <= b.size(); ++j)
            table[i][j] =
                a.at(i - 1) == b.at(j - 1) ? table[i - 1][j - 1] + 1 : std::max(table[i - 1][j], table[i][j - 1]);
    }
    return table[a.size()][b.size()];
}

QStringList lines(const char* text) {
    return QString::fromUtf8(text).split(u'|', Qt::SkipEmptyParts);
}

TEST(TextDiffTest, unifiedHunksFollowTheUsualForm) {
    struct Case {
        const char* rule;
        const char* before;
        const char* after;
        const char* expected;
    };
    const Case cases[] = {
        {"same texts give nothing", "a|b", "a|b", ""},
        {"a line changed in the middle", "a|b|c", "a|B|c", "--- a/x\n+++ b/x\n@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
        {"a line put in front", "a|b", "new|a|b", "--- a/x\n+++ b/x\n@@ -1,2 +1,3 @@\n+new\n a\n b\n"},
        {"the last line removed", "a|b|c", "a|b", "--- a/x\n+++ b/x\n@@ -1,3 +1,2 @@\n a\n b\n-c\n"},
        {"a new file", "", "一|二", "--- a/x\n+++ b/x\n@@ -0,0 +1,2 @@\n+一\n+二\n"},
        {"changes far apart make two hunks", "1|2|3|4|5|6|7|8|9|10|11|12", "X|2|3|4|5|6|7|8|9|10|11|Y",
         "--- a/x\n+++ b/x\n@@ -1,4 +1,4 @@\n-1\n+X\n 2\n 3\n 4\n@@ -9,4 +9,4 @@\n 9\n 10\n 11\n-12\n+Y\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        EXPECT_EQ(TextDiff(lines(c.before), lines(c.after)).unified("a/x", "b/x"), QString::fromUtf8(c.expected));
    }
}

TEST(TextDiffTest, editsAreShortestAndRebuildTheNewTextAndCountChangedCharacters) {
    QRandomGenerator random(7);
    for (int round = 0; round < 200; ++round) {
        QStringList before;
        QStringList after;
        for (int i = int(random.bounded(30)); i > 0; --i)
            before.append(QString::number(random.bounded(5)));
        for (int i = int(random.bounded(30)); i > 0; --i)
            after.append(QString::number(random.bounded(5)));
        const TextDiff diff(before, after);
        QStringList rebuilt;
        qsizetype kept = 0;
        for (const TextDiff::Edit& edit : diff.edits()) {
            if (edit.op == TextDiff::Op::Keep) {
                ASSERT_EQ(before.at(edit.oldLine), after.at(edit.newLine));
                ++kept;
            }
            if (edit.op != TextDiff::Op::Delete)
                rebuilt.append(after.at(edit.newLine));
        }
        ASSERT_EQ(rebuilt, after);
        ASSERT_EQ(kept, commonLength(before, after)) << "the fewest lines deleted and inserted";
    }
    const TextDiff diff({"第一行", "中 文 字"}, {"第一行", "中文 字"});
    EXPECT_EQ(diff.changedLines(), 1);
    EXPECT_EQ(diff.changedCharacters(), 1);
}

} // namespace
