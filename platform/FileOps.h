#pragma once

#include "FileError.h"
#include "ReadProgress.h"

#include <QString>

// The file-system operations of the job frame and the dialogs. Every operation returns false on
// failure and, when `error` is given, fills it with the errno and its text.
namespace FileOps {

bool exists(const QString& path);
bool folderExists(const QString& path);
// Creates one folder; its parent must exist.
bool createFolder(const QString& path, FileError* error = nullptr);
// Makes the file writable by its owner (the "normal attributes" of a file about to be rewritten).
bool resetAttributes(const QString& path, FileError* error = nullptr);
bool removeFile(const QString& path, FileError* error = nullptr);
// Copies the bytes of `source` into a new file `target`, replacing an existing `target` (a symbolic
// link planted there is replaced, never followed). The copy is made in a temporary file beside the
// target and renamed into place when complete, so a failed or interrupted copy leaves no partial
// target; a failed one leaves an existing target as it was.
// `progress` hears of every piece copied and may stop the copy (FileError::stopped(), no target).
bool copyFile(const QString& source, const QString& target, FileError* error = nullptr,
              const ReadProgress& progress = {});
// Total size in bytes of every file below `folder`; 0 for a missing folder.
qint64 folderSize(const QString& folder);
// Removes `folder` and everything below it, read-only files included.
bool removeTree(const QString& folder, FileError* error = nullptr);

} // namespace FileOps
