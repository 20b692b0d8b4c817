#pragma once

#include "engine/BatchJournal.h"

#include <QString>

// The journal lines of the runners, one per finished file. `before` is the file as it was before
// the step (FileState::of, read only when BatchJournal::isKept); the state after is read here.
namespace JournalSteps {

// `folder + name` was rewritten in place; its backup copy is in the running batch.
void rewritten(JobEnv& env, const QString& folder, const QString& name, const FileState& before);
// `folder + name` was written new: created, or replacing the file `before` describes.
void written(JobEnv& env, const QString& folder, const QString& name, const FileState& before);
// `folder + name` was deleted (moved into the running batch when a copy of it is there).
void deleted(JobEnv& env, const QString& name, const FileState& before);
// `folder + oldName` became `folder + newName`.
void renamed(JobEnv& env, const QString& folder, const QString& oldName, const QString& newName);

// Retires `folder + name` (see RetireFile: into the running batch with backups on, else the trash)
// and journals it as deleted, so that a restore brings it back.
bool remove(JobEnv& env, const QString& folder, const QString& name, FileError* error);

// The state to pass as `before`: the file's state when the journal is kept, else nothing.
FileState stateIfKept(const JobEnv& env, const QString& path);

} // namespace JournalSteps
