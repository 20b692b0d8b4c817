#include "engine/SpaceRemoval.h"

#include "TextShown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString removed(const QString& line) {
    QString out;
    removeIsolatedSpaces(line, out);
    return out;
}

TEST(SpaceRemoval, IsolatedSpacesGo) {
    const QString esc = QString(QChar(0xDC80));
    const struct {
        const char* rule;
        QString line;
        QString expected;
    } rows[] = {
        {"a space between two Chinese characters goes", u"中 文"_s, u"中文"_s},
        {"two spaces stay", u"中  文"_s, u"中  文"_s},
        {"a leading space stays, the others go", u" 中 文 "_s, u" 中文"_s},
        {"spaces between Latin words stay", u"Hello world"_s, u"Hello world"_s},
        {"a space before a Latin word stays", u"中 English"_s, u"中 English"_s},
        {"a space after a Latin word stays", u"English 中"_s, u"English 中"_s},
        {"digits are not letters", u"１ ２"_s, u"１２"_s},
        {"an ideographic space is a space", u"中　文"_s, u"中文"_s},
        {"a space between punctuation goes", u"。 ”"_s, u"。”"_s},
        {"an empty line stays empty", u""_s, u""_s},
        {"a line of spaces stays", u"   "_s, u"   "_s},
        {"a line of ideographic spaces stays", u"　　"_s, u"　　"_s},
        {"a space before a tab goes", u"中 \t"_s, u"中\t"_s},
        {"a space after a tab goes", u"\t 文"_s, u"\t文"_s},
        {"one trailing space goes", u"中文 "_s, u"中文"_s},
        {"two trailing spaces stay", u"中文  "_s, u"中文  "_s},
        {"full-width letters count as letters", u"中 ａ Ｚ 文"_s, u"中 ａ Ｚ 文"_s},
        {"each of two isolated spaces in a row of characters goes", u"中 文 字"_s, u"中文字"_s},
        {"a space between 4-byte characters goes", u"𠍀 𠍀"_s, u"𠍀𠍀"_s},
        {"escaped bytes are neither spaces nor letters", esc + u" "_s + esc + esc, esc + esc + esc},
        {"a heading keeps the space after its number", u"第2章 夜宿古庙"_s, u"第2章 夜宿古庙"_s},
        {"a heading with Chinese numerals too", u"　　第十一回　灵根 育孕"_s, u"　　第十一回　灵根育孕"_s},
        {"only the space right after the label", u"第3卷 上 下"_s, u"第3卷 上下"_s},
        {"第 without a number is no heading", u"第 章 文"_s, u"第章文"_s},
        {"a label not at the line's start is none", u"见第2章 夜宿"_s, u"见第2章夜宿"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(removed(row.line)), shown(row.expected));
    }
}

TEST(SpaceRemoval, IsLetterTestsTheFirstCharacterAgainstFourRanges) {
    const struct {
        QString text;
        bool letter;
    } rows[] = {
        {u"a"_s, true},       {u"z"_s, true},       {u"A"_s, true},       {u"Z"_s, true},       {u"ａ"_s, true},
        {u"ｚ"_s, true},      {u"Ａ"_s, true},      {u"Ｚ"_s, true},      {u"ab中"_s, true},    {u"中a"_s, false},
        {u"@"_s, false},      {u"["_s, false},      {u"`"_s, false},      {u"{"_s, false},      {u"１"_s, false},
        {u"\uFF20"_s, false}, {u"\uFF3B"_s, false}, {u"\uFF40"_s, false}, {u"\uFF5B"_s, false}, {u"é"_s, false},
        {u""_s, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(shown(row.text));
        EXPECT_EQ(IsLetter(row.text), row.letter);
    }
}

} // namespace
