#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

// How a text file is stored on disk. Every file is read with the format detected for it and the
// transformations write their result in that same format unless they have a reason not to.
enum class TextEncoding {
    Utf8,         // no BOM
    Utf8Bom,      // EF BB BF at the start
    Utf16LE,      // with its BOM
    Utf16BE,      // with its BOM
    Gb18030,      // the legacy code page of the simplified-Chinese systems (superset of GB2312 and GBK)
    Big5,         // the legacy code page of the traditional-Chinese systems (read with HKSCS; written plain)
    Utf16LENoBom, // told from its byte pattern, written back without a BOM
    Utf16BENoBom,
};

// Lines end at CR LF or a lone CR and are written with CR LF; a file without any CR but with at
// least one LF is a Unix file: its lines end at LF and are written with LF; a file with CRs none of
// which is followed by an LF is an old Mac file: its lines end at CR and are written with CR (a lone
// LF stays inside the line). A file with both CR LF and lone CRs, or with no line end at all, is CrLf.
enum class LineEnd { CrLf, Lf, Cr };

// What a job does with a character its target encoding cannot hold: leave the file unchanged and
// report it (the default), save the whole file as UTF-8 instead, or write "?" in its place.
enum class UnmappablePolicy { Refuse, SaveUtf8, QuestionMark };

struct TextFormat {
    TextEncoding encoding = TextEncoding::Gb18030;
    LineEnd lineEnd = LineEnd::CrLf;

    bool operator==(const TextFormat&) const = default;
};

// The line end of a file whose text holds these: at least one CR, one LF, one CR LF pair.
LineEnd lineEndOf(bool sawCr, bool sawLf, bool sawCrLf);
// The characters a line end of `lineEnd` is written as.
QStringView lineEndText(LineEnd lineEnd);

bool isUnicodeEncoding(TextEncoding encoding);
bool isUtf16(TextEncoding encoding);
bool isLittleEndian(TextEncoding encoding); // of the UTF-16 encodings
QString encodingName(TextEncoding encoding);
// The encoding a charset name names ("gb2312", "GBK", "gb18030", "big5", "utf-8", "utf-16le", ...), as a
// web page declares it or the command line takes it; nothing for a name this program does not read.
std::optional<TextEncoding> encodingFromCharsetName(QByteArrayView name);
