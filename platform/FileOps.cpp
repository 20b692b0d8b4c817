#include "FileOps.h"

#include "AtomicFile.h"
#include "DurableWrites.h"
#include "FileName.h"
#include "RegularFile.h"
#include "TrashCheck.h"

#include <QDateTime>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> noReplaceUnsupported{false};

QByteArray nativePath(const QString& path) {
    return FileName::encode(path);
}

bool fail(FileError* error, int errnoValue) {
    if (error)
        *error = FileError::fromErrno(errnoValue);
    return false;
}

// Closes a descriptor when it goes out of scope, keeping errno as the failure left it.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard() { reset(); }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;

    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset() {
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
            m_fd = -1;
        }
    }

private:
    int m_fd;
};

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

bool copyWithReadWrite(int in, int out) {
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), size_t(buffer.size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (!FileOps::writeAll(out, buffer.constData(), got))
            return false;
    }
}

// Pieces of a large file: each is done in well under a tenth of a second, between two progress calls.
constexpr size_t CopyPiece = size_t(16) << 20;

// copy_file_range lets the kernel move the bytes (or share extents); file systems that refuse it
// fall back to a plain read/write loop before anything has been written.

bool copyContents(int in, int out, qint64 size, const ReadProgress& progress, bool& stopped) {
    bool anyCopied = false;
    qint64 done = 0;
    for (;;) {
        if (progress && !progress(done, size)) {
            stopped = true;
            return false;
        }
        const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, progress ? CopyPiece : size_t(1) << 30, 0);
        if (copied > 0) {
            anyCopied = true;
            done += copied;
            continue;
        }
        if (copied == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (!anyCopied && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                           errno == EPERM || errno == EBADF))
            return copyWithReadWrite(in, out);
        return false;
    }
}

// Sums the sizes of the regular files below the open folder `dirFd` (which it takes over).
// Symbolic links are counted as links, never followed.
qint64 sizeBelow(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    qint64 total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            const int child = ::openat(dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                total += sizeBelow(child);
        } else if (S_ISREG(st.st_mode)) {
            total += st.st_size;
        }
    }
    ::closedir(dir);
    return total;
}

