#include "RegularFile.h"

#include "FileName.h"

#include <QCoreApplication>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

FileError notRegularError() {
    return FileError::withText(EINVAL, QCoreApplication::translate("RegularFile", "不是普通文件"));
}

Opened openForReading(const QString& path) {
    Opened opened;
    const int fd = ::open(FileName::encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        opened.error = FileError::fromErrno(errno);
        return opened;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        opened.error = FileError::fromErrno(errno);
        ::close(fd);
        return opened;
    }
    if (!S_ISREG(st.st_mode)) {
        opened.error = S_ISDIR(st.st_mode) ? FileError::fromErrno(EISDIR) : notRegularError();
        ::close(fd);
        return opened;
    }
    // Reads of a regular file wait for the disk as they always do.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        opened.error = FileError::fromErrno(errno);
        ::close(fd);
        return opened;
    }
    opened.fd = fd;
    opened.size = qint64(st.st_size);
    return opened;
}

} // namespace RegularFile
