#include "AtomicFile.h"

#include "DurableWrites.h"
#include "FileName.h"
#include "FileOps.h"

#include <QRandomGenerator>

#include <atomic>
#include <functional>
#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace {

std::atomic<int> syncs{0};
std::atomic<bool> namedOnly{false};

const QByteArray Suffix = ".qmtmp";

bool fail(FileError* error, int errnoValue) {
    if (error)
        *error = FileError::fromErrno(errnoValue);
    return false;
}

// ".NAME.<pid>-<random>.qmtmp": hidden, recognisable, and naming the process that writes it.
QByteArray temporaryName(const QByteArray& name) {
    return '.' + name.left(120) + '.' + QByteArray::number(::getpid()) + '-' +
           QByteArray::number(QRandomGenerator::global()->generate(), 36) + Suffix;
}

// The process named in a temporary file's name; 0 when the name is not of the pattern.
pid_t ownerOf(const QByteArray& name) {
    if (!AtomicFile::isTemporaryName(name))
        return 0;
    const QByteArray stem = name.chopped(Suffix.size());
    const QByteArray tag = stem.mid(stem.lastIndexOf('.') + 1);
    bool ok = false;
    const qlonglong pid = tag.left(tag.indexOf('-')).toLongLong(&ok);
    return ok && pid > 0 ? pid_t(pid) : 0;
}

bool processIsGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

struct AtomicFile::Impl {
    int fd = -1;
    QByteArray target;
    QByteArray folder; // with its trailing "/"
    QByteArray tempPath; // empty while the file has no name
    Report report;

    // Closes the file and removes its temporary name, if it has one.
    void discard() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        if (!tempPath.isEmpty())
            ::unlink(tempPath.constData());
        tempPath.clear();
    }

    bool openUnnamed(mode_t mode) {
#ifdef O_TMPFILE
        // The file gets its name through /proc/self/fd (linkat without privileges).
        static const bool canLink = ::access("/proc/self/fd", X_OK) == 0;
        if (namedOnly || !canLink) {
            errno = EOPNOTSUPP;
            return false;
        }
        fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (fd < 0)
            return false;
        // Locked like a named one: the lock stays with the file when it takes a temporary name.
        ::flock(fd, LOCK_EX | LOCK_NB);
        report.unnamed = true;
        return true;
#else
        (void)mode;
        errno = EOPNOTSUPP;
        return false;
#endif
    }

    // Makes an entry under a fresh temporary name beside the target with `make`, trying names until
    // one is free.
    bool withFreshName(const std::function<bool(const QByteArray& candidate)>& make, FileError* error) {
        const QByteArray name = target.mid(folder.size());
        for (int attempt = 0;; ++attempt) {
            const QByteArray candidate = folder + temporaryName(name);
            if (make(candidate)) {
                tempPath = candidate;
                return true;
            }
            if (errno != EEXIST || attempt == 100)
                return fail(error, errno);
        }
    }

    // A new hidden file of the pattern, locked for as long as this process writes it.
    bool openNamed(mode_t mode, FileError* error) {
        return withFreshName(
            [&](const QByteArray& candidate) {
                fd = ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
                if (fd >= 0)
                    ::flock(fd, LOCK_EX | LOCK_NB);
                return fd >= 0;
            },
            error);
    }

    // Gives the unnamed file the name `path`; a link is made only where no entry is.
    bool linkTo(const QByteArray& path) const {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0;
    }

    bool sync(FileSync policy, FileError* error) {
        if (policy == FileSync::Never)
            return true;
        if (policy == FileSync::WithBatch && DurableWrites::deferSync(fd)) {
            report.deferred = true;
            return true;
        }
        if (::fdatasync(fd) != 0)
            return fail(error, errno);
        ++syncs;
        report.synced = true;
        return true;
    }

    bool giveName(Mode mode, FileError* error) {
        if (tempPath.isEmpty()) {
            if (mode == Mode::NoReplace)
                return linkTo(target) || fail(error, errno);
            // A rename is what replaces atomically: the file takes a temporary name first.
            if (!withFreshName([this](const QByteArray& candidate) { return linkTo(candidate); }, error))
                return false;
        }
        if (mode == Mode::Replace) {
            if (::rename(tempPath.constData(), target.constData()) != 0)
                return fail(error, errno);
        } else if (!FileOps::renameNoReplaceNative(tempPath, target, error)) {
            return false;
        }
        tempPath.clear();
        return true;
    }
};

