#include "engine/ParagraphReflower.h"

#include "TextShown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString reflow(const QStringList& lines) {
    ParagraphReflower reflower;
    return joinedPieces(lines, [&](const QString& line, QString& piece) { reflower.reflowLine(line, piece); });
}

struct Row {
    const char* rule;
    QStringList lines;
    QString expected;
};

void check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(reflow(row.lines)), shown(row.expected));
    }
}

TEST(ParagraphReflower, ChapterOpening) {
    check(
        {{"chapter opening",
          {u"        第一章  起点"_s, u""_s, u"　　天色已晚，他推开"_s, u"门走了进去。"_s, u""_s, u""_s, u"他说："_s,
           u"  “你来了”"_s, u"短行"_s, u""_s, u"结束"_s},
          u"        第一章  起点\r\n\r\n　　天色已晚，他推开门走了进去。\r\n\r\n他说：\r\n  “你来了”\r\n短行\r\n\r\n结束"_s}});
}

TEST(ParagraphReflower, JoiningAndEnding) {
    check({
        {"one long line without an end mark is copied without a break",
         {u"这是一行很长的文字但是没有任何结束标记在末尾"_s},
         u"这是一行很长的文字但是没有任何结束标记在末尾"_s},
        {"a line without an end mark is joined to the next",
         {u"这是一行很长的文字但是没有结束"_s, u"下一行接上了。"_s},
         u"这是一行很长的文字但是没有结束下一行接上了。\r\n"_s},
        {"a hyphen ends the paragraph",
         {u"a long line of text ending -"_s, u"next"_s},
         u"a long line of text ending -\r\nnext"_s},
        {"trailing spaces go before the end mark is looked at",
         {u"这是一行很长的文字，句号在后。   "_s},
         u"这是一行很长的文字，句号在后。\r\n"_s},
        {"a full-width space is not trimmed and hides the end mark",
         {u"这是一行很长的文字，句号在后。　"_s, u"x"_s},
         u"这是一行很长的文字，句号在后。　x"_s},
        {"8 leading spaces keep a line on its own", {u"        居中"_s, u"正文"_s}, u"        居中\r\n正文"_s},
        {"7 leading spaces do not", {u"       不居中的一行文字"_s, u"正文"_s}, u"       不居中的一行文字正文"_s},
        {"an indented line ending with an end mark gets one break", {u"        居中。"_s}, u"        居中。\r\n"_s},
        {"a lone escaped byte is not an end mark",
         {u"这是一行很长的文字但是没有结束"_s + QChar(0xDC80), u"x"_s},
         u"这是一行很长的文字但是没有结束"_s + QChar(0xDC80) + u"x"_s},
    });
}

TEST(ParagraphReflower, EmptyLines) {
    check({
        {"lines of spaces count as empty",
         {u"这是一行很长的文字，句号在后。"_s, u"   "_s, u" "_s, u"下一段。"_s},
         u"这是一行很长的文字，句号在后。\r\n\r\n下一段。\r\n"_s},
        {"three empty lines after a sentence leave one empty line",
         {u"句子。"_s, u""_s, u""_s, u""_s, u"下一段。"_s},
         u"句子。\r\n\r\n下一段。\r\n"_s},
        {"a run of empty lines between open lines becomes one break",
         {u"这是一行很长的文字但是没有结束"_s, u""_s, u""_s, u"这是另一行很长的文字也没有结束"_s},
         u"这是一行很长的文字但是没有结束\r\n这是另一行很长的文字也没有结束"_s},
        {"empty lines at the start give one break", {u""_s, u""_s, u"x"_s}, u"\r\nx"_s},
        {"an empty file gives nothing", {}, u""_s},
    });
}

TEST(ParagraphReflower, ShortLines) {
    check({
        {"a short line followed by two empty lines gives three breaks",
         {u"短行"_s, u""_s, u""_s, u"正文"_s},
         u"短行\r\n\r\n\r\n正文"_s},
        {"a short line followed by a line indented by full-width spaces is joined",
         {u"短行"_s, u"　　正文"_s},
         u"短行　　正文"_s},
        {"a short line followed by a line indented by 2 spaces keeps its break",
         {u"短行"_s, u"  这是很长的一行正文"_s},
         u"短行\r\n  这是很长的一行正文"_s},
        {"one leading space is not enough", {u"短行"_s, u" 正文"_s}, u"短行 正文"_s},
        {"12 characters is short", {u"123456789012"_s, u""_s}, u"123456789012\r\n\r\n"_s},
        {"13 characters is not", {u"1234567890123"_s, u""_s}, u"1234567890123\r\n"_s},
        {"the break put in front counts two characters",
         {u"短行"_s, u"  123456789"_s, u""_s},
         u"短行\r\n  123456789\r\n"_s},
        {"a line with a break in front is short when it is 12 with the break",
         {u"短行"_s, u"  12345678"_s, u""_s},
         u"短行\r\n  12345678\r\n\r\n"_s},
        {"a line with a break in front has no leading spaces left",
         {u"短行"_s, u"          很长的居中行"_s, u"正文"_s},
         u"短行\r\n          很长的居中行正文"_s},
        {"a short line joined to a short line stays open", {u"短"_s, u"行"_s, u""_s}, u"短行\r\n\r\n"_s},
    });
}

TEST(ParagraphReflower, EndMarksAreExactlyThe25) {
    const QString marks = u"。：）！…；》”’？」』】〗]}.:)!;\"'?-"_s;
    ASSERT_EQ(marks.size(), 25);
    for (const QChar c : marks) {
        SCOPED_TRACE(shown(QString(c)));
        EXPECT_TRUE(ParagraphReflower::isEndMark(c));
    }
    const QString others = u"，、,（(“‘《「—~\u3000 a中"_s + QChar(0xDC80);
    for (const QChar c : others) {
        SCOPED_TRACE(shown(QString(c)));
        EXPECT_FALSE(ParagraphReflower::isEndMark(c));
    }
}

} // namespace
