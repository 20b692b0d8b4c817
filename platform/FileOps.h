#pragma once

#include "AtomicFile.h"
#include "FileError.h"
#include "ReadProgress.h"

#include <QString>
#include <QStringList>


// The file-system operations of the job frame and the dialogs. Every operation returns false on
// failure and, when `error` is given, fills it with the errno and its text.
namespace FileOps {

bool exists(const QString& path);
bool folderExists(const QString& path);
// Creates one folder; its parent must exist.
bool createFolder(const QString& path, FileError* error = nullptr);
// Creates a folder and every missing folder above it; true when it exists afterwards.
bool createFolderPath(const QString& path, FileError* error = nullptr);
// Whether the user may rewrite the file at `path` (or of `st`, found at `nativePath`): a file the user
// has no write permission for is left alone (EACCES), never made writable, as is a file its owner
// made read-only even where the user is the superuser.
bool mayRewrite(const QString& path, FileError* error = nullptr);
bool mayRewrite(const struct stat& st, const QByteArray& nativePath, FileError* error = nullptr);
bool removeFile(const QString& path, FileError* error = nullptr);
// Writes all of `size` bytes to the open descriptor `fd`, going on after interruptions; false with
// errno set on failure.
bool writeAll(int fd, const char* data, qsizetype size);
// Copies the bytes of `source` into a new file `target`, replacing an existing `target` (a symbolic
// link planted there is replaced, never followed). The copy is written whole before it takes the
// target's name (AtomicFile), so a failed or interrupted copy leaves no partial target; a failed one
// leaves an existing target as it was. `sync` says when the copy reaches the disk: by default with
// the running batch's sync at its end, or at once where the batch cannot take it over.
// `progress` hears of every piece copied and may stop the copy (FileError::stopped(), no target).
bool copyFile(const QString& source, const QString& target, FileError* error = nullptr,
              const ReadProgress& progress = {}, FileSync sync = FileSync::WithBatch);
// The same copy into a new file only: when something named `target` exists already (a file, a folder
// or a link), nothing is copied and the error is EEXIST.
bool copyFileNew(const QString& source, const QString& target, FileError* error = nullptr,
                 const ReadProgress& progress = {}, FileSync sync = FileSync::WithBatch);
// Moves `source` to a new file `target` on another file system: the copy of copyFileNew, synced to
// the disk, then `source` removed, so that no moment (a power cut included) loses both.
bool moveByCopy(const QString& source, const QString& target, FileError* error = nullptr);
// Renames `from` to `to` only when nothing is named `to` yet (EEXIST otherwise), atomically where the
// file system can. Where it cannot (vfat and ntfs-3g drives, many FUSE mounts refuse the no-replace
// rename with EINVAL), a hard link and an unlink do the same, and where there are no hard links
// either, a rename after checking that `to` is still free.
bool renameNoReplace(const QString& from, const QString& to, FileError* error = nullptr);
// The same on native paths, without noting the rename for the running batch.
bool renameNoReplaceNative(const QByteArray& from, const QByteArray& to, FileError* error = nullptr);
// Moves a file to the desktop trash (the freedesktop.org trash that file managers show and restore
// from, as QFile::moveToTrash does, but for names of any bytes): the home trash for files on its file
// system, else the ".Trash-<uid>" folder at the top of the file's own file system, else a copy in the
// home trash. Fails with EOPNOTSUPP when there is no trash at all; on any failure the file stays.
// The path must be absolute.
bool moveToTrash(const QString& path, FileError* error = nullptr);
// The names of the folders inside `folder` (symbolic links to folders are not folders here).
QStringList subfolders(const QString& folder);
// Removes an empty folder.
bool removeFolder(const QString& path, FileError* error = nullptr);
// Total size in bytes of every file below `folder`; 0 for a missing folder.
qint64 folderSize(const QString& folder);
// Removes `folder` and everything below it, read-only files included.
bool removeTree(const QString& folder, FileError* error = nullptr);

// Test seam: from now on the atomic no-replace rename fails with EINVAL, as on a vfat drive.
void noReplaceRenameUnsupportedForTesting(bool unsupported);

} // namespace FileOps
