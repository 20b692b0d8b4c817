#pragma once

#include "FileError.h"
#include "ReadProgress.h"
#include "TextFormat.h"

#include <QByteArray>
#include <QString>
#include <memory>

// Reads the lines of a text file as the bytes of its own encoding, without decoding them, for edits
// that can work on the encoded bytes (an ASCII text in an encoding where ASCII bytes never occur
// inside a multi-byte character). The lines are the ones TextReader gives for the same file and
// format: they end at CR LF or a lone CR, or at LF in a Unix file; a final line end is not followed
// by an empty line. The BOM is skipped. UTF-16 files cannot be read this way.
class ByteLineReader {
public:
    ByteLineReader();
    ~ByteLineReader();
    ByteLineReader(const ByteLineReader&) = delete;
    ByteLineReader& operator=(const ByteLineReader&) = delete;

    bool open(const QString& path, const TextFormat& format);
    // Called before every piece is read; when it gives false the reader fails with FileError::stopped().
    void setProgress(ReadProgress progress);
    // The next line, valid until the next call; false at the end of the file and on a read error
    // (error() tells which).
    bool readLine(QByteArrayView& line);
    const FileError& error() const;

    // True when `ascii` can be found and replaced in the bytes of `encoding` without ever matching
    // part of a multi-byte character: UTF-8 always; GB18030 and Big5 only when no byte of it can be
    // a trail byte there (digits and 0x40..0x7E can); never UTF-16. Line breaks never qualify.
    static bool isSafeAscii(TextEncoding encoding, QByteArrayView ascii);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
