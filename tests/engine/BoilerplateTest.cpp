#include "engine/Boilerplate.h"
#include "engine/BoilerplateLearner.h"
#include "engine/CleanupRules.h"
#include "engine/InvisibleCharacters.h"
#include "engine/Transformations.h"
#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

QStringList realSentences() {
    return QString::fromUtf8(TestFiles::read(QStringLiteral(QM_TEST_DATA "/book/sentences.txt")))
        .split(u'\n', Qt::SkipEmptyParts);
}

CleanupRules startingRules() {
    return CleanupRules::parse(CleanupRules::startingText());
}

// Site lines a reader finds in saved chapters, each covered by one kind of rule in the starting set
// (whole line, weak, web address, a line of nothing but a fragment) in the forms sites write them.
const QStringList RuledSiteLines = {
    QStringLiteral("上一章 | 目录 | 下一章"),
    QStringLiteral("上一页　｜　返回目录　｜　下一页"),
    QStringLiteral("本章未完，请点击下一页继续阅读"),
    QStringLiteral("天才一秒记住本站地址：ｗｗｗ．ｘｘｘ．ｃｏｍ"),
    QStringLiteral("最新章节"),
    QStringLiteral("手机用户请浏览 m.xxx.com 阅读"),
    QStringLiteral("ｈｔｔｐｓ：／／ｗｗｗ．ｂｉｑｕｇｅ．ｌａ／ｂｏｏｋ／１２３／"),
    QStringLiteral("（本章未完，请翻页）"),
    QStringLiteral("加入书签 投推荐票 返回书页"),
    QStringLiteral("百度搜索 书香小筑 即可找到本书"),
    QStringLiteral("最快更新 无弹窗广告"),
    QStringLiteral("请收藏本站：www.abc123.net。"),
};
// A site's own lines, on every page and in no rule: only the batch teaches them. The batch teaches no
// line with a comma or a full stop (a book repeats such sentences itself), so the site's note has none.
const QStringList OwnSiteLines = {
    QStringLiteral("书香小筑 独家连载"),
    QStringLiteral("ＰＳ：欢迎光临书香小筑　好书尽在这里"),
};

struct Book {
    QList<QStringList> chapters; // the lines of each file
    QStringList planted;         // every boilerplate line put in, in file order
};

// Eight chapter files of 50 real sentences each under a heading; with `planted`, the site's two lines
// on every page (one at the top, one at the bottom) and the ruled lines at places chosen by a fixed
// seed, 100 lines in all.
Book makeBook(bool planted) {
    const QStringList sentences = realSentences();
    Book book;
    std::mt19937 random(20261207);
    int ruled = 0;
    for (int c = 0; c < 8; ++c) {
        QStringList lines = sentences.mid(c * 50, 50);
        if (planted) {
            // 84 ruled lines over eight chapters: ten or eleven each, anywhere in the text.
            const int count = c < 4 ? 11 : 10;
            for (int k = 0; k < count; ++k) {
                const auto at = qsizetype(random() % quint32(lines.size() + 1));
                lines.insert(at, RuledSiteLines.at(ruled++ % RuledSiteLines.size()));
            }
            lines.prepend(OwnSiteLines.at(0));
            lines.append(OwnSiteLines.at(1));
        }
        lines.prepend(QString());
        lines.prepend(QStringLiteral("第%1章 第一卷里的事").arg(c + 1));
        // A volume line on every page recurs as often as the site's lines and is a heading all the same.
        lines.prepend(QStringLiteral("第一卷 风起"));
        book.chapters.append(lines);
    }
    if (planted) {
        for (const QStringList& lines : book.chapters) {
            for (const QString& line : lines) {
                if (RuledSiteLines.contains(line) || OwnSiteLines.contains(line))
                    book.planted.append(line);
            }
        }
    }
    return book;
}

class CleanBook : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QStringList write(const Book& book) {
        QStringList paths;
        for (qsizetype c = 0; c < book.chapters.size(); ++c) {
            const QString path = m_dir.path() + QStringLiteral("/%1.txt").arg(c + 1, 3, 10, QLatin1Char('0'));
            EXPECT_TRUE(TestFiles::write(path, (book.chapters.at(c).join(u'\n') + u'\n').toUtf8()));
            paths.append(path);
        }
        return paths;
    }

    // Cleans every file with the starting rules and what the batch teaches; the lines removed, in order.
    QStringList clean(const QStringList& paths, bool learn, int* changedFiles = nullptr) {
        Boilerplate boilerplate{startingRules(), learn ? BoilerplateLearner::learnFrom(paths) : QSet<QString>()};
        QStringList removed;
        for (const QString& path : paths) {
            TransformReport report;
            EXPECT_TRUE(CleanBoilerplate(path, path, boilerplate, &report)) << path.toStdString();
            EXPECT_EQ(report.linesRemoved, report.removedLines.size());
            removed += report.removedLines;
            if (changedFiles && !report.unchanged)
                ++*changedFiles;
        }
        return removed;
    }

    QStringList lines(const QString& path) {
        return QString::fromUtf8(TestFiles::read(path)).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
};

