#pragma once

#include <QStringList>

class QMimeData;

// Files and folders dragged in from a file manager: the local paths of a drop's file URLs, in the
// order they come, each byte of a name kept (a name that is not UTF-8 still names its file, see
// FileName). URLs that are not local files are left out.
namespace DroppedFiles {

QStringList localPaths(const QMimeData* data);
// True when the drop carries at least one local path.
bool carriesLocalPaths(const QMimeData* data);

} // namespace DroppedFiles
