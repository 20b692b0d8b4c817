#include "BackupLink.h"

#include "AtomicFile.h"
#include "DurableWrites.h"
#include "FileName.h"
#include "FileOps.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace BackupLink {
namespace {

bool fail(FileError* error, int errnoValue) {
    if (error)
        *error = FileError::fromErrno(errnoValue);
    return false;
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

// The new entry `path` reaches the disk now, unless the running batch syncs its file system at its end.
bool settleEntry(const QByteArray& path, FileError* error) {
    DurableWrites::noteRename(path);
    if (DurableWrites::defersOn(path))
        return true;
    Fd folder(::open(folderOf(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::fsync(folder.get()) != 0)
        return fail(error, errno);
    return true;
}

bool syncedCopy(const QString& source, const QString& target, FileError* error, const ReadProgress& progress) {
    if (!FileOps::copyFileNew(source, target, error, progress))
        return false;
    Fd copy(::open(FileName::encode(target).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (copy.get() < 0 || ::fdatasync(copy.get()) != 0) {
        const int failure = errno;
        FileOps::removeFile(target);
        return fail(error, failure);
    }
    return true;
}

// Reads all of `in` into `out`, hashing on the way.
bool copyHashing(int in, int out, QCryptographicHash& hash) {
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), size_t(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        hash.addData(QByteArrayView(buffer.constData(), got));
        if (!FileOps::writeAll(out, buffer.constData(), got))
            return false;
    }
}

// The file a restore writes: `path` itself, or the file a symbolic link there points to.
bool resolveTarget(const QByteArray& path, QByteArray& target, FileError* error) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        target = path;
        return true;
    }
    char resolved[PATH_MAX];
    if (!::realpath(path.constData(), resolved))
        return fail(error, errno);
    target = resolved;
    if (::stat(target.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return fail(error, EISDIR);
    return true;
}

} // namespace

FolderLock::FolderLock(const QString& folder, Wait wait) {
    m_fd = ::open(FileName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    const int how = wait == Wait::Yes ? LOCK_EX : LOCK_EX | LOCK_NB;
    while (::flock(m_fd, how) != 0) {
        if (errno == EINTR)
            continue;
        m_busy = errno == EWOULDBLOCK;
        break;
    }
}

FileHold::~FileHold() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileHold::take(const QString& path, FileError* error) {
    m_path = FileName::encode(path);
    struct stat st;
    if (::stat(m_path.constData(), &st) != 0)
        return errno == ENOENT || fail(error, errno);
    if (!S_ISREG(st.st_mode))
        return fail(error, EINVAL);
    m_fd = ::open(m_path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return fail(error, errno);
    // Where the file system has no such locks the identity check before the change still keeps the
    // other job's content.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        if (error)
            *error = FileError::busy();
        return false;
    }
    m_identity = FileIdentity::ofFd(m_fd);
    return true;
}

bool FileHold::unchanged(FileError* error) const {
    struct stat st;
    const bool there = ::stat(m_path.constData(), &st) == 0;
    if (m_fd < 0 ? !there : there && FileIdentity::of(st) == m_identity)
        return true;
    if (error)
        *error = FileError::changedMeanwhile();
    return false;
}

FolderLock::~FolderLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

JournalLock::JournalLock(const QString& journalPath) {
    m_fd = ::open(FileName::encode(journalPath).constData(), O_RDONLY | O_CLOEXEC);
    // Never waits: the journal is new, and a lock some other holder keeps already tells a restore
    // the same.
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_EX | LOCK_NB);
}

JournalLock::~JournalLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool JournalLock::isHeld(const QString& journalPath) {
    const int fd = ::open(FileName::encode(journalPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int result;
    while ((result = ::flock(fd, LOCK_SH | LOCK_NB)) != 0 && errno == EINTR) {
    }
    const bool held = result != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

int permissionBits(const QString& path) {
    struct stat st;
    if (::stat(FileName::encode(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

bool keepAside(const QString& source, const QString& target, bool* linked, FileError* error,
               const ReadProgress& progress) {
    const QByteArray from = FileName::encode(source);
    const QByteArray to = FileName::encode(target);
    struct stat st;
    if (::lstat(to.constData(), &st) == 0)
        return fail(error, EEXIST);
    if (::stat(from.constData(), &st) != 0)
        return fail(error, errno);
    bool isLinked = false;
    // A file with other names stays linked to them: a change through one of those (an editor saving
    // in place) would change a linked backup too. It is copied instead.
    if (S_ISREG(st.st_mode) && st.st_nlink == 1) {
        isLinked = ::linkat(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0;
        if (!isLinked && errno == EEXIST)
            return fail(error, EEXIST);
    }
    if (!isLinked && !syncedCopy(source, target, error, progress))
        return false;
    if (linked)
        *linked = isLinked;
    // A link is a change of metadata only: on the journaling file systems where links exist, the sync
    // of the journal line that names it (written next) commits it too, in order, so it costs no sync
    // of its own. A copy's entry is synced now where the batch does not defer syncs (vfat has no
    // journal to order it).
    if (isLinked) {
        DurableWrites::noteRename(to);
        return true;
    }
    return settleEntry(to, error);
}

namespace {

// The batch folder, opened not through a link, for an entry named by a plain name read from its
// journal (no "/", not "." or ".."); -1 with `error` set otherwise.
int openBatchFolderFor(const QString& batchFolder, const QByteArray& name, FileError* error) {
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/')) {
        fail(error, EINVAL);
        return -1;
    }
    const int fd = ::open(FileName::encode(batchFolder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(error, errno);
    return fd;
}

} // namespace

bool isLink(const QString& batchFolder, const QString& backupName) {
    Fd batch(::open(FileName::encode(batchFolder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    return batch.get() >= 0 &&
           ::fstatat(batch.get(), FileName::encode(backupName).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISLNK(st.st_mode);
}

bool putBackLink(const QString& batchFolder, const QString& backupName, const QString& targetPath, FileError* error) {
    const QByteArray name = FileName::encode(backupName);
    const Fd batch(openBatchFolderFor(batchFolder, name, error));
    if (batch.get() < 0)
        return false;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlinkat(batch.get(), name.constData(), buffer, sizeof buffer);
    if (length < 0)
        return fail(error, errno);
    const QByteArray target(buffer, length);
    if (target.isEmpty() || target.startsWith('/') || target == ".." || target.startsWith("../") ||
        target.contains("/../") || target.endsWith("/.."))
        return fail(error, EINVAL);
    // symlink() never replaces: a file made at the name meanwhile stays.
    const QByteArray path = FileName::encode(targetPath);
    if (::symlink(target.constData(), path.constData()) != 0)
        return fail(error, errno);
    return settleEntry(path, error);
}

bool restoreInto(const QString& batchFolder, const QString& backupName, const QString& targetPath, uint mode,
                 const QByteArray& sha256, FileError* error, const FileHold* hold) {
    const QByteArray name = FileName::encode(backupName);
    const Fd batch(openBatchFolderFor(batchFolder, name, error));
    if (batch.get() < 0)
        return false;
    Fd in(::openat(batch.get(), name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0)
        return fail(error, errno);
    if (!S_ISREG(st.st_mode))
        return fail(error, EINVAL);

    QByteArray target;
    if (!resolveTarget(FileName::encode(targetPath), target, error))
        return false;
    // The program's one writer: the content takes the file's name whole or not at all, and a kill
    // leaves no file of its own behind (or one the next batch in the folder recognises as nobody's).
    AtomicFile out;
    if (!out.open(target, S_IRUSR | S_IWUSR, error))
        return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    int failure = 0;
    if (!copyHashing(in.get(), out.fd(), hash))
        failure = errno ? errno : EIO;
    else if (hash.result().toHex() != sha256)
        failure = EIO;
    else if (::fchmod(out.fd(), mode_t(mode & 0777)) != 0)
        failure = errno;
    if (failure != 0) {
        out.cancel();
        if (failure == EIO && error) {
            *error = FileError::withText(EIO, QCoreApplication::translate("BackupLink", "备份副本已缺失或已损坏"));
            return false;
        }
        return fail(error, failure);
    }
    const AtomicFile::LastCheck stillHeld = [hold](FileError& changed) { return !hold || hold->unchanged(&changed); };
    if (!out.commit(AtomicFile::Mode::Replace, FileSync::WithBatch, error, stillHeld))
        return false;
    DurableWrites::noteRename(target);
    return true;
}

} // namespace BackupLink
