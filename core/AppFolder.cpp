#include "AppFolder.h"

#include "PathHelpers.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

bool isWritableFolder(const QString& folder) {
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// "Default.cfg" beside the program in a build tree, or in the data folder of an installation.
QString deliveredDefaults(const QString& programFolder) {
    const QString candidates[] = {
        programFolder + QStringLiteral("Default.cfg"),
        programFolder + QStringLiteral("../share/quillmar/Default.cfg"),
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("quillmar/Default.cfg")),
    };
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty() && QFile::exists(candidate))
            return candidate;
    }
    return QString();
}

} // namespace

QString resolveAppFolder(const QString& programFolder) {
    return resolveAppFolder(programFolder, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

QString resolveAppFolder(const QString& programFolder, const QString& fallbackFolder) {
    const QString program = AddBackslash(programFolder);
    if (isWritableFolder(program) || fallbackFolder.isEmpty())
        return program;

    const QString folder = AddBackslash(fallbackFolder);
    QDir().mkpath(folder);
    const QString defaults = folder + QStringLiteral("Default.cfg");
    if (!QFile::exists(defaults)) {
        const QString source = deliveredDefaults(program);
        if (!source.isEmpty())
            QFile::copy(source, defaults);
    }
    return folder;
}
