#include "MergeStep.h"

#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "engine/FileJob.h"
#include "engine/MergeFiles.h"

bool mergeWithRows(JobEnv& env, const QStringList& files, const QString& targetPath, TransformReport* report,
                   const QString& noteAddition) {
    ProgressSink& sink = env.sink;
    TransformReport own;
    TransformReport& result = report ? *report : own;
    env.state.BackupBatchOpen = false;
    result.beforeReplace = BackUpBeforeReplace(env, targetPath, targetPath);
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
