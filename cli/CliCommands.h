#pragma once

#include "engine/JobEnv.h"
#include "runner/BatchRunner.h"
#include "runner/ReplaceRunner.h"
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

void runBatch(JobEnv& env, BatchCommand command, int direction, const QStringList& files);
void runReplace(JobEnv& env, const QString& find, const QString& replacement, bool caseSensitive,
                const QStringList& files);
// `sortChapters`: the files are joined in chapter reading order of their names (files of the same
// name in the order given); otherwise in the order given.
void runMerge(JobEnv& env, const QString& output, const QStringList& files, bool sortChapters);
// Prints "old TAB new" per file (with `json`, {"old", "new", "file", "new_file"}, the last two
// full paths, bytes-safe); renames unless `dryRun`. False when the plan was refused.
bool runRename(const QString& nameTemplate, qint32 start, bool dryRun, bool json, const QStringList& files,
               QString* message);
// False with `message` when the run was refused before it started.
bool runWizard(JobEnv& env, WizardOptions options, QString* message);

} // namespace CliCommands
