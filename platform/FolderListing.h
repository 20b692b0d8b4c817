#pragma once

#include <QString>
#include <QStringList>

// The files of one folder (no sub-folders, no hidden ".name" files), as the file lists of the windows
// and the wizard show them: filtered by a mask such as "*.txt;*.htm;*.html" (patterns separated by
// ";", blanks around them ignored, each matched against the whole name without regard to letter case) and ordered by
// name compared case- insensitively code unit by code unit, ties broken exactly. Locale collation is not used: it would
// put "index2.txt" before "index.txt".
namespace FolderListing {

QStringList listFiles(const QString& folder, const QString& mask);
// The folder's files in the order the file system enumerates them (the rename dialog's list).
QStringList listFilesUnsorted(const QString& folder);
bool matchesMask(const QString& name, const QString& mask);
bool nameLessThan(const QString& a, const QString& b);

} // namespace FolderListing
