#pragma once

#include "JobEnv.h"
#include "platform/FileError.h"
#include "platform/FileOps.h"
#include "platform/FileState.h"

#include <QString>

// The backup tree and the only places where a batch puts a user's file aside. Layout: BackupFolder +
// "yyyyMMdd-hh/" + the batch's number ("000", "001", ..., "999", "1000") + "/" + the file's own name.
// A batch opens its numbered folder with its first backup and keeps the whole path, so a batch that
// runs across the full hour stays in one folder.

// Puts the file at `path` aside in the running batch's backup folder, right before the batch replaces
// it: a hard link where the file and the folder share a file system, else a synced copy
// (BackupLink::keepAside), so that the backup is on the disk before the file is replaced. A name the batch has backed
// up already (the same file twice in one batch) gets "~2", "~3", ..., so the oldest copy stays. With backups off
// nothing happens. `copyPath` receives where the copy went. `progress` hears of the copy's pieces and may stop it
// (FileError::stopped()).
bool BackUpFile(JobEnv& env, const QString& path, FileError& error, QString* copyPath = nullptr,
                const ReadProgress& progress = {});

// Opens the running batch's backup folder now rather than with its first backup (a batch whose
// files are worked on at once opens it before they start, so that they all back up into it).
bool OpenBackupBatch(JobEnv& env, FileError& error);

// Removes a user's file that a batch has finished with (the wizard's converted pages and merged
// chapters). With backups on it moves into the running batch's backup folder (a copy and a deletion
// when that is on another file system); with backups off it goes to the desktop trash, and is
// deleted for good only where there is no trash. `keptPath` receives where a moved file went. Before a
// file moves into the batch, the journal's line of intent names it, its state `before` and the copy's
// name, so that a restore brings it back even when the run stops before the deletion is journalled.
bool RetireFile(JobEnv& env, const QString& path, const FileState& before, FileError& error,
                QString* keptPath = nullptr);

// Deletes what the program made inside `backupFolder`: the numbered batch folders of its date-hour
// folders ("yyyyMMdd-hh"), and each hour folder once it is empty. Anything else there stays.
bool ClearBackups(const QString& backupFolder, FileError& error);
