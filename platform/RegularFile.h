#pragma once

#include "FileError.h"

#include <QString>

// Opens a user's file for reading, and only a regular file: a FIFO, a device (/dev/zero) or a folder
// given as a file is refused without waiting (the open cannot block on a FIFO without a writer), so
// that no read ever waits for a writer or runs without end. Links are followed.
namespace RegularFile {

struct Opened {
    int fd = -1;     // open for reading, blocking, close-on-exec; -1 on a failure
    qint64 size = 0; // the size at the open
    FileError error; // why there is no fd
};

Opened openForReading(const QString& path);

// The error of a path that names no regular file; its description says so.
FileError notRegularError();

} // namespace RegularFile
