#pragma once

#include <QString>

// The program's version: "Version 2.1" and "Revision 0022" on the splash, the about box and the
// command line.
namespace Version {

constexpr int Major = QM_VERSION_MAJOR;
constexpr int Minor = QM_VERSION_MINOR;
constexpr int Revision = QM_VERSION_REVISION;

inline QString versionText() {
    return QStringLiteral("Version %1.%2").arg(Major).arg(Minor);
}

inline QString revisionText() {
    return QStringLiteral("Revision ") + QString::number(Revision).rightJustified(4, u'0');
}

} // namespace Version
