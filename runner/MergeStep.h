#pragma once

#include "engine/TransformReport.h"

#include <QString>
#include <QStringList>

class ProgressSink;
struct JobEnv;

// The merge as every front end runs it (merge dialog, wizard, command line): MergeFiles with its
// one row per joined file, then a red "未完成" row for the target when the merge failed, or a yellow
// note when characters the target's encoding cannot hold were written as "?" (`noteAddition` is
// appended to its text). True when the target was written.
bool mergeWithRows(ProgressSink& sink, const QStringList& files, const QString& targetPath,
                   TransformReport* report = nullptr, const QString& noteAddition = QString());

// The yellow note after a file whose target encoding could not hold `count` characters.
void reportUnmappable(ProgressSink& sink, const QString& text, int count, const QString& addition = QString());

// The merge as a batch of its own (merge dialog, command line): journalled as the target created
// or replaced, under the command "merge → NAME".
bool mergeAsBatch(JobEnv& env, const QStringList& files, const QString& targetPath);
