#pragma once

#include <QString>
#include <QStringList>

// What the main window opens for files and folders named on the command line or dropped on it: the
// folder to show and the names to select in it, and the type filter that lists them.
//
// The first path that exists decides the folder: a folder is opened itself, a file opens the folder
// it lies in. Every other file in that folder is selected as well (a folder's files cannot be
// selected across folders, so files elsewhere are left out; so are paths that do not exist). The
// filter is "文本文件" when every name is a text file, "网页文件" when every name is a web page,
// "所有文件" for a mix, and unchanged when there is no name to select.
struct FolderSelection {
    QString folder;     // with its trailing "/"; empty when no path exists
    QStringList names;  // in the order given, each once
    int typeIndex = -1; // TypeOpt index, or -1 to keep the filter

    static FolderSelection fromPaths(const QStringList& paths);
};
