#include "platform/TextDecoder.h"
#include "platform/TextEncoder.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/EscapedText.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// Random bytes that look enough like text to reach every branch of the decoders: ASCII, line ends,
// lead and trail bytes of the legacy code pages, UTF-8 leads and continuations, surrogate halves.
QByteArray randomBytes(std::mt19937& random, int maxSize) {
    static const uchar interesting[] = {0x00, 0x0A, 0x0D, 0x30, 0x39, 0x40, 0x7E, 0x7F, 0x80, 0x81, 0x84, 0x87,
                                        0x8F, 0x90, 0x95, 0xA1, 0xA2, 0xA4, 0xBF, 0xC2, 0xCC, 0xD5, 0xD6, 0xD8,
                                        0xDC, 0xDF, 0xE3, 0xE4, 0xED, 0xEF, 0xF0, 0xF4, 0xF9, 0xFE, 0xFF};
    QByteArray bytes(qsizetype(random() % (maxSize + 1)), '\0');
    for (char& byte : bytes) {
        switch (random() % 3) {
        case 0:
            byte = char(interesting[random() % sizeof interesting]);
            break;
        case 1:
            byte = char(0x20 + random() % 0x60);
            break;
        default:
            byte = char(random());
        }
    }
    return bytes;
}

// Decodes in random pieces the way TextReader does: what a piece leaves over goes in front of the next.
std::u16string decodeInPieces(TextEncoding encoding, const QByteArray& bytes, std::mt19937& random) {
    const TextDecoder decoder(encoding);
    std::u16string text;
    QByteArray pending;
    qsizetype at = 0;
    for (;;) {
        const qsizetype piece = std::min<qsizetype>(bytes.size() - at, 1 + random() % 9);
        pending.append(bytes.mid(at, piece));
        at += piece;
        const bool final = at == bytes.size();
        std::vector<char16_t> out(size_t(pending.size()) + 1);
        qsizetype written = 0;
        const qsizetype used = decoder.decode(reinterpret_cast<const uchar*>(pending.constData()), pending.size(),
                                              final, out.data(), &written);
        text.append(out.data(), size_t(written));
        pending.remove(0, used);
        if (final) {
            EXPECT_TRUE(pending.isEmpty());
            return text;
        }
    }
}

// The text is written back as the file's own, so Big5 keeps the extension codes the text came from.
QByteArray encodeInPieces(TextEncoding encoding, const std::u16string& text, std::mt19937& random, int* unmappable) {
    TextEncoder encoder(encoding);
    encoder.allowExtensionCharacters(QStringView(text.data(), qsizetype(text.size())));
    QByteArray bytes;
    size_t at = 0;
    while (at < text.size()) {
        const size_t piece = std::min<size_t>(text.size() - at, 1 + random() % 9);
        std::vector<char> out(size_t(TextEncoder::maxBytes(qsizetype(piece))));
        bytes.append(out.data(), encoder.encode(text.data() + at, qsizetype(piece), out.data()));
        at += piece;
    }
    char tail[8];
    bytes.append(tail, encoder.finish(tail));
    *unmappable = encoder.unmappableCount();
    return bytes;
}

// Any bytes, decoded in any pieces and encoded back in any pieces, come out as the same bytes, in every
// encoding the reader can choose.
TEST(TextRoundTripTest, AnyBytesSurviveDecodingAndEncoding) {
    const TextEncoding encodings[] = {TextEncoding::Utf8,        TextEncoding::Utf8Bom, TextEncoding::Utf16LE,
                                      TextEncoding::Utf16BE,     TextEncoding::Gb18030, TextEncoding::Big5,
                                      TextEncoding::Utf16LENoBom};
    for (TextEncoding encoding : encodings) {
        SCOPED_TRACE(encodingName(encoding).toStdString());
        std::mt19937 random(20030705);
        int failures = 0;
        for (int round = 0; round < 3000 && failures < 3; ++round) {
            const QByteArray bytes = randomBytes(random, 40);
            const std::u16string text = decodeInPieces(encoding, bytes, random);
            int unmappable = 0;
            const QByteArray back = encodeInPieces(encoding, text, random, &unmappable);
            EXPECT_EQ(back, bytes);
            EXPECT_EQ(unmappable, 0);
            failures += back != bytes;
        }
    }
}

// Every code point the legacy tables decode encodes to the bytes it came from, and nothing decodes to a
// surrogate, which would be taken for an escape.
TEST(TextRoundTripTest, EveryTwoByteCodeOfTheCodePagesRoundTrips) {
    for (TextEncoding encoding : {TextEncoding::Gb18030, TextEncoding::Big5}) {
        SCOPED_TRACE(encodingName(encoding).toStdString());
        QByteArray all;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                all.append(char(lead));
                all.append(char(trail));
            }
        }
        std::mt19937 random(1);
        const std::u16string text = decodeInPieces(encoding, all, random);
        int unmappable = 0;
        EXPECT_EQ(encodeInPieces(encoding, text, random, &unmappable), all);
    }
}

