#include "platform/HtmlCharset.h"

#include "fakes/TestFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(HtmlCharsetTest, FindsTheDeclaredCharset) {
    const struct {
        const char* rule;
        QByteArray page;
        std::optional<TextEncoding> expected;
    } cases[] = {
        {"meta charset", "<html><head><meta charset=\"gbk\"></head>", TextEncoding::Gb18030},
        {"http-equiv form, upper case",
         "<HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=BIG5\"></HEAD>", TextEncoding::Big5},
        {"unquoted with spaces", "<meta charset = utf-8 >", TextEncoding::Utf8},
        {"single quotes, self-closing", "<meta charset='GB2312'/>", TextEncoding::Gb18030},
        {"gb18030", "<meta content=\"text/html;charset=gb18030\" http-equiv=\"content-type\">", TextEncoding::Gb18030},
        {"the first declaration counts", "<meta charset=\"big5\"><meta charset=\"gbk\">", TextEncoding::Big5},
        {"a charset this program does not read", "<meta charset=\"iso-8859-1\">", std::nullopt},
        {"no declaration", "<html><head><title>x</title></head>", std::nullopt},
        {"charset outside a meta tag", "<p>charset=gbk</p>", std::nullopt},
        {"only the first 4 KB are looked at", QByteArray(5000, ' ') + "<meta charset=\"gbk\">", std::nullopt},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const QString path = dir.filePath(QStringLiteral("page.htm"));
        ASSERT_TRUE(TestFiles::write(path, c.page));
        EXPECT_EQ(declaredHtmlCharset(path), c.expected);
    }
    EXPECT_EQ(declaredHtmlCharset(dir.filePath(QStringLiteral("missing.htm"))), std::nullopt);
}

} // namespace
