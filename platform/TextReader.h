#pragma once

#include "FileError.h"
#include "FileState.h"
#include "ReadProgress.h"
#include "TextFormat.h"

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

// How files are decoded when their bytes leave a choice: the program sets these from the user's
// preferences (the options dialog, the command line's global options).
struct DecodingRules {
    // Every file is read in this encoding (a BOM or a caller's `declared` still wins): the user knows
    // better than detection.
    std::optional<TextEncoding> forced;
    // A file whose bytes read equally well as GB18030 and as Big5, or that is ASCII only.
    TextEncoding fallback = TextEncoding::Gb18030;

    bool operator==(const DecodingRules&) const = default;
};

// Reads a text file line by line, streaming: memory stays bounded whatever the file's size.
//
// open() examines the whole file once. A BOM (UTF-8, UTF-16 LE/BE) decides the encoding; then
// `declared`, what a caller knows of the file (the program's own settings files, a web page's
// declared charset); then the rules' forced encoding; otherwise EncodingDetector tells it from the bytes
// (BOM-less UTF-16, UTF-8 even with a few stray bytes, GB18030 or Big5 by plausibility, the rules'
// fallback when undecidable). A file that is not text (a NUL byte or other control characters, and
// not UTF-16) is refused: open() fails with notTextError(), whatever the encoding given, as soon as
// its bytes show it (a huge file of NULs after its first 64 KB). A file whose non-ASCII bytes read as
// no plausible Chinese in any encoding (Latin-1, Shift-JIS) fails with unknownEncodingError() unless
// an encoding is given. Only regular files are read: anything else fails at once (a FIFO, a device).
//
// Lines come back without their end. A line ends at CR LF or a lone CR; a lone LF stays inside the
// line, except in a Unix file (no CR at all, at least one LF), where LF ends the line. A final line
// end is not followed by an empty line: "a\r\n" is one line, an empty file has none. The format's
// line end tells how the lines are to be written back (TextFormat: CR LF, LF, or CR for a file whose
// every CR stands alone).
//
// Bytes that do not decode are escaped into code points that TextWriter turns back into the very
// same bytes, so an unchanged line is written back byte for byte.
class TextReader {
public:
    TextReader();
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    bool open(const QString& path, std::optional<TextEncoding> declared = std::nullopt);
    // As open(), with `rules` instead of the program's.
    bool open(const QString& path, std::optional<TextEncoding> declared, const DecodingRules& rules);
    // Opens a file that open() examined before as `format` without examining it again (a second pass
    // over the same files). When `whole` holds the file's bytes as wholeFile() gave them then, they
    // are decoded and the file is not read at all.
    bool reopen(const QString& path, const TextFormat& format, QByteArrayView whole = {});
    // Every byte of the file (its BOM too) when open() found it small enough to hold in one piece,
    // otherwise empty. Valid until the next open() or close().
    QByteArrayView wholeFile() const;
    // Called for every piece read, from open()'s look at the whole file (as 0 done) to the last line;
    // when it gives false the reader fails with FileError::stopped(). Kept across open().
    void setProgress(ReadProgress progress);
    // Makes the file end after `bytes` for the readers opened from now on (-1: the whole file), so
    // that a look at the start of a large file (its first line) reads no more than that.
    void setHeadLimit(qint64 bytes);
    // For files the program wrote itself and only reads (its settings files, read in their declared
    // encoding): control characters do not make such a file "not text", so a damaged one still loads
    // as well as it can. Kept across open().
    void setAcceptControlBytes(bool accept);
    void close();

    const TextFormat& format() const;
    // False at the end of the file and on a read error; error() tells which.
    bool readLine(QString& line);
    // Whether the line readLine() gave last had a line end after it: only the file's last line may not.
    bool lineEnded() const;
    // The line end after the line readLine() gave last, as the file holds it (a CR LF file's lone CRs
    // end lines too); nothing after a last line that has none.
    std::optional<LineEnd> endOfLine() const;
    // The file's bytes behind its BOM, undecoded, piece by piece, for a reader from which no line was
    // read: what open() already holds first, then the rest of the file. `piece` stays valid until the
    // next call. False at the end of the file and on a read error or a stop; error() tells which.
    bool readRaw(QByteArrayView& piece);
    const FileError& error() const;
    // The file as open() found it, for a writer that must not replace it once it changed
    // (TextWriter::expectTarget); kept after close() and by a reopen() from memory.
    FileIdentity identity() const;

    // The whole file decoded as one string, line ends kept as they stand.
    static bool readAll(const QString& path, QString& text, FileError* error = nullptr, TextFormat* format = nullptr);

    // The program's rules, used by every reader opened from now on.
    static void setDecodingRules(const DecodingRules& rules);
    static DecodingRules decodingRules();
    // The error of a file that is not text; its description says so.
    static FileError notTextError();
    // The error of a file whose encoding detection cannot tell; its description says so.
    static FileError unknownEncodingError();
    // The beginning of a file for a preview: at most about `maxBytes` of it, decoded in the encoding
    // judged from those bytes alone (so a large file shows at once), cut at a character boundary, line
    // ends kept as they stand. `truncated` tells that the file goes on behind the text.
    static bool readHead(const QString& path, qint64 maxBytes, QString& text, bool& truncated,
                         FileError* error = nullptr, TextFormat* format = nullptr);

    // Test seam: readers opened from now on read the file in pieces of this many bytes (0 restores the
    // normal size), so that tests can cut characters and line ends at every place.
    static void chunkSizeForTesting(int bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
