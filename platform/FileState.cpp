#include "FileState.h"

#include "AtomicFile.h"
#include "DurableWrites.h"
#include "FileName.h"
#include "FileOps.h"
#include "RegularFile.h"

#include <QCryptographicHash>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool fail(FileError* error, int errnoValue) {
    if (error)
        *error = FileError::fromErrno(errnoValue);
    return false;
}

} // namespace

FileState FileState::of(const QString& path) {
    FileState state;
    // Opened without waiting: a FIFO given as a file has no state to keep, and must not block the batch.
    const int fd = RegularFile::openForReading(path).fd;
    if (fd < 0)
        return state;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return state;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return state;
        }
        if (got == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), got));
        total += got;
    }
    ::close(fd);
    state.exists = true;
    state.size = total;
    state.sha256 = hash.result().toHex();
    state.mode = uint(st.st_mode & 07777);
    return state;
}

FileIdentity FileIdentity::of(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileIdentity FileIdentity::ofFd(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 ? of(st) : FileIdentity{};
}

qint64 FileState::sizeOf(const QString& path) {
    struct stat st;
    if (::stat(FileName::encode(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return qint64(st.st_size);
}

namespace FileBytes {

bool read(const QString& path, QByteArray& bytes, qint64 maxSize, FileError* error) {
    const RegularFile::Opened opened = RegularFile::openForReading(path);
    if (opened.fd < 0) {
        if (error)
            *error = opened.error;
        return false;
    }
    const int fd = opened.fd;
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int saved = errno;
            ::close(fd);
            return fail(error, saved);
        }
        if (got == 0)
            break;
        if (bytes.size() + got > maxSize) {
            ::close(fd);
            return fail(error, EFBIG);
        }
        bytes.append(buffer, got);
    }
    ::close(fd);
    return true;
}

bool append(const QString& path, const QByteArray& bytes, FileError* error) {
    const int fd = ::open(FileName::encode(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno);
    bool ok = FileOps::writeAll(fd, bytes.constData(), bytes.size()) &&
              (DurableWrites::deferSync(fd) || ::fdatasync(fd) == 0);
    const int saved = errno;
    ok = (::close(fd) == 0) && ok;
    return ok || fail(error, saved ? saved : EIO);
}

bool writeAtomically(const QString& path, const QByteArray& bytes, FileError* error) {
    AtomicFile file;
    if (!file.open(FileName::encode(path), 0644, error))
        return false;
    if (!FileOps::writeAll(file.fd(), bytes.constData(), bytes.size()))
        return fail(error, errno);
    return file.commit(AtomicFile::Mode::Replace, FileSync::WithBatch, error);
}

bool setMode(const QString& path, uint mode, FileError* error) {
    if (::chmod(FileName::encode(path).constData(), mode_t(mode & 07777)) != 0)
        return fail(error, errno);
    return true;
}

} // namespace FileBytes
