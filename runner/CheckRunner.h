#pragma once

#include "engine/JobEnv.h"

#include <QString>

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
Outcome checkFolder(JobEnv& env, const QString& folder);

} // namespace CheckRunner
