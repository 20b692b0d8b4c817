#include "engine/WidthConversion.h"

#include "TextShown.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString narrow(QString line) {
    toHalfWidth(line);
    return line;
}

QString wide(QString line) {
    toFullWidth(line);
    return line;
}

TEST(WidthConversion, MapsAsciiAndTheSpace) {
    EXPECT_EQ(shown(narrow(u"ＡＢＣ　１２３"_s)), "ABC 123");
    EXPECT_EQ(shown(wide(u"Hello, world!"_s)), shown(u"Ｈｅｌｌｏ，　ｗｏｒｌｄ！"_s));
    EXPECT_EQ(shown(wide(u"!~ "_s)), shown(u"！～　"_s));
    EXPECT_EQ(shown(narrow(u"！～　"_s)), "!~ ");
}

TEST(WidthConversion, LeavesEverythingElse) {
    const QString esc = QString(QChar(0xDC80)) + QChar(0xDCFF);
    const struct {
        const char* rule;
        QString line;
        QString narrowed;
        QString widened;
    } rows[] = {
        {"CJK text and punctuation stay", u"中文。、「」"_s, u"中文。、「」"_s, u"中文。、「」"_s},
        {"characters next to the mapped ranges stay", u"\uFF00\uFF5F\x1F\x7F"_s, u"\uFF00\uFF5F\x1F\x7F"_s,
         u"\uFF00\uFF5F\x1F\x7F"_s},
        {"4-byte characters stay", u"𠍀"_s, u"𠍀"_s, u"𠍀"_s},
        {"escaped bytes stay", esc, esc, esc},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(shown(narrow(row.line)), shown(row.narrowed));
        EXPECT_EQ(shown(wide(row.line)), shown(row.widened));
    }
}

} // namespace

namespace {

TEST(WidthConversion, NarrowingMayKeepChinesePunctuationAndTheIndent) {
    const struct {
        const char* rule;
        QString line;
        QString narrowed;
    } rows[] = {
        {"letters and digits narrow, Chinese marks stay", u"　　他说：ＡＢＣ，１２３！（好）？"_s,
         u"　　他说：ABC，123！（好）？"_s},
        {"a full-width space inside the line narrows", u"ＡＢＣ　１２３"_s, u"ABC 123"_s},
        {"symbols that are no Chinese marks narrow", u"１＋１＝２；ｘ＠ｙ．ｃｏｍ～"_s, u"1+1=2；x@y.com～"_s},
        {"an indent after ASCII spaces stays too", u" 　ａ"_s, u" 　a"_s},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        QString line = row.line;
        toHalfWidth(line, WidthKeep::ChinesePunctuation);
        EXPECT_EQ(shown(line), shown(row.narrowed));
    }
}

} // namespace
