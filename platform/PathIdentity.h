#pragma once

#include <QString>

// Which file a path reaches, to tell whether two paths of one batch name the same file.
namespace PathIdentity {

// A key equal for every path that reaches one file: the device and inode of an existing file (links
// followed), else the path with its folder's links resolved and its "." and ".." parts gone, for a
// file that is still to be created.
QString keyOf(const QString& path);

// True when `folder` + `name` is a regular file the folder's own listing may offer: a regular file, or
// a link whose target is a regular file inside `folder` (its tree). Never opens the file, so a FIFO or
// a device is answered without blocking.
bool isRegularFileWithin(const QString& folder, const QString& name);

} // namespace PathIdentity
