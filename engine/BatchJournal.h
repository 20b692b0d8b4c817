#pragma once

#include "BackupJournal.h"
#include "JobEnv.h"

#include <QString>

// The journal of the running batch, kept through the program-wide state so that the job frame and
// every runner write into the one batch folder. Nothing is journalled when backups are off.
namespace BatchJournal {

// Starts a new batch (a fresh numbered backup folder at its first backup or journal line) that runs
// `command` in `folder`, its writes made durable at its end. Ends the batch before it, if one is open.
void begin(JobEnv& env, const QString& command, const QString& folder);

// The running batch's numbered backup folder, created with its journal on first use: the lowest
// number not yet taken in the current hour folder BackupFolder + "yyyyMMdd-hh/".
bool folder(JobEnv& env, QString& batchFolder, FileError& error);

// True when the running batch keeps a journal (backups are on).
bool isKept(const JobEnv& env);

// Appends one file's line; opens the batch folder when this is its first entry. A journal that
// cannot be written adds a red row naming the file.
void record(JobEnv& env, const JournalEntry& entry);

// Writes the line of intent for `name` (see BackupJournal::intend) before the batch replaces or creates
// it; opens the batch folder when this is its first entry. False with `error` set when the journal
// cannot be written: the change must not happen then.
bool intend(JobEnv& env, const QString& name, const QString& backupName, const FileState& before, FileError& error);

// The change announced for `name` did not happen: its line of intent is withdrawn, so that a restore
// of the batch leaves the file (and whatever another run made of it) alone. Nothing when no line of
// intent was written (`intended` false) or the journal is not kept.
void withdraw(JobEnv& env, const QString& name, bool intended);

// Ends the running batch: makes everything it wrote durable (DurableWrites), then appends the end
// time to its journal, if it has one. A failed sync is a red row, and the journal is left without
// its end, as the journal of an interrupted batch.
void end(JobEnv& env);

} // namespace BatchJournal
