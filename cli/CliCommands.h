#pragma once

#include "core/AppState.h"
#include "engine/JobEnv.h"
#include "runner/BatchRunner.h"
#include "runner/DryRun.h"
#include "runner/ReplaceRunner.h"
#include "runner/RestoreRunner.h"
#include "runner/WizardRunner.h"

#include <QString>
#include <QStringList>

// The command-line commands over the runners. Each returns the process exit status: 0 when every
// file was done, 1 when something failed (a red row or a refused plan).
namespace CliCommands {

// Files named on the command line, grouped into one batch per folder (in the order the folders
// first appear; the files of a folder in the order given).
struct FolderBatch {
    QString folder; // absolute, with its trailing "/"
    QStringList names;
};
QList<FolderBatch> groupByFolder(const QStringList& files);

void runBatch(JobEnv& env, BatchCommand command, int direction, const QStringList& files,
              const CleanOptions& clean = {});
void runReplace(JobEnv& env, const QString& find, const QString& replacement, bool caseSensitive,
                const QStringList& files);
// `sortChapters`: the files are joined in chapter reading order of their names (files of the same
// name in the order given); otherwise in the order given.
void runMerge(JobEnv& env, const QString& output, const QStringList& files, bool sortChapters);
// Prints "old TAB new" per file (with `json`, {"old", "new", "file", "new_file"}, the last two
// full paths, bytes-safe); renames unless `dryRun`. False when the plan was refused.
bool runRename(JobEnv& env, const QString& nameTemplate, qint32 start, bool dryRun, bool json, const QStringList& files,
               QString* message);
// False with `message` when the run was refused before it started.
bool runWizard(JobEnv& env, WizardOptions options, QString* message);

// The backup batches, newest first: "id TAB time TAB command TAB folder TAB files TAB size".
void listBackups(const AppState& state);
// One batch: its header lines, then "name TAB action TAB state now TAB backup copy" per file.
// False when there is no such batch.
bool showBackup(const AppState& state, const QString& id);
// Exit status: 0 all restored, 1 a file skipped or failed, or no such batch.
int runRestore(JobEnv& env, const QString& id, const QStringList& names, bool force, bool dryRun);
// The restore run on copies of the batch's files in `dryRun`'s mirror, so that its report shows the
// diff of what the restore would do. Exit status as runRestore.
int diffRestore(const AppState& state, DryRun& dryRun, const QString& id, const QStringList& names, bool force);
// Deletes the batches older than `days` after one question; declined or nothing old: 0. A dry run
// lists them only. Hour and batch folders that are symbolic links are never followed: a yellow row
// each, left alone.
int pruneBackups(JobEnv& env, int days, bool dryRun);

// The files named on the command line as copies in `dryRun`'s mirror (with the ".txt" beside each
// web page when `withTextTargets`, so that the overwrite questions come as they would).
QStringList mirrorFiles(DryRun& dryRun, const QStringList& files, bool withTextTargets);

} // namespace CliCommands