TEST_F(CleanBook, EveryPlantedLineGoesAndEveryStoryLineStays) {
    const Book book = makeBook(true);
    ASSERT_EQ(book.planted.size(), 100);
    const QStringList paths = write(book);

    EXPECT_EQ(clean(paths, true), book.planted);

    const Book story = makeBook(false);
    for (qsizetype c = 0; c < paths.size(); ++c) {
        QStringList expected = story.chapters.at(c);
        expected.removeAll(QString());
        EXPECT_EQ(lines(paths.at(c)), expected) << paths.at(c).toStdString();
    }
}

TEST_F(CleanBook, ALearnedLineInTheMiddleOfAChapterStays) {
    Book book = makeBook(true);
    // The site's line, written another way, also as a line of the story far from the page's edges.
    const QString middle = QStringLiteral("书香小筑　独家连载");
    book.chapters[0].insert(30, middle);
    const QStringList paths = write(book);

    EXPECT_EQ(clean(paths, true), book.planted);
    EXPECT_TRUE(lines(paths.at(0)).contains(middle));
}

TEST_F(CleanBook, TheSitesOwnLinesNeedTheBatch) {
    const Book book = makeBook(true);
    const QStringList paths = write(book);
    QStringList left = book.planted;
    for (const QString& line : clean(paths, false))
        left.removeOne(line);
    // Rules alone leave exactly the lines no rule names: one at the top and one at the bottom of each page.
    EXPECT_EQ(left.size(), 16);
    left.removeDuplicates();
    EXPECT_EQ(left, OwnSiteLines);
}

TEST_F(CleanBook, ACleanBookIsLeftAlone) {
    const QStringList paths = write(makeBook(false));
    QList<QByteArray> before;
    for (const QString& path : paths)
        before.append(TestFiles::read(path));
    int changed = 0;
    EXPECT_EQ(clean(paths, true, &changed), QStringList());
    EXPECT_EQ(changed, 0);
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(TestFiles::read(paths.at(i)), before.at(i));
}

TEST_F(CleanBook, AFragmentGoesAndItsLineStays) {
    const QString path = m_dir.path() + QStringLiteral("/a.txt");
    ASSERT_TRUE(TestFiles::write(path, QStringLiteral("他转身走了。（本章未完，请翻页）\r\n"
                                                      "她笑了笑（本章未完,請翻頁）。\r\n")
                                           .toUtf8()));
    Boilerplate boilerplate{startingRules(), {}};
    TransformReport report;
    ASSERT_TRUE(CleanBoilerplate(path, path, boilerplate, &report));
    // Half-width punctuation matches the full-width rule; the Traditional text is another text.
    EXPECT_EQ(QString::fromUtf8(TestFiles::read(path)),
              QStringLiteral("他转身走了。\r\n她笑了笑（本章未完,請翻頁）。\r\n"));
    EXPECT_EQ(report.fragmentsRemoved, 1);
    EXPECT_EQ(report.linesRemoved, 0);
}

TEST_F(CleanBook, AByteOrderMarkStaysAndASecondOneGoes) {
    const QString path = m_dir.path() + QStringLiteral("/a.txt");
    ASSERT_TRUE(TestFiles::write(path, "\xEF\xBB\xBF\xEF\xBB\xBF\xE4\xBB\x96\xE8\xB5\xB0\r\n"));
    TransformReport report;
    ASSERT_TRUE(CleanBoilerplate(path, path, Boilerplate{}, &report));
    EXPECT_EQ(TestFiles::read(path), QByteArray("\xEF\xBB\xBF\xE4\xBB\x96\xE8\xB5\xB0\r\n"));
    EXPECT_EQ(report.invisibleRemoved, 1);
}

struct RuleCase {
    const char* rule;
    const char16_t* line;
    bool removed;
};

