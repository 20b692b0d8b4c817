#pragma once

#include <QString>
#include <QStringList>

class ProgressSink;
struct ResultRow;
struct JobEnv;
struct FileError;

// The rows of a batch that was stopped: one red "未处理" row per file it did not come to, so that the
// progress window (and the command line's output) says of every file whether it was done. Each text
// is a name in `folder`, or a full path with an empty `folder`.
void reportNotProcessed(ProgressSink& sink, const QString& folder, const QStringList& texts);

// A yellow "-已停止-" row before the completion call; `what` says what was left out (the wizard's
// later stages).
void reportStopped(ProgressSink& sink, const QString& what);

// The red "错误<number>" row of a file a batch could not read or write, with the description.
ResultRow fileErrorRow(const QString& text, const QString& file, const FileError& error);
// Reports that row, or, when the error is a stop request, the "-已停止-" row. `file` is the full path.
void reportFileError(JobEnv& env, const QString& text, const QString& file, const FileError& error);
