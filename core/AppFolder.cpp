#include "AppFolder.h"

#include "PathHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Set by the build: the folder the programs install into and the data folder seen from there.
#ifndef QM_INSTALL_BINDIR
#define QM_INSTALL_BINDIR ""
#endif
#ifndef QM_DATADIR_FROM_BINDIR
#define QM_DATADIR_FROM_BINDIR "../share"
#endif

const QString DataName = QStringLiteral("quillmar");
const QString DefaultsName = QStringLiteral("Default.cfg");

// "<prefix>/share/quillmar/" of the installation `programFolder` belongs to.
QString installedDataFolder(const QString& programFolder) {
    return AddBackslash(
        QDir::cleanPath(AddBackslash(programFolder) + QStringLiteral(QM_DATADIR_FROM_BINDIR) + u'/' + DataName));
}

bool sameFolder(const QString& a, const QString& b) {
    const QString first = QFileInfo(a).canonicalFilePath();
    return !first.isEmpty() && first == QFileInfo(b).canonicalFilePath();
}

} // namespace

bool isInstalledProgram(const QString& programFolder) {
    if (programFolder.isEmpty())
        return false;
    const QString configured = QStringLiteral(QM_INSTALL_BINDIR);
    if (!configured.isEmpty() && sameFolder(programFolder, configured))
        return true;
    return QFileInfo::exists(installedDataFolder(programFolder) + DefaultsName);
}

QString userDataFolder() {
    // The generic location with our own name, so that the result does not hang on the application
    // or organisation names that each program sets.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return base.isEmpty() ? QString() : AddBackslash(base) + DataName + u'/';
}

QString resolveAppFolder(const QString& programFolder) {
    return resolveAppFolder(programFolder, userDataFolder());
}

QString resolveAppFolder(const QString& programFolder, const QString& userFolder) {
    const QString program = AddBackslash(programFolder);
    if (!isInstalledProgram(programFolder) || userFolder.isEmpty())
        return program;

    const QString folder = AddBackslash(userFolder);
    if (!QDir().mkpath(folder))
        return program;
    const QString defaults = folder + DefaultsName;
    if (!QFile::exists(defaults)) {
        const QString installed = installedDataFolder(programFolder) + DefaultsName;
        const QString source = QFile::exists(installed) ? installed
                                                        : QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                                                 DataName + u'/' + DefaultsName);
        if (!source.isEmpty()) {
            QFile::copy(source, defaults);
            // A copy of a read-only installed file would stay read-only; the user's copy is theirs.
            QFile::setPermissions(defaults, QFile::permissions(defaults) | QFileDevice::WriteOwner);
        }
    }
    return folder;
}