TEST(CleanupRules, LinesRemovedWholeOrKept) {
    const CleanupRules rules = startingRules();
    const RuleCase cases[] = {
        {"whole line, separators and spaces do not count", u"上一章　　目录　　下一章", true},
        {"whole line, full-width letters match half-width", u"天才一秒记住本站地址：ｗｗｗ．ｘｘｘ．ｃｏｍ", true},
        {"whole line, a sentence that starts like a site line and runs on stays",
         u"上一章我们讲了如何配置软件包的依赖关系和版本，其余的细节都留给下一章", false},
        {"weak, a short line without sentence punctuation goes", u"【最新章节】", true},
        {"weak, a sentence holding the word stays", u"他翻到最新章节，看得入了迷。", false},
        {"weak, a short sentence with a comma stays", u"他说推荐阅读这本书，真好", false},
        {"weak, a long line stays", u"最新章节的作者在后记里写了很长的一段话关于他的童年和故乡以及那些年", false},
        {"address alone", u"www.example.com", true},
        {"address with a site word", u"手机用户请浏览 m.xxx.com 阅读", true},
        {"address with dots written as 。", u"本站网址：ｗｗｗ。ｘｘｘ。ｃｏｍ", true},
        {"address in a sentence without site words stays", u"他说：我在www.abc.com上看到了那张照片。", false},
        {"an address in a sentence with more to say stays", u"请访问 www.debian.org 了解详情。如果还有问题，请写信。", false},
        {"a version number is no address", u"3.14", false},
        {"a chapter heading is never removed", u"第12章 最新章节", false},
        {"a heading with a chapter number and a site word stays", u"第三百二十回 本章未完", false},
        {"a blank line is no site line", u"　　", false},
        {"a real sentence from the corpus stays", u"popcon 数据包含许多旧系统安装报告。", false},
        {"a line with a 4-byte character stays", u"𠍀字不见于常用字表。", false},
        {"what a * stands for holds no comma", u"手机阅读，是他每天睡前的习惯。", false},
        {"a sentence after 一秒记住 stays", u"一秒记住这个人的脸，是他的本事。", false},
        {"a sentence between 更新时间 and 字数 stays", u"更新时间到了，字数却还差一半。", false},
        {"a * run ending in a full stop stays", u"无弹窗的房间里一片漆黑。", false},
        {"章节错误 starting a sentence", u"章节错误太多，他只好重写。", false},
        {"a question between 喜欢 and 请大家收藏 stays", u"喜欢吗？请大家收藏好自己的东西。", false},
        {"本书首发 starting a sentence", u"本书首发那天，他激动得一夜没睡。", false},
        {"a site word far from the address, in a sentence", u"他拿起手机，输入了www.baidu.com。", false},
        {"a sentence ending after the address", u"小说写在www.jjwxc.net上。", false},
        {"a whole line with a comma between its fixed words", u"本章未完，请点击下一页继续阅读", true},
        {"an address line ending in a full stop", u"请收藏本站：www.abc123.net。", true},
        {"a * run may hold a number with a comma", u"更新时间：2026-12-07 字数：3,000", true},
    };
    for (const RuleCase& c : cases)
        EXPECT_EQ(rules.removesLine(QString::fromUtf16(c.line)), c.removed) << c.rule;
}

TEST(CleanupRules, TheStartingSetRemovesNoRealSentence) {
    const CleanupRules rules = startingRules();
    for (const QString& sentence : realSentences())
        EXPECT_FALSE(rules.removesLine(sentence)) << sentence.toStdString();
}

TEST(CleanupRules, TheRuleFileAndItsKinds) {
    const CleanupRules rules = CleanupRules::parse(u"# 注释\n"
                                                   u"= 飘天*首发\r\n"
                                                   u"  - 【广告】\n"
                                                   u"~ 书友\n"
                                                   u"@ 关注\n"
                                                   u"= *\n"
                                                   u"? 未知\n"
                                                   u"\n");
    EXPECT_EQ(rules.unknownLines(), 2); // "= *" would take every line; "?" is no kind
    EXPECT_TRUE(rules.removesLine(u"飘天文学网 首发"));
    EXPECT_TRUE(rules.removesLine(u"书友群 12345"));
    EXPECT_TRUE(rules.removesLine(u"关注 m.piaotian.com"));
    EXPECT_FALSE(rules.removesLine(u"上一章 | 目录 | 下一章")); // not in this file
    QString line = QStringLiteral("他走了【广告】。【廣告】");
    EXPECT_EQ(rules.removeFragments(line), 1);
    EXPECT_EQ(line, QStringLiteral("他走了。【廣告】"));
}

struct AddedRuleCase {
    const char* rule;
    const char16_t* line;
    const char16_t* kept; // the line as it stays, or nullptr when it goes whole
};

