#pragma once

#include <QString>

// Where the settings files, the working file and the default backup folder live. An installed
// program keeps them in the user's data folder ("~/.local/share/quillmar/", created when missing,
// with "Default.cfg" copied in from the installation when it is not there yet); a program run from
// its build folder, or copied anywhere else, keeps them beside itself. Both programs of one
// installation, the windows and the command line, come to the same folder. Results end in "/".

// True when `programFolder` is the program folder of an installation: the folder the build was
// configured to install into, or a "bin" folder whose "../share/quillmar/Default.cfg" exists (the
// same layout under another prefix). Whether the folder can be written plays no part.
bool isInstalledProgram(const QString& programFolder);

// The user's data folder of the program, "~/.local/share/quillmar/"; empty without a home.
QString userDataFolder();

// The app folder of the program in `programFolder`.
QString resolveAppFolder(const QString& programFolder);
// The same with the user's data folder given (tests). When it is empty or cannot be made, an
// installed program falls back to its own folder.
QString resolveAppFolder(const QString& programFolder, const QString& userFolder);
