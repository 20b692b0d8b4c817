#include "MergeStep.h"

#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "engine/FileJob.h"
#include "engine/MergeFiles.h"

bool mergeWithRows(JobEnv& env, const QStringList& files, const QString& targetPath, TransformReport& report,
                   const QString& lossAddition) {
    ProgressSink& sink = env.sink;
    env.state.BackupBatchOpen = false;
    report.beforeReplace = BackUpBeforeReplace(env, targetPath, targetPath);
    if (!MergeFiles(files, targetPath, sink, &report)) {
        sink.ReportProgress(0, targetPath, QStringLiteral("未完成"), report.error.description, Mark::Red);
        return false;
    }
    if (report.unmappable > 0)
        reportUnmappable(sink, targetPath, report, report.lostCharacters() ? lossAddition : QString());
    return true;
}

void reportUnmappable(ProgressSink& sink, const QString& text, const TransformReport& report, const QString& addition) {
    sink.ReportProgress(0, text, QStringLiteral("注意"), unmappableNote(report) + addition, Mark::Yellow);
}
