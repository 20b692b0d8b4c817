// Any bytes, read line by line and written back line by line in the format the reader found, come
// back as the same bytes, apart from what line-by-line writing must change: a lone CR of a CR LF file
// becomes CR LF and a last line without its end gets one. A file the reader refuses as not text holds
// a NUL or another control byte and is not UTF-16.
// Also: the whole-file read agrees with the line reads, and a writer that fails half-way leaves the
// old target exactly as it was, with no temporary file beside it.
//
// Input: one byte choosing the encoding (found by the reader, or declared), one byte choosing the
// size of the pieces the reader reads, one byte choosing after how many bytes the failing writer
// fails; the rest is the file.

#include "FuzzSupport.h"
#include "platform/TextEncoder.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QDir>
#include <optional>
#include <vector>

namespace {

std::optional<TextEncoding> declaredFrom(uint8_t choice) {
    switch (choice % 8) {
    case 1:
        return TextEncoding::Utf8;
    case 2:
        return TextEncoding::Utf8Bom;
    case 3:
        return TextEncoding::Utf16LE;
    case 4:
        return TextEncoding::Utf16BE;
    case 5:
        return TextEncoding::Gb18030;
    case 6:
        return TextEncoding::Big5;
    default:
        return std::nullopt;
    }
}

bool isWide(TextEncoding encoding) {
    return isUtf16(encoding);
}

bool hasControlByte(const QByteArray& bytes) {
    for (const char c : bytes) {
        const uint8_t b = uint8_t(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1A)
            return true;
    }
    return false;
}

// A file cut into the units its line ends are made of: bytes, or the 16-bit units of UTF-16 with a
// last odd byte on its own.
struct Units {
    std::vector<uint32_t> values; // a unit of UTF-16, a byte otherwise; the odd byte is marked
    static constexpr uint32_t OddByte = 0x10000;
};

Units cut(const QByteArray& body, TextEncoding encoding) {
    Units units;
    const auto* p = reinterpret_cast<const uint8_t*>(body.constData());
    const qsizetype size = body.size();
    if (!isWide(encoding)) {
        units.values.assign(p, p + size);
        return units;
    }
    const bool little = isLittleEndian(encoding);
    qsizetype i = 0;
    for (; i + 1 < size; i += 2)
        units.values.push_back(little ? uint32_t(p[i] | p[i + 1] << 8) : uint32_t(p[i] << 8 | p[i + 1]));
    if (i < size)
        units.values.push_back(Units::OddByte | p[i]);
    return units;
}

QByteArray join(const std::vector<uint32_t>& values, TextEncoding encoding) {
    QByteArray out;
    const bool wide = isWide(encoding);
    const bool little = isLittleEndian(encoding);
    for (uint32_t value : values) {
        if (!wide || (value & Units::OddByte)) {
            out.append(char(value & 0xFF));
        } else if (little) {
            out.append(char(value & 0xFF));
            out.append(char(value >> 8));
        } else {
            out.append(char(value >> 8));
            out.append(char(value & 0xFF));
        }
    }
    return out;
}

// What writing every line of `body` followed by the line end must give.
QByteArray expectedBody(const QByteArray& body, TextEncoding encoding, LineEnd lineEnd) {
    const std::vector<uint32_t> in = cut(body, encoding).values;
    std::vector<uint32_t> out;
    bool ended = true; // the last line written has its end
    for (size_t i = 0; i < in.size(); ++i) {
        if (lineEnd == LineEnd::CrLf && in[i] == '\r') {
            out.push_back('\r');
            out.push_back('\n');
            if (i + 1 < in.size() && in[i + 1] == '\n')
                ++i;
            ended = true;
        } else {
            out.push_back(in[i]);
            ended = (lineEnd == LineEnd::Lf && in[i] == '\n') || (lineEnd == LineEnd::Cr && in[i] == '\r');
        }
    }
    // A lone last byte of UTF-16 is no character: it stays the file's last byte, with no line end
    // after it (one there would pair up with it into a character when the file is read again).
    const bool utf16 = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ||
                       encoding == TextEncoding::Utf16LENoBom || encoding == TextEncoding::Utf16BENoBom;
    if (utf16 && body.size() % 2 == 1)
        ended = true;
    if (!ended) {
        if (lineEnd != LineEnd::Lf)
            out.push_back('\r');
        if (lineEnd != LineEnd::Cr)
            out.push_back('\n');
    }
    return join(out, encoding);
}

LineEnd expectedLineEnd(const QByteArray& body, TextEncoding encoding) {
    bool cr = false;
    bool lf = false;
    bool crLf = false;
    uint32_t previous = 0;
    for (uint32_t value : cut(body, encoding).values) {
        cr = cr || value == '\r';
        lf = lf || value == '\n';
        crLf = crLf || (previous == '\r' && value == '\n');
        previous = value;
    }
    if (crLf)
        return LineEnd::CrLf;
    if (cr)
        return LineEnd::Cr;
    return lf ? LineEnd::Lf : LineEnd::CrLf;
}

// The lines of a decoded text by the reader's own rule.
QStringList splitLines(const QString& text, LineEnd lineEnd) {
    QStringList lines;
    qsizetype from = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (lineEnd == LineEnd::Lf ? c == u'\n' : c == u'\r') {
            lines.append(text.mid(from, i - from));
            if (lineEnd == LineEnd::CrLf && i + 1 < size && text[i + 1] == u'\n')
                ++i;
            from = i + 1;
        }
    }
    if (from < size)
        lines.append(text.mid(from));
    return lines;
}

