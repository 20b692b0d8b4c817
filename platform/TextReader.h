#pragma once

#include "FileError.h"
#include "ReadProgress.h"
#include "TextFormat.h"

#include <QString>
#include <memory>
#include <optional>

// Reads a text file line by line, streaming: memory stays bounded whatever the file's size.
//
// open() examines the whole file once: a BOM (UTF-8, UTF-16 LE/BE) decides the encoding; otherwise
// non-ASCII bytes that are valid UTF-8 mean UTF-8; otherwise uchardet chooses between GB18030 and
// Big5, and anything else reads as GB18030. A caller that knows better (a web page's declared
// charset) passes `declared`, which wins over everything but a BOM.
//
// Lines come back without their end. A line ends at CR LF or a lone CR; a lone LF stays inside the
// line, except in a Unix file (no CR at all, at least one LF), where LF ends the line. A final line
// end is not followed by an empty line: "a\r\n" is one line, an empty file has none.
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
    // Called for every piece read, from open()'s look at the whole file (as 0 done) to the last line;
    // when it gives false the reader fails with FileError::stopped(). Kept across open().
    void setProgress(ReadProgress progress);
    // Makes the file end after `bytes` for the readers opened from now on (-1: the whole file), so
    // that a look at the start of a large file (its first line) reads no more than that.
    void setHeadLimit(qint64 bytes);
    void close();

    const TextFormat& format() const;
    // False at the end of the file and on a read error; error() tells which.
    bool readLine(QString& line);
    const FileError& error() const;

    // The whole file decoded as one string, line ends kept as they stand.
    static bool readAll(const QString& path, QString& text, FileError* error = nullptr, TextFormat* format = nullptr);

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
