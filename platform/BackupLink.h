#pragma once

#include "FileError.h"
#include "FileState.h"
#include "ReadProgress.h"

#include <QByteArray>
#include <QString>

// The backup copies of a batch and their way back, kept apart from the writers: a backup that is on
// the disk before the file it keeps is replaced, and a restore that trusts nothing it reads from the
// backup tree.
namespace BackupLink {

// Puts the file `source` (links followed) aside as the new entry `target`. On the file system of the
// target it is a hard link to the file itself: no byte is copied, its blocks are on the disk already,
// and the writers never write a file in place (they write a new file and rename it over the name), so
// the link keeps the old content once the name holds the new one. Elsewhere (another file system, no
// hard links, a file another user owns) it is a copy whose data is synced before this returns. A
// copy's entry reaches the disk with the running batch's sync, or now where the batch does not defer
// syncs (DurableWrites); a link's entry with the next sync on its file system (the journal line that
// names it). EEXIST when something is named `target` already; `linked` tells which way.
bool keepAside(const QString& source, const QString& target, bool* linked = nullptr, FileError* error = nullptr,
               const ReadProgress& progress = {});

// Writes the backup `backupName` of the batch folder `batchFolder` over `targetPath`, atomically (a
// new file beside the target, renamed over it). The backup is opened inside its folder without
// following a link, and must be a regular file whose bytes have the SHA-256 `sha256` (EIO otherwise,
// nothing written). A target that is a symbolic link is restored through it: the file it points to
// gets the content and the link stays a link (ENOENT for a link that points nowhere). Only the
// permission bits `mode & 0777` are given to the file, never setuid, setgid or sticky.
// `hold`, when given, is the target's hold (FileHold): its file must still be there, unchanged, right
// before the new content takes its name (EAGAIN otherwise, nothing written).
class FileHold;
bool restoreInto(const QString& batchFolder, const QString& backupName, const QString& targetPath, uint mode,
                 const QByteArray& sha256, FileError* error = nullptr, const FileHold* hold = nullptr);

// True when the backup `backupName` of the batch folder is a symbolic link: a link the batch moved
// there (it deletes by moving), to be put back with putBackLink rather than restoreInto.
bool isLink(const QString& batchFolder, const QString& backupName);
// Makes `targetPath` the symbolic link that `backupName` of the batch folder is, pointing where it
// pointed; only where nothing is at `targetPath` (EEXIST otherwise). Only a link into its own folder
// (a relative path without "..") is made: no journal or backup tree makes a link that leads out
// (EINVAL).
bool putBackLink(const QString& batchFolder, const QString& backupName, const QString& targetPath,
                 FileError* error = nullptr);

// A file held for one change, the way the writers hold the files they rewrite (TextWriter): its
// advisory lock (flock, without waiting) for as long as the hold lives, and its identity (device,
// inode, size, modification time) when taken. A change made under a hold neither races a job of
// another run on the same file nor replaces a file some other program changed meanwhile.
class FileHold {
public:
    FileHold() = default;
    ~FileHold();
    FileHold(const FileHold&) = delete;
    FileHold& operator=(const FileHold&) = delete;

    // Holds the regular file at `path` (links followed). Nothing there holds nothing and is no
    // failure (the file is about to be created); a file another job holds is FileError::busy().
    bool take(const QString& path, FileError* error = nullptr);
    // True while `path` names the held file as it was when taken (or, when nothing was there, still
    // names nothing); FileError::changedMeanwhile() otherwise.
    bool unchanged(FileError* error = nullptr) const;

private:
    int m_fd = -1;
    QByteArray m_path;
    FileIdentity m_identity;
};

// An advisory lock (flock) on the folder itself for as long as it lives: runs that choose a new batch
// folder at the same moment take turns, and no lock file is left behind. A folder that cannot be
// opened is not locked; the choice then still relies on mkdir refusing a taken name.
class FolderLock {
public:
    enum class Wait { Yes, No };
    explicit FolderLock(const QString& folder, Wait wait = Wait::Yes);
    // False when the lock was not taken without waiting: another run holds the folder.
    bool isHeld() const { return !m_busy; }
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
    bool m_busy = false;
};

// The lock a running batch holds on its journal file (flock) from the moment its journal is made until
// it ends; the kernel drops it with the process, so a batch killed part-way holds none. It is the
// journal's lock, apart from the lock on the batch folder (FolderLock) that lets one restore of a
// batch run at a time: a restore takes that one and only looks at this one.
class JournalLock {
public:
    explicit JournalLock(const QString& journalPath);
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // True when a running batch holds the journal at `journalPath` (of this process or another).
    static bool isHeld(const QString& journalPath);

private:
    int m_fd = -1;
};

// The permission bits of the file at `path` (links followed); -1 when there is none.
int permissionBits(const QString& path);

} // namespace BackupLink
