#pragma once

#include "JobEnv.h"
#include "platform/FileError.h"

#include <QString>
#include <functional>

class WorkPulse;

// Prepares one file of a batch before its transformation runs.
//
// Equal names: an in-place job. A file the user may not write is refused (a red "错误13" row), never
// made writable; otherwise the transformation reads and
// replaces folder + sourceName itself (the writer replaces it atomically, so no working copy is
// needed and no two jobs ever share one).
// Different names: the target is about to be created; an existing one is only replaced after the
// user agreed (a yellow row either way). The caller reads folder + sourceName.
//
// Errors add a red "错误<number>" row with the description and give false. On success, and when
// the user refused to overwrite, the folder moves to the front of the recent folders.
bool BeginFileJob(JobEnv& env, const QString& sourceName, const QString& targetName, const QString& folder);

// What a job hands its transformation as TransformReport::beforeReplace: the file at `path` is
// backed up into the batch's backup folder (when backups are on) right before it is replaced, and
// only when its content really changes. A failed backup adds the red "错误<number>" row under
// `rowText` and keeps the file as it was. A `pulse` keeps the windows alive while a large file is
// copied and may stop the job there (FileError::stopped(), no row of its own, nothing changed).
std::function<bool(FileError& error)> BackUpBeforeReplace(JobEnv& env, const QString& path, const QString& rowText,
                                                          WorkPulse* pulse = nullptr);
