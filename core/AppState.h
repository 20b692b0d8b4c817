#pragma once

#include "Preferences.h"
#include "SettingsRec.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

// The program-wide values, kept in one object that is handed to whoever needs it, so that every
// test can start from a fresh one. Folders end in exactly one "/".
class AppState {
public:
    SettingsRec Settings;
    Preferences Prefs; // the settings kept in "Preferences.ini"

    QString AppFolder;      // settings files, the working file, the default backup folder
    QString BackupFolder;   // root of the backup tree
    QString TempFile;       // AppFolder + "tempfile.tmp": an older version's working copy, removed at exit
    QStringList PrefixList; // indexes 0..PrefixMax, most recent first
    QStringList RecentList; // indexes 0..RecentMax, most recent first

    // The backup folder of the batch that is running: open once its numbered folder exists.
    // The whole path is kept, so a batch that runs across the full hour stays in one folder.
    int Workers = 1; // files a batch works on at once (the command line's --jobs; the windows keep 1)

    bool BackupBatchOpen = false;
    qint32 BackupBatchNo = 0;
    QString BackupBatchFolder;

    QString CurrentFolder;           // the main window's folder
    QString DialogFolder;            // handed to the dialogs
    QStringList SelectedFiles;       // handed to the rename and replace dialogs
    QString PickedFolder;            // result of the folder picker
    QPointer<QObject> ProgressOwner; // window to enable again when a batch is acknowledged

    // Sets AppFolder (with its trailing "/") and TempFile.
    void setAppFolder(const QString& folder);
    QString defaultBackupFolder() const { return AppFolder + QStringLiteral("backup/"); }
};