// A second rule file's rules, added after the starting set, apply to lines that write them otherwise:
// full-width for half-width, capitals, 4-byte characters, a pattern that starts with "*".
TEST(CleanupRules, AddedRulesMatchInEveryForm) {
    CleanupRules rules = startingRules();
    rules.add(CleanupRules::parse(u"= *独家首发\n"
                                  u"= vip专享*\n"
                                  u"= 𠍀站*\n"
                                  u"~ ｑｑ群\n"
                                  u"- (广告)\n"
                                  u"- 𠍀站推荐\n"));
    const AddedRuleCase cases[] = {
        {"a whole-line pattern starting with *", u"飘天文学网 独家首发", nullptr},
        {"full-width capitals match a pattern in small letters", u"ＶＩＰ专享　订阅", nullptr},
        {"a whole-line pattern starting with a 4-byte character", u"𠍀站 独家连载", nullptr},
        {"a full-width weak rule matches half-width capitals", u"QQ群 12345", nullptr},
        {"a half-width fragment matches full-width", u"他走了（广告）。", u"他走了。"},
        {"a fragment starting with a 4-byte character", u"他走了𠍀站推荐。", u"他走了。"},
        {"the starting set still applies", u"上一章 | 目录 | 下一章", nullptr},
    };
    for (const AddedRuleCase& c : cases) {
        QString line = QStringView(c.line).toString();
        const bool removed = rules.removesLine(line);
        EXPECT_EQ(removed, c.kept == nullptr) << c.rule;
        if (!removed && c.kept) {
            rules.removeFragments(line);
            EXPECT_EQ(line, QStringView(c.kept).toString()) << c.rule;
        }
    }
}

// A "*" stands for up to twenty letters, in a rule file whose longest pattern is this one.
TEST(CleanupRules, AStarStandsForTwentyLettersAtMost) {
    const CleanupRules rules = CleanupRules::parse(u"= 上一章*下一章\n");
    EXPECT_TRUE(rules.removesLine(u"上一章甲乙丙丁戊己庚辛壬癸甲乙丙丁戊己庚辛壬癸下一章"));
    EXPECT_FALSE(rules.removesLine(u"上一章甲乙丙丁戊己庚辛壬癸甲乙丙丁戊己庚辛壬癸子下一章"));
}

TEST(CleanupText, HasLettersCountsWhatLettersKeeps) {
    const std::pair<const char16_t*, bool> cases[] = {
        {u"", false},     {u"　｜　", false}, {u"——……", false}, {u"ＡＢ", true},
        {u"𠍀", true},    {u"😀", false},     {u"３", true},     {u"-- 3 --", true},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(CleanupText::hasLetters(text), expected) << QStringView(text).toString().toStdString();
        EXPECT_EQ(!CleanupText::letters(text).isEmpty(), expected) << QStringView(text).toString().toStdString();
    }
}

TEST(CleanupRules, TheStartingSetIsWrittenOnceAndReadBack) {
    QTemporaryDir dir;
    const QString path = dir.path() + u'/' + CleanupRules::fileName();
    FileError error;
    ASSERT_TRUE(CleanupRules::installStartingSet(path, &error)) << error.description.toStdString();
    CleanupRules read;
    ASSERT_TRUE(CleanupRules::read(path, read, &error));
    EXPECT_EQ(read.unknownLines(), 0);
    EXPECT_TRUE(read.removesLine(u"上一章 | 目录 | 下一章"));
    // A user's own file is never written over.
    ASSERT_TRUE(TestFiles::write(path, "= mine\n"));
    ASSERT_TRUE(CleanupRules::installStartingSet(path, &error));
    EXPECT_EQ(TestFiles::read(path), QByteArray("= mine\n"));
}

struct LearnCase {
    const char* rule;
    int files;       // files in the batch
    int withLine;    // files holding the line
    bool nearEdge;   // near the start (else in the middle of 40 lines)
    bool learned;
};

TEST(BoilerplateLearner, WhatABatchTeaches) {
    const QString site = QStringLiteral("飘天文学 独家连载");
    const LearnCase cases[] = {
        {"on every page, at the top", 6, 6, true, true},
        {"on 60 % of the pages", 5, 3, true, true},
        {"on fewer than 60 %", 5, 2, true, false},
        {"a batch of fewer than five files teaches nothing", 4, 4, true, false},
        {"mostly in the middle of the text", 6, 6, false, false},
    };
    const QStringList sentences = realSentences();
    for (const LearnCase& c : cases) {
        BoilerplateLearner learner;
        for (int f = 0; f < c.files; ++f) {
            QStringList lines = sentences.mid(f * 40, 40);
            if (f < c.withLine)
                lines.insert(c.nearEdge ? 1 : 20, site);
            for (const QString& line : lines)
                learner.addLine(line);
            learner.endFile();
        }
        EXPECT_EQ(learner.finish().contains(CleanupText::letters(site)), c.learned) << c.rule;
    }
}

