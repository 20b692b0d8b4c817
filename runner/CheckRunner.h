#pragma once

#include "engine/JobEnv.h"

#include <QString>
#include <QStringList>

// The book check of a book or of a folder of chapter files, as rows: one yellow row per finding (the
// chapter or file, the finding — 缺章, 重复章节, ... — and what to do about it), a red row for a file
// that cannot be read. A folder's files are its ".txt" files in chapter reading order, each one
// chapter, numbered by its first chapter heading; "565590_2.txt" beside "565590.txt" is a second page.
namespace CheckRunner {

enum class Outcome {
    Clean,      // chapters found, nothing wrong
    Found,      // at least one finding
    NoChapters, // a book in which no chapter was found (nothing to check)
    Failed      // a file could not be read, or the check was stopped (a red row)
};

Outcome checkBook(JobEnv& env, const QString& path);
// A folder without ".txt" files adds a yellow row saying so and gives NoChapters.
Outcome checkFolder(JobEnv& env, const QString& folder);

// The yellow row of a book in which no chapter was found (NoChapters of checkBook).
void reportNoChapters(JobEnv& env, const QString& text, const QString& path);

// Checks each book `names` in `folder` (with its trailing "/") in turn, as the windows' command does:
// the findings' rows, and for a book that has none a blue row "未发现问题" or a yellow one saying that
// no chapter was found; a stop ends the run. Does not complete the batch.
void checkFiles(JobEnv& env, const QString& folder, const QStringList& names);

} // namespace CheckRunner
