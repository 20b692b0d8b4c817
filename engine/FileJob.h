#pragma once

#include "JobEnv.h"
#include "platform/FileError.h"
#include "platform/FileState.h"

#include <QString>
#include <functional>

class WorkPulse;
struct ResultRow;

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

// True for the yellow "覆盖原有文件" row BeginFileJob writes when the user agreed to overwrite.
bool IsOverwriteNote(const ResultRow& row);

// What a job's journal line takes from the line of intent written before its change: the file's state
// before the change and the name of its backup copy in the batch folder.
struct IntendedChange {
    bool intended = false; // a line of intent was written: the file is about to be replaced or created
    FileState before;      // exists == false: the file is about to be created
    QString backupName;    // "" when there is none
};

// What a job hands its transformation as TransformReport::beforeReplace: right before the file at
// `path` is replaced, and only when its content really changes, it is put aside in the batch's
// backup folder (when backups are on) and the journal's line of intent names it and its state; both
// are on the disk before the replacement can be. `intended` (when given) receives what the line said.
// A failed backup or line adds the red "错误<number>" row under `rowText` and keeps the file as it
// was. A `pulse` keeps the windows alive while a large file is copied and may stop the job there
// (FileError::stopped(), no row of its own, nothing changed). Made before the job starts, it keeps the
// file's permission bits of that moment as its state before.
std::function<bool(FileError& error)> BackUpBeforeReplace(JobEnv& env, const QString& path, const QString& rowText,
                                                          WorkPulse* pulse = nullptr,
                                                          IntendedChange* intended = nullptr);

// The line of intent for a file about to be created at `folder + name`, when nothing is there yet and
// the journal is kept (an existing file gets its line from BackUpBeforeReplace). A journal that cannot
// be written adds a red row under `rowText` and gives false: the file must not be made then.
bool IntendToCreate(JobEnv& env, const QString& folder, const QString& name, const QString& rowText,
                    IntendedChange& intended);
