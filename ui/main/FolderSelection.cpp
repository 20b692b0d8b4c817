#include "FolderSelection.h"

#include "core/PathHelpers.h"
#include "ui/common/Icons.h"

#include <QDir>
#include <QFileInfo>

FolderSelection FolderSelection::fromPaths(const QStringList& paths) {
    FolderSelection selection;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        const QString folder =
            AddBackslash(QDir::cleanPath(info.isDir() ? info.absoluteFilePath() : info.absolutePath()));
        if (selection.folder.isEmpty())
            selection.folder = folder;
        if (info.isDir() || folder != selection.folder || selection.names.contains(info.fileName()))
            continue;
        selection.names.append(info.fileName());
    }

    bool text = false;
    bool web = false;
    bool other = false;
    for (const QString& name : selection.names) {
        const int type = Icons::fileTypeNumber(name);
        text |= type == 1;
        web |= type == 2;
        other |= type == 3;
    }
    if (other || (text && web))
        selection.typeIndex = 2;
    else if (web)
        selection.typeIndex = 1;
    else if (text)
        selection.typeIndex = 0;
    return selection;
}
