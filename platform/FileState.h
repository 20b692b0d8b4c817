#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>

struct stat;

// What a file is at one moment: whether it is there, its size, the SHA-256 of its bytes (lower-case
// hex) and its permission bits. Two states with the same size and hash hold the same bytes.
struct FileState {
    bool exists = false;
    qint64 size = 0;
    QByteArray sha256;
    uint mode = 0; // permission bits, e.g. 0644

    // Reads the whole file; a path that is missing (or not a regular file) gives exists == false.
    static FileState of(const QString& path);
    // Only the size of a regular file (no reading); -1 when there is none.
    static qint64 sizeOf(const QString& path);
    bool sameContent(const FileState& other) const {
        return exists == other.exists && (!exists || (size == other.size && sha256 == other.sha256));
    }
};

// Which file a name stands for and how it stood at one moment: device, inode, size and modification
// time to the nanosecond. A file that is replaced by another, or written to, no longer matches.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1; // -1: not known
    qint64 modifiedNs = 0;

    bool isKnown() const { return size >= 0; }
    static FileIdentity of(const struct stat& st);
    // Of the file open at `fd`; not known when it cannot be examined.
    static FileIdentity ofFd(int fd);
    bool operator==(const FileIdentity&) const = default;
};

// Small whole-file operations the backup journal and the restore need.
namespace FileBytes {

// The whole content of a file of at most `maxSize` bytes.
bool read(const QString& path, QByteArray& bytes, qint64 maxSize, FileError* error = nullptr);
// Appends `bytes` with one write to the end of `path` (created when missing), so a reader sees all of
// the record or none of it. It is synced now, or with the running batch's sync at its end
// (DurableWrites).
bool append(const QString& path, const QByteArray& bytes, FileError* error = nullptr);
// Writes a new file whole (AtomicFile), synced now or at the running batch's end, and gives it its
// name, replacing what was there.
bool writeAtomically(const QString& path, const QByteArray& bytes, FileError* error = nullptr);
// Sets the permission bits of `path`.
bool setMode(const QString& path, uint mode, FileError* error = nullptr);

} // namespace FileBytes