// Big5 is written as plain Big5: every character the writer can store, written out, is read back by
// glibc's BIG5 and CP950 converters, none of them as a private-use character.
TEST(TextRoundTripTest, EveryBig5CodeWrittenIsReadByCp950AndGlibc) {
    if (QStandardPaths::findExecutable(QStringLiteral("iconv")).isEmpty())
        GTEST_SKIP() << "no iconv";
    TextEncoder encoder(TextEncoding::Big5);
    QByteArray all;
    qsizetype characters = 0;
    for (char16_t unit = 0x80; unit < 0xD800; ++unit) {
        char bytes[8];
        const qsizetype size = encoder.encode(&unit, 1, bytes);
        if (size == 2) {
            all.append(bytes, 2);
            ++characters;
        }
    }
    EXPECT_GT(characters, 13000);
    for (const char* name : {"BIG5", "CP950"}) {
        SCOPED_TRACE(name);
        QProcess iconv;
        iconv.start(QStringLiteral("iconv"),
                    {QStringLiteral("-f"), QLatin1String(name), QStringLiteral("-t"), QStringLiteral("UTF-16LE")});
        iconv.write(all);
        iconv.closeWriteChannel();
        ASSERT_TRUE(iconv.waitForFinished(30000));
        EXPECT_EQ(iconv.exitCode(), 0) << iconv.readAllStandardError().toStdString();
        const QByteArray read = iconv.readAllStandardOutput();
        const QString text(reinterpret_cast<const QChar*>(read.constData()), read.size() / 2);
        EXPECT_EQ(text.size(), characters);
        EXPECT_FALSE(std::any_of(text.begin(), text.end(),
                                 [](QChar c) { return c.unicode() >= 0xE000 && c.unicode() < 0xF900; }));
    }
}

// Every BMP character, in UTF-8 and in the code pages, is read and written as an independent codec
// reads and writes it, whether it stands alone or in a run of its own kind, wherever the pieces cut:
// the decoder and encoder take the common characters a run at a time and the others one by one, and
// the two ways must agree.
TEST(TextRoundTripTest, EveryBmpCharacterIsReadAndWrittenAsAnIndependentCodecDoes) {
    QString all;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF)
            all.append(QChar(char16_t(c)));
    }
    // Characters of every kind side by side: ASCII, two- and three-byte UTF-8, four-byte GB18030.
    const QString mixed = QString::fromUtf8("a\u00e9\u4e2d\u00a5\u07ff\u0800\uffff\u20ac\ud7ff\ue000 \U00020000\u3000b");
    const std::u16string sources[] = {all.toStdU16String(), mixed.repeated(50).toStdU16String()};
    for (const char* name : {"UTF-8", "GB18030"}) {
        SCOPED_TRACE(name);
        const TextEncoding encoding = std::string(name) == "UTF-8" ? TextEncoding::Utf8 : TextEncoding::Gb18030;
        QStringEncoder qtEncoder(name);
        QStringDecoder qtDecoder(name);
        ASSERT_TRUE(qtEncoder.isValid() && qtDecoder.isValid());
        for (const std::u16string& text : sources) {
            const QByteArray expected = qtEncoder.encode(QStringView(text.data(), qsizetype(text.size())));
            std::mt19937 random(11);
            int unmappable = 0;
            EXPECT_EQ(encodeInPieces(encoding, text, random, &unmappable), expected);
            EXPECT_EQ(unmappable, 0);
            EXPECT_EQ(decodeInPieces(encoding, expected, random), text);
        }
    }
}

// Bytes that are no UTF-8 character, next to ones that are: each stray byte is kept as its escape,
// and the characters around it are read in full.
TEST(TextRoundTripTest, Utf8BytesThatAreNoCharacterAreEscapedOneByOne) {
    struct Case {
        const char* rule;
        QByteArray bytes;
        const char* text;
    };
    const Case cases[] = {
        {"a three-byte character", "\xE4\xB8\xAD", "中"},
        {"a surrogate written as UTF-8", "\xED\xA0\x80\xE4\xB8\xAD", "<ED><A0><80>中"},
        {"the last character before the surrogates", "\xED\x9F\xBF", "\uD7FF"},
        {"an overlong three-byte form", "\xE0\x80\x80" "a", "<E0><80><80>a"},
        {"the first character of E0", "\xE0\xA0\x80", "\u0800"},
        {"a lead byte without its second trail byte", "\xE4\xB8" "a\xE4\xB8\xAD", "<E4><B8>a中"},
        {"a trail byte alone", "\x80\xE4\xB8\xAD\xBF", "<80>中<BF>"},
        {"a character cut off at the end", "\xE4\xB8\xAD\xE4\xB8", "中<E4><B8>"},
        {"a lead byte no character starts with", "\xFF\xC0\xAF\xE4\xB8\xAD", "<FF><C0><AF>中"},
    };
    const TextDecoder decoder(TextEncoding::Utf8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        std::vector<char16_t> out(size_t(c.bytes.size()));
        qsizetype written = 0;
        EXPECT_EQ(decoder.decode(reinterpret_cast<const uchar*>(c.bytes.constData()), c.bytes.size(), true,
                                 out.data(), &written),
                  c.bytes.size());
        EXPECT_EQ(QString(reinterpret_cast<const QChar*>(out.data()), written), escaped(c.text));
    }
}

