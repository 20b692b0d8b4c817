#pragma once

#include "BackupJournal.h"
#include "JobEnv.h"

#include <QString>

// The journal of the running batch, kept through the program-wide state so that the job frame and
// every runner write into the one batch folder. Nothing is journalled when backups are off.
namespace BatchJournal {

// Starts a new batch (a fresh numbered backup folder at its first backup or journal line) that runs
// `command` in `folder`. Ends the journal of the batch before it, if one is open.
void begin(JobEnv& env, const QString& command, const QString& folder);

// The running batch's numbered backup folder, created with its journal on first use: the lowest
// number not yet taken in the current hour folder BackupFolder + "yyyyMMdd-hh/".
bool folder(JobEnv& env, QString& batchFolder, FileError& error);

// True when the running batch keeps a journal (backups are on).
bool isKept(const JobEnv& env);

// Appends one file's line; opens the batch folder when this is its first entry. A journal that
// cannot be written adds a red row naming the file.
void record(JobEnv& env, const JournalEntry& entry);

// Appends the end time to the running batch's journal, if it has one.
void end(JobEnv& env);

} // namespace BatchJournal
