#pragma once

#include "engine/JobEnv.h"
#include "engine/TransformReport.h"

#include <QString>
#include <QStringList>

class ProgressSink;

// The merge as every front end runs it (merge dialog, wizard, command line), as one batch: MergeFiles
// with its one row per joined file, then a red "未完成" row for the target when the merge failed, or a
// yellow note when characters the target's encoding cannot hold were written as "?" (`noteAddition`
// is appended to its text). An existing target is backed up (backups on) before it is replaced.
// True when the target was written.
bool mergeWithRows(JobEnv& env, const QStringList& files, const QString& targetPath, TransformReport* report = nullptr,
                   const QString& noteAddition = QString());

// The yellow note after a file whose target encoding could not hold `count` characters.
void reportUnmappable(ProgressSink& sink, const QString& text, int count, const QString& addition = QString());
