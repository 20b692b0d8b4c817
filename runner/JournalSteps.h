#pragma once

#include "engine/BatchJournal.h"
#include "engine/FileJob.h"

#include <QString>

// The journal lines of the runners, one per finished file, after the line of intent that the job
// wrote before its change (BackUpBeforeReplace, IntendToCreate): `intended` carries the state before
// and the backup copy's name from there; the state after is read here.
namespace JournalSteps {

// `folder + name` was rewritten in place; nothing is journalled when no change was intended (the
// result was the file's own content, the file was left as it was).
void rewritten(JobEnv& env, const QString& folder, const QString& name, const IntendedChange& intended);
// `folder + name` was written new: created, or replacing the file `intended.before` describes.
void written(JobEnv& env, const QString& folder, const QString& name, const IntendedChange& intended);
// `folder + name` was deleted (moved into the running batch as `backupName`, "" when it is not there).
void deleted(JobEnv& env, const QString& name, const FileState& before, const QString& backupName);
// `folder + oldName` became `folder + newName`.
void renamed(JobEnv& env, const QString& folder, const QString& oldName, const QString& newName);

// Retires `folder + name` (see RetireFile: into the running batch with backups on, else the trash)
// and journals it as deleted, so that a restore brings it back; the line of intent goes before the move.
bool remove(JobEnv& env, const QString& folder, const QString& name, FileError* error);

// The state to pass as `before`: the file's state when the journal is kept, else nothing.
FileState stateIfKept(const JobEnv& env, const QString& path);

} // namespace JournalSteps
