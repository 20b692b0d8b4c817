#include "platform/CodePageGuess.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

const QString Simplified = QStringLiteral("天色已晚，他推开门走了进去。屋里没有灯，只有窗外的月光照在地上，"
                                          "像一层薄薄的霜。他站了一会儿，才慢慢地坐下来，想起了很多年前的事情。");
const QString Traditional = QStringLiteral("天色已晚，他推開門走了進去。屋裡沒有燈，只有窗外的月光照在地上，"
                                           "像一層薄薄的霜。他站了一會兒，才慢慢地坐下來，想起了很多年前的事情。");

std::optional<TextEncoding> guess(const QByteArray& bytes) {
    CodePageGuess g;
    g.feed(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
    return g.verdict();
}

QByteArray encoded(const char* codec, const QString& text) {
    QStringEncoder encoder(codec);
    return encoder.encode(text);
}

TEST(CodePageGuessTest, settlesOnlyClearCases) {
    EXPECT_EQ(guess(encoded("GB18030", Simplified)), TextEncoding::Gb18030);
    EXPECT_EQ(guess(encoded("Big5", Traditional)), TextEncoding::Big5);
    EXPECT_EQ(guess(encoded("GB18030", Traditional)), std::nullopt)
        << "traditional text in GBK is left to the detector";
    EXPECT_EQ(guess(encoded("Big5", QStringLiteral("短句。"))), std::nullopt) << "too few characters to tell";
    EXPECT_EQ(guess(QByteArray("ab\x81\x30\x81\x30")), TextEncoding::Gb18030) << "four-byte characters are GB18030";
}

} // namespace

TEST(CodePageGuessTest, aFewGbkExtensionCharactersDoNotMakeSimplifiedTextUnclear)
{
    // 镕 and 堃 are GBK extension characters (trail bytes below 0xA1).
    const QString text = Simplified + QStringLiteral("镕堃");
    EXPECT_EQ(guess(encoded("GB18030", text)), TextEncoding::Gb18030);
}