// Removes everything inside the open folder `dirFd` (which it takes over). Folders that their
// owner cannot write or search are opened up first; files need no permission of their own to be
// unlinked. Symbolic links are removed, never followed.
bool removeBelow(int dirFd, FileError* error) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        const int saved = errno;
        ::close(dirFd);
        return fail(error, saved);
    }
    bool ok = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        struct stat st;
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = fail(error, errno);
            break;
        }
        if (S_ISDIR(st.st_mode)) {
            const mode_t needed = S_IRWXU;
            if ((st.st_mode & needed) != needed &&
                ::fchmodat(dirFd, entry->d_name, (st.st_mode & 07777) | needed, 0) != 0) {
                ok = fail(error, errno);
                break;
            }
            const int child = ::openat(dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0 || !removeBelow(child, error)) {
                if (child < 0)
                    fail(error, errno);
                ok = false;
                break;
            }
            if (::unlinkat(dirFd, entry->d_name, AT_REMOVEDIR) != 0) {
                ok = fail(error, errno);
                break;
            }
        } else if (::unlinkat(dirFd, entry->d_name, 0) != 0) {
            ok = fail(error, errno);
            break;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

namespace FileOps {

bool exists(const QString& path) {
    struct stat st;
    return ::lstat(nativePath(path).constData(), &st) == 0;
}

bool folderExists(const QString& path) {
    struct stat st;
    return ::stat(nativePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool createFolder(const QString& path, FileError* error) {
    if (::mkdir(nativePath(path).constData(), 0777) != 0)
        return fail(error, errno);
    return true;
}

bool mayRewrite(const QString& path, FileError* error) {
    const QByteArray native = nativePath(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0)
        return fail(error, errno);
    return mayRewrite(st, native, error);
}

bool mayRewrite(const struct stat& st, const QByteArray& nativePath, FileError* error) {
    if (::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0)
        return fail(error, errno);
    // The superuser, whom the system lets write anything, leaves alone a file its owner made read-only.
    if (::geteuid() == 0 && (st.st_mode & S_IWUSR) == 0)
        return fail(error, EACCES);
    return true;
}

bool removeFile(const QString& path, FileError* error) {
    if (::unlink(nativePath(path).constData()) != 0)
        return fail(error, errno);
    return true;
}

bool renameNoReplaceNative(const QByteArray& a, const QByteArray& b, FileError* error) {
    int result = -1;
    if (noReplaceUnsupported) {
        errno = EINVAL;
    } else {
        result = ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE);
        if (result == 0)
            return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return fail(error, errno);

    // A hard link is made only where no entry is: the same promise, in two steps.
    if (::link(a.constData(), b.constData()) == 0) {
        if (::unlink(a.constData()) != 0) {
            const int saved = errno;
            ::unlink(b.constData());
            return fail(error, saved);
        }
        return true;
    }
    if (errno == EEXIST)
        return fail(error, EEXIST);
    struct stat st;
    if (::lstat(b.constData(), &st) == 0)
        return fail(error, EEXIST);
    if (errno != ENOENT)
        return fail(error, errno);
    if (::rename(a.constData(), b.constData()) != 0)
        return fail(error, errno);
    return true;
}

namespace {

// Copies `source` into a new file for `target` and gives it the target's name.
bool copyInto(const QString& source, const QString& target, AtomicFile::Mode mode, FileSync sync, FileError* error,
              const ReadProgress& progress) {
    // A regular file only, opened without waiting: a FIFO or a device is never copied (it would block
    // or never end).
    const RegularFile::Opened opened = RegularFile::openForReading(source);
    if (opened.fd < 0) {
        if (error)
            *error = opened.error;
        return false;
    }
    FdGuard in(opened.fd);
    struct stat st;
    if (::fstat(in.get(), &st) != 0)
        return fail(error, errno);

    // The bytes go to a new file that takes the target's place only once it is complete: a copy cut
    // short (a full disk, a killed program) never leaves a partial backup, and a link planted at the
    // target is replaced (or, for a new file, refused), never followed.
    AtomicFile out;
    if (!out.open(nativePath(target), (st.st_mode & 0777) | S_IRUSR | S_IWUSR, error))
        return false;
    bool stopped = false;
    if (!copyContents(in.get(), out.fd(), qint64(st.st_size), progress, stopped)) {
        const int failure = errno;
        out.cancel();
        if (stopped) {
            if (error)
                *error = FileError::stopped();
            return false;
        }
        return fail(error, failure);
    }
    return out.commit(mode, sync, error);
}

} // namespace

bool copyFile(const QString& source, const QString& target, FileError* error, const ReadProgress& progress,
              FileSync sync) {
    return copyInto(source, target, AtomicFile::Mode::Replace, sync, error, progress);
}

bool copyFileNew(const QString& source, const QString& target, FileError* error, const ReadProgress& progress,
                 FileSync sync) {
    if (exists(target))
        return fail(error, EEXIST);
    return copyInto(source, target, AtomicFile::Mode::NoReplace, sync, error, progress);
}

bool moveByCopy(const QString& source, const QString& target, FileError* error) {
    // The copy reaches the disk before the source goes, whether or not a batch defers its syncs.
    if (!copyFileNew(source, target, error, {}, FileSync::Now))
        return false;
    return removeFile(source, error);
}

bool renameNoReplace(const QString& from, const QString& to, FileError* error) {
    const QByteArray b = nativePath(to);
    if (!renameNoReplaceNative(nativePath(from), b, error))
        return false;
    DurableWrites::noteRename(b);
    return true;
}

namespace {

// The user's trash folder (freedesktop.org layout): $XDG_DATA_HOME/Trash, ~/.local/share/Trash by default.
QByteArray homeTrash() {
    QByteArray data = qgetenv("XDG_DATA_HOME");
    if (data.isEmpty() || !data.startsWith('/')) {
        const QByteArray home = qgetenv("HOME");
        if (home.isEmpty())
            return QByteArray();
        data = home + "/.local/share";
    }
    return data + "/Trash";
}

bool makeFolders(const QByteArray& path, mode_t mode) {
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? path : path.left(slash);
        if (::mkdir(part.constData(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            break;
    }
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A usable trash folder with its "files" and "info", created when missing; never a link.
bool prepareTrash(const QByteArray& trash) {
    struct stat st;
    if (!makeFolders(trash, 0700) || ::lstat(trash.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    for (const char* sub : {"/files", "/info"}) {
        const QByteArray path = trash + sub;
        if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

// The top folder of the file system that holds `folder`: the last folder upwards on the same device.
QByteArray topFolder(QByteArray folder, dev_t device) {
    while (folder.size() > 1) {
        const QByteArray parent = folder.left(std::max<qsizetype>(folder.lastIndexOf('/'), 1));
        struct stat st;
        if (::stat(parent.constData(), &st) != 0 || st.st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

// Moves (or, across mounts, copies and then removes) the file into `trash`, with the
// ".trashinfo" that tells the desktop where it came from. The info file is made first and
// exclusively: it reserves the name.
bool trashInto(const QByteArray& trash, const QByteArray& file, int* failure) {
    const QByteArray name = file.mid(file.lastIndexOf('/') + 1);
    const QByteArray info = "[Trash Info]\nPath=" + file.toPercentEncoding("/") + "\nDeletionDate=" +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
                            "\n";
    for (int n = 1; n < 10000; ++n) {
        const QByteArray entry = n == 1 ? name : name + '.' + QByteArray::number(n);
        const QByteArray infoPath = trash + "/info/" + entry + ".trashinfo";
        const int fd = ::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            *failure = errno;
            return false;
        }
        const bool written = writeAll(fd, info.constData(), info.size());
        *failure = errno;
        ::close(fd);
        const QString target = FileName::decode(trash + "/files/" + entry);
        FileError moveError;
        bool moved = false;
        if (written) {
            const QString source = FileName::decode(file);
            moved = renameNoReplace(source, target, &moveError);
            if (!moved && moveError.number == EXDEV)
                moved = moveByCopy(source, target, &moveError);
            if (!moved && moveError.number == EEXIST) {
                ::unlink(infoPath.constData());
                continue;
            }
            *failure = moveError.number;
        }
        if (!moved)
            ::unlink(infoPath.constData());
        return moved;
    }
    *failure = EEXIST;
    return false;
}

} // namespace

bool moveToTrash(const QString& path, FileError* error) {
    QByteArray file = nativePath(path);
    if (!file.startsWith('/'))
        return fail(error, EINVAL);
    struct stat st;
    if (::lstat(file.constData(), &st) != 0)
        return fail(error, errno);
    const QByteArray folder = file.left(std::max<qsizetype>(file.lastIndexOf('/'), 1));
    int failure = EOPNOTSUPP;

    // The home trash when the file is on its file system, otherwise the file system's own
    // ".Trash-<uid>" at its top folder; failing both, the home trash takes a copy.
    const QByteArray home = homeTrash();
    struct stat homeSt;
    const QByteArray homeParent = home.left(home.lastIndexOf('/'));
    const bool homeUsable =
        !home.isEmpty() && makeFolders(homeParent, 0700) && ::stat(homeParent.constData(), &homeSt) == 0;
    if (homeUsable && homeSt.st_dev == st.st_dev && prepareTrash(home))
        return trashInto(home, file, &failure) || fail(error, failure);
    const QByteArray top = topFolder(folder, st.st_dev);
    const QByteArray topTrash = (top == "/" ? QByteArray() : top) + "/.Trash-" + QByteArray::number(::getuid());
    // A trash folder found there that is not the user's own (TrashCheck) is never used.
    if (prepareTrash(topTrash) && TrashCheck::isOwnTrash(topTrash) && trashInto(topTrash, file, &failure))
        return true;
    if (homeUsable && prepareTrash(home))
        return trashInto(home, file, &failure) || fail(error, failure);
    return fail(error, EOPNOTSUPP);
}

bool createFolderPath(const QString& path, FileError* error) {
    QByteArray native = nativePath(path);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    if (!makeFolders(native, 0777))
        return fail(error, errno == 0 ? ENOTDIR : errno);
    return true;
}

void noReplaceRenameUnsupportedForTesting(bool unsupported) {
    noReplaceUnsupported = unsupported;
}

QStringList subfolders(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(nativePath(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        if (isDotOrDotDot(entry->d_name))
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            names.append(FileName::decode(QByteArrayView(entry->d_name)));
    }
    ::closedir(dir);
    return names;
}

bool removeFolder(const QString& path, FileError* error) {
    if (::rmdir(nativePath(path).constData()) != 0)
        return fail(error, errno);
    return true;
}

qint64 folderSize(const QString& folder) {
    const int fd = ::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    return sizeBelow(fd);
}

bool removeTree(const QString& folder, FileError* error) {
    // Without its trailing "/", a folder that is a symbolic link is removed as the link itself.
    QByteArray native = nativePath(folder);
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return errno == ENOENT ? true : fail(error, errno);
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(native.constData()) != 0)
            return fail(error, errno);
        return true;
    }
    const mode_t needed = S_IRWXU;
    if ((st.st_mode & needed) != needed && ::chmod(native.constData(), (st.st_mode & 07777) | needed) != 0)
        return fail(error, errno);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    if (!removeBelow(fd, error))
        return false;
    if (::rmdir(native.constData()) != 0)
        return fail(error, errno);
    return true;
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

} // namespace FileOps
