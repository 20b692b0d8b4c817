#include "StopRows.h"

#include "core/ProgressSink.h"
#include "engine/JobEnv.h"
#include "platform/FileError.h"

#include <QCoreApplication>

void reportNotProcessed(ProgressSink& sink, const QString& folder, const QStringList& texts) {
    const QString status = QCoreApplication::translate("StopRows", "未处理");
    const QString reason = QCoreApplication::translate("StopRows", "已停止");
    for (const QString& text : texts)
        sink.ReportProgress(0, ResultRow::of(Outcome::NotProcessed, text, status, reason, folder + text));
}

void reportStopped(ProgressSink& sink, const QString& what) {
    sink.ReportProgress(
        0, ResultRow::about(Outcome::Stopped, QCoreApplication::translate("StopRows", "-已停止-"), QString(), what));
}

ResultRow fileErrorRow(const QString& text, const QString& file, const FileError& error) {
    return ResultRow::of(Outcome::Error, text,
                         QCoreApplication::translate("StopRows", "错误") + QString::number(error.number),
                         error.description, file);
}

void reportFileError(JobEnv& env, const QString& text, const QString& file, const FileError& error) {
    if (error.isStopped())
        reportStopped(env.sink, QString());
    else
        env.sink.ReportProgress(0, fileErrorRow(text, file, error));
}
