#include "platform/EncodingDetector.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/TextDecoder.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr qsizetype WholePiece = qsizetype(1) << 30;

std::optional<TextEncoding> detect(QByteArrayView bytes, TextEncoding fallback = TextEncoding::Gb18030) {
    EncodingDetector detector;
    detector.feed(reinterpret_cast<const uchar*>(bytes.data()), bytes.size());
    detector.finish();
    return detector.verdict(fallback);
}

QString decoded(TextEncoding encoding, QByteArrayView bytes) {
    std::vector<char16_t> text(size_t(bytes.size()) + 1);
    qsizetype written = 0;
    TextDecoder(encoding).decode(reinterpret_cast<const uchar*>(bytes.data()), bytes.size(), true, text.data(),
                                 &written);
    return QString(reinterpret_cast<const QChar*>(text.data()), written);
}

QByteArray encoded(const char* codec, const QString& text) {
    QStringEncoder encoder(codec);
    return encoder.encode(text);
}

int hanCount(const QString& text) {
    int count = 0;
    for (QChar c : text)
        count += c.unicode() >= 0x3400 && c.unicode() <= 0x9FFF;
    return count;
}

// Short lines of real text (manual pages, fortunes and poems) in both code pages. Each line is told
// on its own, with the other code page as the fallback, so that a line only counts as right when its
// bytes decided it. Every line of four Chinese characters or more must be right.
TEST(EncodingDetectorTest, tellsShortLinesOfRealTextApart) {
    const struct {
        const char* file;
        TextEncoding encoding;
        TextEncoding other;
    } corpora[] = {{"gb18030-lines.txt", TextEncoding::Gb18030, TextEncoding::Big5},
                   {"big5-lines.txt", TextEncoding::Big5, TextEncoding::Gb18030}};
    for (const auto& corpus : corpora) {
        SCOPED_TRACE(corpus.file);
        const QByteArray all = TestFiles::read(QStringLiteral(QM_TEST_DATA "/detect/") + QLatin1String(corpus.file));
        int lines = 0, right = 0, longLines = 0, longRight = 0;
        for (const QByteArray& line : all.split('\n')) {
            if (line.isEmpty())
                continue;
            const bool isRight = detect(line, corpus.other) == corpus.encoding;
            const QString text = decoded(corpus.encoding, line);
            const bool isLong = hanCount(text) >= 4;
            // The same line with its line end in UTF-16 without BOM, either byte order.
            const QString inFile = text + QStringLiteral("\r\n");
            EXPECT_EQ(detect(encoded("UTF-16LE", inFile)), TextEncoding::Utf16LENoBom) << text.toStdString();
            EXPECT_EQ(detect(encoded("UTF-16BE", inFile)), TextEncoding::Utf16BENoBom) << text.toStdString();
            ++lines;
            right += isRight;
            longLines += isLong;
            longRight += isLong && isRight;
            if (isLong)
                EXPECT_TRUE(isRight) << decoded(corpus.encoding, line).toStdString();
            else if (!isRight)
                std::printf("short line misread: %s\n", decoded(corpus.encoding, line).toUtf8().constData());
        }
        EXPECT_GE(lines, 500);
        std::printf("%s: %d of %d lines right; %d of %d lines of four characters or more\n", corpus.file, right, lines,
                    longRight, longLines);
    }
}