AtomicFile::AtomicFile() : d(std::make_unique<Impl>()) {}

AtomicFile::~AtomicFile() {
    cancel();
}

bool AtomicFile::open(const QByteArray& target, mode_t mode, FileError* error) {
    cancel();
    d->report = {};
    d->target = target;
    const qsizetype slash = target.lastIndexOf('/');
    d->folder = slash < 0 ? QByteArray("./") : target.left(slash + 1);
    if (slash < 0)
        d->target.prepend("./");
    if (d->openUnnamed(mode))
        return true;
    // A folder that refuses files altogether says so now; one that only has no unnamed files (vfat,
    // NFS, FUSE, an older kernel) takes a named one.
    if (errno == EACCES || errno == EROFS || errno == ENOENT || errno == ENOTDIR || errno == ENOSPC ||
        errno == EDQUOT)
        return fail(error, errno);
    return d->openNamed(mode, error);
}

bool AtomicFile::isOpen() const {
    return d->fd >= 0;
}

int AtomicFile::fd() const {
    return d->fd;
}

bool AtomicFile::takeOwnerAndMode(const struct stat& existing, FileError* error) {
    // Without the right to give the file away it stays the user's, as any file the user writes anew;
    // a user may still give it a group the user is in. The owner goes first: a change of owner clears
    // the set-user-ID and set-group-ID bits.
    if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) &&
        ::fchown(d->fd, existing.st_uid, existing.st_gid) != 0) {
        [[maybe_unused]] const int groupOnly = ::fchown(d->fd, uid_t(-1), existing.st_gid);
    }
    if (::fchmod(d->fd, existing.st_mode & 07777) != 0)
        return fail(error, errno);
    return true;
}

bool AtomicFile::commit(Mode mode, FileSync sync, FileError* error, const LastCheck& lastCheck) {
    if (d->fd < 0)
        return fail(error, EBADF);
    bool ok = d->sync(sync, error);
    if (ok && lastCheck) {
        FileError checkError;
        ok = lastCheck(checkError);
        if (!ok && error)
            *error = checkError.isSet() ? checkError : FileError::fromErrno(EIO);
    }
    ok = ok && d->giveName(mode, error);
    // A close that fails after a synced write loses nothing; it is reported all the same.
    if (ok && ::close(std::exchange(d->fd, -1)) != 0)
        ok = fail(error, errno);
    if (!ok) {
        d->discard();
        return false;
    }
    return true;
}

void AtomicFile::cancel() {
    d->discard();
}

const AtomicFile::Report& AtomicFile::report() const {
    return d->report;
}

bool AtomicFile::isTemporaryName(const QByteArray& name) {
    if (!name.startsWith('.') || !name.endsWith(Suffix))
        return false;
    const QByteArray stem = name.chopped(Suffix.size());
    const qsizetype dot = stem.lastIndexOf('.');
    if (dot <= 0)
        return false;
    const QByteArray tag = stem.mid(dot + 1);
    const qsizetype dash = tag.indexOf('-');
    if (dash <= 0 || dash == tag.size() - 1)
        return false;
    for (qsizetype i = 0; i < tag.size(); ++i) {
        const char c = tag[i];
        const bool digit = c >= '0' && c <= '9';
        if (i < dash ? !digit : (i == dash ? c != '-' : !(digit || (c >= 'a' && c <= 'z'))))
            return false;
    }
    return true;
}

int AtomicFile::removeStaleTemporaries(const QString& folder) {
    const int dirFd = ::open(FileName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        const pid_t owner = ownerOf(name);
        if (owner == 0 || owner == ::getpid() || !processIsGone(owner))
            continue;
        // Opened without following a link or waiting on a FIFO; a regular file only, and only while
        // no process holds its lock (a process of another PID namespace sharing the folder).
        const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlinkat(dirFd, name.constData(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

int AtomicFile::syncCountForTesting() {
    return syncs;
}

void AtomicFile::namedOnlyForTesting(bool named) {
    namedOnly = named;
}

QByteArray AtomicFile::followLinks(QByteArray path, int* errorNumber) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info;
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(path.constData(), target, sizeof target);
        if (length < 0) {
            *errorNumber = errno;
            return path;
        }
        QByteArray next(target, length);
        if (!next.startsWith('/'))
            next.prepend(path.left(path.lastIndexOf('/') + 1));
        path = next;
    }
    *errorNumber = ELOOP;
    return path;
}
