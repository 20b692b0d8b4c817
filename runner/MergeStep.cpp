#include "MergeStep.h"

#include "JournalSteps.h"
#include "core/ProgressSink.h"
#include "engine/MergeFiles.h"

#include <QFileInfo>

bool mergeWithRows(ProgressSink& sink, const QStringList& files, const QString& targetPath, TransformReport* report,
                   const QString& noteAddition) {
    TransformReport own;
    TransformReport& result = report ? *report : own;
    if (!MergeFiles(files, targetPath, sink, &result)) {
        sink.ReportProgress(0, targetPath, QStringLiteral("未完成"), result.error.description, Mark::Red);
        return false;
    }
    if (result.unmappable > 0)
        reportUnmappable(sink, targetPath, result.unmappable, noteAddition);
    return true;
}

void reportUnmappable(ProgressSink& sink, const QString& text, int count, const QString& addition) {
    sink.ReportProgress(0, text, QStringLiteral("注意"),
                        QStringLiteral("%1 个字符无法以 Big5 表示，已写为“?”").arg(count) + addition, Mark::Yellow);
}

bool mergeAsBatch(JobEnv& env, const QStringList& files, const QString& targetPath) {
    const QFileInfo target(targetPath);
    const QString folder = target.absolutePath() + u'/';
    const QString name = target.fileName();
    BatchJournal::begin(env, QStringLiteral("merge → ") + name, folder);
    const FileState before = JournalSteps::stateIfKept(env, targetPath);
    const bool merged = mergeWithRows(env.sink, files, targetPath);
    if (merged)
        JournalSteps::written(env, folder, name, before);
    BatchJournal::end(env);
    return merged;
}
