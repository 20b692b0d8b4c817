#include "StopRows.h"

#include "core/ProgressSink.h"
#include "engine/JobEnv.h"
#include "platform/FileError.h"

void reportNotProcessed(ProgressSink& sink, const QStringList& names) {
    const QString status = QStringLiteral("未处理");
    const QString reason = QStringLiteral("已停止");
    for (const QString& name : names)
        sink.ReportProgress(0, name, status, reason, Mark::Red);
}

void reportStopped(ProgressSink& sink, const QString& what) {
    sink.ReportProgress(0, QStringLiteral("-已停止-"), QString(), what, Mark::Yellow);
}

void reportFileError(JobEnv& env, const QString& text, const FileError& error) {
    if (error.isStopped())
        reportStopped(env.sink, QString());
    else
        env.sink.ReportProgress(0, text, QStringLiteral("错误") + QString::number(error.number), error.description,
                                Mark::Red);
}
