#pragma once

#include "JobEnv.h"

#include <QString>

class WorkPulse;

// Prepares one file of a batch before its transformation runs.
//
// Equal names: an in-place job. The file is made writable, copied to TempFile and, with backups
// on, into the batch's backup folder BackupFolder + "yyyyMMdd-hh/" + "000"-style number + "/".
// The caller then reads TempFile and writes folder + sourceName.
// Different names: the target is about to be created; an existing one is only replaced after the
// user agreed (a yellow row either way). The caller reads folder + sourceName.
//
// Errors add a red "错误<number>" row with the description and give false. On success, and when
// the user refused to overwrite, the folder moves to the front of the recent folders.
// A `pulse` keeps the windows alive while a large file is copied and may stop the job there: false
// without a row of its own (pulse->stopped() tells), nothing changed.
bool BeginFileJob(JobEnv& env, const QString& sourceName, const QString& targetName, const QString& folder,
                  WorkPulse* pulse = nullptr);