// The same at the level of files: whatever a file holds, reading it whole and writing the text back in
// the format found for it gives the very same file.
TEST(TextRoundTripTest, AnyFileIsWrittenBackByteForByte) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.txt"));
    const QString target = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray prefixes[] = {
        "", "", "", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF", "\xE4\xB8\xAD", "\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5"};
    std::mt19937 random(7);
    int read = 0;
    for (int round = 0; round < 120; ++round) {
        const QByteArray bytes = prefixes[round % std::size(prefixes)] + randomBytes(random, 300);
        ASSERT_TRUE(TestFiles::write(source, bytes));
        QString text;
        TextFormat format;
        FileError error;
        if (!TextReader::readAll(source, text, &error, &format)) {
            // Control bytes outside UTF-16: not text, and never written.
            ASSERT_EQ(error.number, TextReader::notTextError().number) << "round " << round;
            continue;
        }
        ++read;
        TextWriter writer;
        ASSERT_TRUE(writer.open(target, format));
        writer.keepExtensionCodesOf(text);
        writer.write(text);
        ASSERT_TRUE(writer.commit());
        ASSERT_EQ(TestFiles::read(target), bytes)
            << "round " << round << " as " << encodingName(format.encoding).toStdString();
    }
    EXPECT_GT(read, 30);
}

// UTF-16 holds bytes in pairs: a file's trailing odd byte, read as an escape, must stay its very last
// byte when the lines are written back changed, or it pairs up with the line end written after it and
// the last character changes. A line end before it stays; where more text follows it (a merge), it has
// no place and is counted as unmappable.
TEST(TextRoundTripTest, AUtf16FilesTrailingOddByteStaysItsLastByteWhenItsLinesChange) {
    struct Case {
        const char* rule;
        QByteArray source;
        QByteArray written; // every "A" of the lines made "B", then the lines written back
    };
    const Case cases[] = {
        {"LE, no final line end",
         QByteArray("\xFF\xFE"
                    "A\0Z\0\x41",
                    7),
         QByteArray("\xFF\xFE"
                    "B\0Z\0\x41",
                    7)},
        {"LE, a line end before the odd byte",
         QByteArray("\xFF\xFE"
                    "A\0\r\0\n\0\x7F",
                    9),
         QByteArray("\xFF\xFE"
                    "B\0\r\0\n\0\x7F",
                    9)},
        {"BE, no final line end", QByteArray("\xFE\xFF\0A\0Z\x41", 7), QByteArray("\xFE\xFF\0B\0Z\x41", 7)},
        {"BE, LF lines and a line end before the odd byte", QByteArray("\xFE\xFF\0A\0\n\0A\0\n\xD8", 11),
         QByteArray("\xFE\xFF\0B\0\n\0B\0\n\xD8", 11)},
        {"an unpaired surrogate before the odd byte keeps both its bytes",
         QByteArray("\xFF\xFE"
                    "A\0\x00\xD8\x41",
                    7),
         QByteArray("\xFF\xFE"
                    "B\0\x00\xD8\x41",
                    7)},
        {"without BOM", QByteArray("A\0Z\0A\0\x41", 7), QByteArray("B\0Z\0B\0\x41", 7)},
    };
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.txt"));
    const QString target = dir.filePath(QStringLiteral("out.txt"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        ASSERT_TRUE(TestFiles::write(source, c.source));
        TextReader reader;
        ASSERT_TRUE(reader.open(source, TextEncoding::Utf16LENoBom)) << reader.error().description.toStdString();
        TextWriter writer;
        ASSERT_TRUE(writer.open(target, reader.format()));
        QString line;
        while (reader.readLine(line))
            writer.writeLine(line.replace(u'A', u'B'));
        ASSERT_TRUE(writer.commit());
        EXPECT_EQ(TestFiles::read(target), c.written);
        EXPECT_EQ(writer.unmappableCount(), 0);
        QString text;
        ASSERT_TRUE(TextReader::readAll(target, text));
        EXPECT_EQ(text.back(), TextDecoder::escape(uchar(c.source.back())));
    }
}

// Where more text follows a lone escaped byte, UTF-16 has no place for it: writing the byte would
// shift every later character by one byte.
TEST(TextRoundTripTest, ALoneByteInsideUtf16TextIsCountedAsUnmappable) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.txt"));
    TextWriter writer;
    ASSERT_TRUE(writer.open(target, {TextEncoding::Utf16LE, LineEnd::CrLf}));
    writer.writeLine(escaped("A<41>"));
    writer.writeLine(u"Z");
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(TestFiles::read(target), QByteArray("\xFF\xFE"
                                                  "A\0?\0\r\0\n\0Z\0\r\0\n\0",
                                                  16));
    EXPECT_EQ(writer.unmappableCount(), 1);
}

} // namespace
