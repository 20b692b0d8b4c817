#pragma once

#include "engine/JobEnv.h"
#include "engine/TransformReport.h"

#include <QString>
#include <QStringList>

class ProgressSink;
struct JobEnv;

// The merge as every front end runs it (merge dialog, wizard, command line), as one batch: MergeFiles
// with its one row per joined file, then a red "未完成" row for the target when the merge failed, or a yellow
// note when the target took a wider encoding than the first source's or characters were written as
// "?" (`lossAddition` is appended to the note in that last case). An existing target that is not one
// of the sources is only replaced when the user agrees to overwrite it (BeginFileJob's question and
// rows); refused, it stays as it was and nothing is merged. `report.unmappablePolicy` says what
// to do with characters no encoding of the merge can hold. An existing target is backed up (backups on)
// before it is replaced; the target is journalled in the running batch, its line of intent before it
// is replaced or created. True when the target was written.
bool mergeWithRows(JobEnv& env, const QStringList& files, const QString& targetPath, TransformReport& report,
                   const QString& lossAddition = QString());

// The yellow note after a file whose encoding could not hold every character.
void reportUnmappable(ProgressSink& sink, const QString& text, const QString& file, const TransformReport& report,
                      const QString& addition = QString());

// The merge as a batch of its own (merge dialog, command line), with the unmappable-character
// choice of the settings: journalled as the target created or replaced, under "merge → NAME".
bool mergeAsBatch(JobEnv& env, const QStringList& files, const QString& targetPath);