TEST(EncodingDetectorTest, followsTheRules) {
    const QString poem = QStringLiteral("春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。");
    const struct {
        const char* rule;
        QByteArray bytes;
        std::optional<TextEncoding> expected;
        TextEncoding fallback = TextEncoding::Gb18030;
    } cases[] = {
        {"UTF-8 with a stray byte is UTF-8", encoded("UTF-8", QStringLiteral("欣欣向荣，")) + "\xFF",
         TextEncoding::Utf8},
        {"UTF-8 with three stray bytes is UTF-8", "\xA3" + encoded("UTF-8", poem) + "\xE6\xAC" + encoded("UTF-8", poem),
         TextEncoding::Utf8},
        {"GB18030 with many valid UTF-8 pairs stays GB18030", encoded("GB18030", QStringLiteral("拍手称快，我们")),
         TextEncoding::Gb18030, TextEncoding::Big5},
        {"valid UTF-8 of two-byte characters only is UTF-8", encoded("UTF-8", QStringLiteral("Привет, как дела?")),
         TextEncoding::Utf8},
        {"short Big5 with ASCII", encoded("Big5", QStringLiteral("對ㄚ!")), TextEncoding::Big5},
        {"UTF-16LE without BOM", encoded("UTF-16LE", QStringLiteral("第一章\r\n") + poem + QStringLiteral("\r\n")),
         TextEncoding::Utf16LENoBom},
        {"UTF-16BE without BOM", encoded("UTF-16BE", QStringLiteral("第一章\n") + poem), TextEncoding::Utf16BENoBom},
        {"UTF-16LE of ASCII only", encoded("UTF-16LE", QStringLiteral("chapter 1\r\n")), TextEncoding::Utf16LENoBom},
        {"UTF-16LE without a NUL byte", encoded("UTF-16LE", poem), TextEncoding::Utf16LENoBom},
        {"a NUL byte is not text", QByteArray("abc\0def", 7), std::nullopt},
        {"a NUL byte far behind long GB18030 text is not text",
         encoded("GB18030", poem.repeated(200)) + QByteArray(1, '\0'), std::nullopt},
        {"a NUL byte far behind text that is clearly no UTF-8 is not text",
         encoded("UTF-8", poem) + encoded("GB18030", poem.repeated(200)) + QByteArray(1, '\0'), std::nullopt},
        {"an escape character is not text", "\x1B[32mabc\x1B[m", std::nullopt},
        {"a PNG file is not text", QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), std::nullopt},
        {"a gzip file is not text", QByteArray("\x1F\x8B\x08\x08\xC4\x37\x6F\x65\x00\x03", 10), std::nullopt},
        {"a GB18030 heading before long UTF-8 text is UTF-8 with stray bytes",
         encoded("GB18030", poem.repeated(2)) + encoded("UTF-8", poem.repeated(40)), TextEncoding::Utf8},
        {"a short chapter that is mostly a table drawn in box lines stays GB18030",
         encoded("GB18030", QStringLiteral("第2章 表\r\n　　┌────────────────────────────────┐\r\n"
                                           "　　├────────────────┼───────────────┤\r\n"
                                           "　　└────────────────────────────────┘\r\n")),
         TextEncoding::Gb18030, TextEncoding::Big5},
        {"the same table drawn in Big5 stays Big5",
         encoded("Big5", QStringLiteral("第2章 表\r\n　　┌────────────────────────────────┐\r\n"
                                        "　　└────────────────────────────────┘\r\n")),
         TextEncoding::Big5},
        {"TAB, FF and SUB are text", "a\tb\fc\x1A", TextEncoding::Big5, TextEncoding::Big5},
        {"ASCII only takes the fallback", "plain text\r\n", TextEncoding::Big5, TextEncoding::Big5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        EXPECT_EQ(detect(c.bytes, c.fallback), c.expected);
        // The same bytes fed one at a time.
        EncodingDetector detector;
        for (char byte : c.bytes)
            detector.feed(reinterpret_cast<const uchar*>(&byte), 1);
        detector.finish();
        EXPECT_EQ(detector.verdict(c.fallback), c.expected);
        // The same bytes with their size told first, as the reader tells it: the detector may settle
        // early, never on another verdict.
        EncodingDetector sized;
        sized.expectSize(c.bytes.size());
        sized.feed(reinterpret_cast<const uchar*>(c.bytes.data()), c.bytes.size());
        sized.finish();
        EXPECT_EQ(sized.verdict(c.fallback), c.expected);
    }
}

