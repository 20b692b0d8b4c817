#pragma once

#include "FileError.h"
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
    void close();

    const TextFormat& format() const;
    // False at the end of the file and on a read error; error() tells which.
    bool readLine(QString& line);
    const FileError& error() const;

    // The whole file decoded as one string, line ends kept as they stand (for previews).
    static bool readAll(const QString& path, QString& text, FileError* error = nullptr, TextFormat* format = nullptr);

    // Test seam: readers opened from now on read the file in pieces of this many bytes (0 restores the
    // normal size), so that tests can cut characters and line ends at every place.
    static void chunkSizeForTesting(int bytes);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
