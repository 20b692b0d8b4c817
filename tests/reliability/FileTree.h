#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QMap>

// A folder tree as bytes: every entry's path relative to the root (names exactly as the file system
// holds them) with the file's content; a symbolic link is kept as "-> " + its target, a folder as
// "<folder>". Used to compare what a run left with what it must leave.
namespace FileTree {

using Tree = QMap<QByteArray, QByteArray>;

inline const QByteArray Folder = QByteArrayLiteral("<folder>");

Tree read(const QByteArray& root);
// The paths of the entries below `root` that are not folders, without reading them.
QByteArrayList files(const QByteArray& root);
// Creates the files (and their folders) of `tree` below `root`.
bool write(const QByteArray& root, const Tree& tree);
// Removes everything below `root`, keeping `root` itself.
void clear(const QByteArray& root);
// Only the entries whose path starts with `prefix`.
Tree below(const Tree& tree, const QByteArray& prefix);
QByteArray readFile(const QByteArray& path);
bool writeFile(const QByteArray& path, const QByteArray& content);
// The disk space free for unprivileged users at `path`, in bytes.
qint64 freeSpace(const QByteArray& path);

} // namespace FileTree
