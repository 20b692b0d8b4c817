#pragma once

#include "TransformReport.h"
#include "core/ProgressSink.h"

#include <QString>
#include <QStringList>

// Joins `files` in order into `targetPath`, every line followed by a line end but the last file's
// last line, which ends as it does in that file (so that joining the files of a split gives the book
// back byte for byte), and reports one "合并完成" row per file (the full path). Each source is decoded
// with its own encoding; the result takes the first source's line end and an encoding that holds
// every character of every source: the first source's when it can, otherwise GB18030 when the first
// source is in a legacy code page and UTF-8 when it is in Unicode (`report->savedAs` then says which). The target is replaced
// only after every source has been read, so a target that is also a source is merged from its old
// content. A stop asked for through the sink (between two files or inside a large one) leaves the
// target as it was and fails with FileError::stopped().
bool MergeFiles(const QStringList& files, const QString& targetPath, ProgressSink& sink,
                TransformReport* report = nullptr);
