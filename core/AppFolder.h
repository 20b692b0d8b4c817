#pragma once

#include <QString>

// The folder that holds the settings files, the working file and the default backup folder: the
// program's own folder when it can be written, otherwise the user's application data folder
// (created when missing), into which "Default.cfg" is copied from where the program was installed
// when it is not there yet. The result ends in "/". Without a data folder the program folder stays.
QString resolveAppFolder(const QString& programFolder);
// The same with the fallback folder given (tests).
QString resolveAppFolder(const QString& programFolder, const QString& fallbackFolder);