// Lines of real French, German, Spanish and Japanese (program messages) in Latin-1, CP1252 and
// Shift-JIS: read as GB18030 or Big5 they give rare characters and bytes that do not decode. Each
// line alone, and each file whole, is not understood (no verdict, and no control bytes either).
TEST(EncodingDetectorTest, textThatIsNoChineseIsNotUnderstood) {
    const char* corpora[] = {"latin1-lines.txt", "cp1252-lines.txt", "shift-jis-lines.txt"};
    for (const char* corpus : corpora) {
        SCOPED_TRACE(corpus);
        const QByteArray all = TestFiles::read(QStringLiteral(QM_TEST_DATA "/detect/") + QLatin1String(corpus));
        int lines = 0;
        int refused = 0;
        for (const QByteArray& line : all.split('\n')) {
            if (line.isEmpty())
                continue;
            ++lines;
            refused += !detect(line).has_value();
        }
        EXPECT_GE(lines, 150);
        // A line with a single accented letter may happen to read as a plausible character.
        EXPECT_GE(refused * 100, lines * 90);
        std::printf("%s: %d of %d lines not understood\n", corpus, refused, lines);
        EncodingDetector whole;
        whole.feed(reinterpret_cast<const uchar*>(all.data()), all.size());
        whole.finish();
        EXPECT_EQ(whole.verdict(TextEncoding::Gb18030), std::nullopt);
        EXPECT_FALSE(whole.hasControlBytes());
    }
    // Short lines with one or two accented letters.
    for (const QByteArray& line : {QByteArray("Le caf\xe9 est tr\xe8s bon."), QByteArray("M\xfcnchen ist sch\xf6n")}) {
        SCOPED_TRACE(line.constData());
        EXPECT_EQ(detect(line), std::nullopt);
        EXPECT_EQ(detect(line, TextEncoding::Big5), std::nullopt);
    }
}

// The bytes fed in pieces whose sizes `nextPiece` gives, with the size told first when `sized`.
template <typename NextPiece>
std::optional<TextEncoding> detectInPieces(QByteArrayView bytes, bool sized, NextPiece nextPiece) {
    EncodingDetector detector;
    if (sized)
        detector.expectSize(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype size = std::min<qsizetype>(nextPiece(), bytes.size() - at);
        detector.feed(reinterpret_cast<const uchar*>(bytes.data()) + at, size);
        at += size;
    }
    detector.finish();
    return detector.verdict(TextEncoding::Gb18030);
}

TEST(EncodingDetectorTest, theVerdictDependsOnTheBytesNotOnThePieces) {
    const QString poem = QStringLiteral("春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。\r\n");
    const QString latin = QStringLiteral("Le café est très bon, dit-il à l'été.\r\n");
    const struct {
        const char* rule;
        QByteArray bytes;
    } cases[] = {
        // 10 KB of code page, then 237 KB of UTF-8: the first piece alone looks like no UTF-8.
        {"a long GB18030 start before much longer UTF-8",
         encoded("GB18030", poem.repeated(140)) + encoded("UTF-8", poem.repeated(3300))},
        {"a long Big5 start before much longer UTF-8",
         encoded("Big5", QStringLiteral("國語日報，天天看報。\r\n").repeated(500)) +
             encoded("UTF-8", poem.repeated(3300))},
        {"long GB18030 with a little UTF-8 behind",
         encoded("GB18030", poem.repeated(3000)) + encoded("UTF-8", poem.repeated(30))},
        {"long UTF-8 with stray bytes all along", (encoded("UTF-8", poem.repeated(20)) + "\xFF").repeated(400)},
        {"Latin-1 then UTF-8", encoded("ISO-8859-1", latin.repeated(2000)) + encoded("UTF-8", poem.repeated(3000))},
        {"UTF-8 then a NUL far behind", encoded("UTF-8", poem.repeated(5000)) + QByteArray(1, '\0')},
    };
    std::mt19937 random(20261207);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const std::optional<TextEncoding> whole = detect(c.bytes);
        for (const bool sized : {false, true}) {
            EXPECT_EQ(detectInPieces(c.bytes, sized, [] { return 64 * 1024; }), whole) << "64 KB pieces";
            EXPECT_EQ(detectInPieces(c.bytes, sized, [] { return WholePiece; }), whole) << "one piece";
            for (int round = 0; round < 20; ++round) {
                const unsigned seed = unsigned(random());
                std::mt19937 pieces(seed);
                std::uniform_int_distribution<int> size(1, round % 2 == 0 ? 64 : 100000);
                EXPECT_EQ(detectInPieces(c.bytes, sized, [&] { return size(pieces); }), whole)
                    << "random pieces, seed " << seed;
            }
        }
    }
}
} // namespace
