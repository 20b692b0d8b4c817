#pragma once

#include <QString>
#include <QStringList>

class ProgressSink;
struct JobEnv;
struct FileError;

// The rows of a batch that was stopped: one red "未处理" row per file it did not come to, so that the
// progress window (and the command line's output) says of every file whether it was done.
void reportNotProcessed(ProgressSink& sink, const QStringList& names);

// A yellow "-已停止-" row before the completion call; `what` says what was left out (the wizard's
// later stages).
void reportStopped(ProgressSink& sink, const QString& what);

// A file a batch could not read or write: its red "错误<number>" row with the description, or, when
// the error is a stop request, the "-已停止-" row.
void reportFileError(JobEnv& env, const QString& text, const FileError& error);