TEST(BoilerplateLearner, AHeadingOnEveryPageIsNeverLearned) {
    BoilerplateLearner learner;
    for (int f = 0; f < 6; ++f) {
        learner.addLine(u"序章");
        learner.addLine(u"第一卷");
        learner.addLine(u"他走了。");
        learner.addLine(u"书香小筑 独家连载");
        learner.endFile();
    }
    // "他走了。" is on every page too, near its edge, but a sentence is never learned.
    EXPECT_EQ(learner.finish(), QSet<QString>{QStringLiteral("书香小筑独家连载")});
}

struct ClassicCase {
    const char* rule;
    const char16_t* line;
    int files;     // of eight, holding the line
    bool atStart;  // else at the end
};

// A classic-style novel repeats its own formulas at the edges of its chapters: none is the site's.
TEST(BoilerplateLearner, ABooksOwnFormulasAreNotLearned) {
    const ClassicCase cases[] = {
        {"a verse opening", u"诗曰：", 6, true},
        {"a closing couplet's lead", u"正是：", 6, false},
        {"a closing couplet", u"一饮一啄皆前定，万事由天莫强求。", 6, false},
        {"the chapter's last words", u"毕竟不知后事如何，且听下回分解。", 8, false},
        {"a short reply near the start", u"“好。”", 6, true},
        {"a short word without punctuation", u"好", 8, true},
    };
    const QStringList sentences = realSentences();
    for (const ClassicCase& c : cases) {
        BoilerplateLearner learner;
        for (int f = 0; f < 8; ++f) {
            QStringList lines = sentences.mid(f * 40, 40);
            if (f < c.files)
                lines.insert(c.atStart ? 1 : lines.size() - 1, QStringView(c.line).toString());
            for (const QString& line : lines)
                learner.addLine(line);
            learner.endFile();
        }
        EXPECT_EQ(learner.finish(), QSet<QString>()) << c.rule;
    }
}

struct InvisibleCase {
    const char* rule;
    const char16_t* line;
    bool atFileStart;
    const char16_t* expected;
    int removed;
    int formatKept;
};

TEST(InvisibleCharacters, RemovedOrCounted) {
    const InvisibleCase cases[] = {
        {"zero-width space between Chinese characters", u"他\u200B走了", false, u"他走了", 1, 0},
        {"the whole range U+200B to U+200F", u"a\u200B\u200C\u200D\u200E\u200Fb", false, u"ab", 5, 0},
        {"word joiner and soft hyphen", u"in\u00ADter\u2060net", false, u"internet", 2, 0},
        {"U+FEFF inside the text", u"他\uFEFF走", false, u"他走", 1, 0},
        {"U+FEFF at the file's start is its byte order mark", u"\uFEFF他走", true, u"\uFEFF他走", 0, 0},
        {"U+FEFF at the start of a later line", u"\uFEFF他走", false, u"他走", 1, 0},
        {"bidirectional marks are counted, kept", u"\u202A他\u202C", false, u"\u202A他\u202C", 0, 2},
        {"a tag character outside the BMP is counted whole", u"旗\U000E0067", false, u"旗\U000E0067", 0, 1},
        {"a 4-byte character is kept", u"𠍀\u200B字", false, u"𠍀字", 1, 0},
        {"a joiner inside an emoji family stays", u"👨\u200D👩\u200D👧", false, u"👨\u200D👩\u200D👧", 0, 0},
        {"a joiner after a variation selector stays", u"❤\uFE0F\u200D🔥", false, u"❤\uFE0F\u200D🔥", 0, 0},
        {"a joiner between an emoji and a Chinese character goes", u"👨\u200D他", false, u"👨他", 1, 0},
    };
    for (const InvisibleCase& c : cases) {
        QString line = QStringView(c.line).toString(); // fromUtf16 would drop a leading U+FEFF
        const InvisibleCount count = InvisibleCharacters(line, c.atFileStart);
        EXPECT_EQ(line, QStringView(c.expected).toString()) << c.rule;
        EXPECT_EQ(count.removed, c.removed) << c.rule;
        EXPECT_EQ(count.formatKept, c.formatKept) << c.rule;
    }
}

} // namespace
