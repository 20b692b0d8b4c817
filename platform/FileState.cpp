#include "FileState.h"

#include "DurableWrites.h"
#include "FileName.h"
#include "FileOps.h"
#include "RegularFile.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

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

qint64 FileState::sizeOf(const QString& path) {
    struct stat st;
    if (::stat(FileName::encode(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return qint64(st.st_size);
}

namespace FileBytes {

bool read(const QString& path, QByteArray& bytes, qint64 maxSize, FileError* error) {
    const int fd = ::open(FileName::encode(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
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
    const QByteArray target = FileName::encode(path);
    // Hidden and named like every other temporary file of the program (".name.random.qmtmp"), so a
    // leftover of a killed run is known for what it is.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray temporary = target.left(slash + 1) + '.' + target.mid(slash + 1).left(120) + '.' +
                                 QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".qmtmp";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(error, errno);
    bool ok = FileOps::writeAll(fd, bytes.constData(), bytes.size()) &&
              (DurableWrites::deferSync(fd) || ::fdatasync(fd) == 0);
    int saved = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && ::rename(temporary.constData(), target.constData()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return fail(error, saved ? saved : EIO);
    }
    return true;
}

bool setMode(const QString& path, uint mode, FileError* error) {
    if (::chmod(FileName::encode(path).constData(), mode_t(mode & 07777)) != 0)
        return fail(error, errno);
    return true;
}

} // namespace FileBytes