bool writeLines(const QString& path, const QStringList& lines, const TextFormat& format) {
    TextWriter writer;
    if (!writer.open(path, format))
        return false;
    for (const QString& line : lines) {
        writer.keepExtensionCodesOf(line); // the text is the file's own
        writer.writeLine(line);
    }
    return writer.commit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const std::optional<TextEncoding> declared = declaredFrom(input.byte());
    const uint8_t chunk = input.byte();
    const uint8_t failAt = input.byte();
    const QByteArray file = input.rest();

    const QString source = Fuzz::scratchPath("source.txt");
    const QString target = Fuzz::scratchPath("target.txt");
    FUZZ_CHECK(Fuzz::writeFile(source, file), "cannot write the scratch file");

    TextReader::chunkSizeForTesting(chunk < 32 ? chunk % 8 + 1 : 0);
    TextReader reader;
    if (!reader.open(source, declared)) {
        TextReader::chunkSizeForTesting(0);
        FUZZ_CHECK(reader.error().number == TextReader::notTextError().number, "open failed");
        // Refused: a file with control bytes, or, without a declared encoding, one whose bytes read as
        // plausible Chinese in no candidate encoding.
        const bool notUnderstood =
            !declared && reader.error().description == TextReader::unknownEncodingError().description;
        FUZZ_CHECK(hasControlByte(file) || notUnderstood, "refused as not text: %s", Fuzz::hex(file).c_str());
        return 0;
    }
    const TextFormat format = reader.format();
    QStringList lines;
    QString line;
    while (reader.readLine(line))
        lines.append(line);
    FUZZ_CHECK(!reader.error().isSet(), "read error");
    reader.close();

    // The whole-file read (for previews) finds the format on its own.
    if (!declared) {
        QString whole;
        TextFormat wholeFormat;
        FUZZ_CHECK(TextReader::readAll(source, whole, nullptr, &wholeFormat), "readAll failed");
        FUZZ_CHECK(wholeFormat == format, "readAll found another format");
        FUZZ_CHECK(splitLines(whole, format.lineEnd) == lines, "readAll and readLine disagree on %s",
                   Fuzz::hex(file).c_str());
    }
    TextReader::chunkSizeForTesting(0);

    const QByteArray bom = TextEncoder::byteOrderMark(format.encoding);
    if (format.encoding == TextEncoding::Utf8Bom || (bom.size() > 0 && !declared))
        FUZZ_CHECK(file.startsWith(bom), "a BOM encoding without the BOM");
    const QByteArray body = bom.size() > 0 && file.startsWith(bom) ? file.mid(bom.size()) : file;
    FUZZ_CHECK(format.lineEnd == expectedLineEnd(body, format.encoding), "line end misjudged in %s",
               Fuzz::hex(file).c_str());
    const QByteArray expected = body.isEmpty() ? bom : bom + expectedBody(body, format.encoding, format.lineEnd);

    FUZZ_CHECK(writeLines(target, lines, format), "write failed");
    const QByteArray written = Fuzz::readFile(target);
    FUZZ_CHECK(written == expected, "round trip in %s changed\n in:  %s\n out: %s\n exp: %s",
               encodingName(format.encoding).toUtf8().constData(), Fuzz::hex(file).c_str(), Fuzz::hex(written).c_str(),
               Fuzz::hex(expected).c_str());

    // A writer that fails before the end: the old target stays whole (a cut copy of the same text would
    // be shorter) and nothing is left beside it.
    const qint64 limit = expected.size() > 0 ? failAt % expected.size() : 0;
    if (limit < expected.size()) {
        TextWriter::failAfterBytesForTesting(limit);
        const bool committed = writeLines(target, lines, format);
        TextWriter::failAfterBytesForTesting(-1);
        FUZZ_CHECK(!committed, "a write cut after %lld of %lld bytes committed", qlonglong(limit),
                   qlonglong(expected.size()));
        FUZZ_CHECK(Fuzz::readFile(target) == expected, "a failed write changed the old target");
        const QStringList left = QDir(QString::fromStdString(Fuzz::scratchFolder()))
                                     .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        FUZZ_CHECK(left == QStringList({"source.txt", "target.txt"}), "left behind: %s",
                   left.join(u' ').toUtf8().constData());
    }
    return 0;
}
