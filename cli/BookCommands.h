#pragma once

#include "engine/JobEnv.h"
#include "runner/EpubRunner.h"

#include <QString>

// The book commands: the chapters of a book, and the check of a book or of a folder of chapter files.
// Each returns the process exit status.
namespace BookCommands {

// Prints "line TAB level TAB number TAB heading TAB mark" per heading (level 1 a volume, 2 a chapter;
// the mark empty or "doubtful"); with `json`, one object per line {"line", "offset", "level", "number",
// "label", "title", "text", "doubtful"}, the offset counting UTF-16 code units of the decoded text up
// to the heading's line (line ends counted as the file's CR LF, LF or CR). 1 when the book cannot be read
// (a file that is not text too).
int printChapters(const QString& book, bool json);

// One yellow row per finding: the chapter (a book) or the file (a folder's .txt files, one chapter
// each, in chapter reading order), the finding (缺章, 重复章节, ...), what to do. 0 for a clean book
// (and for one without chapters, which standard error names), 1 when anything was found or a file
// could not be read (a red row).
int checkBook(JobEnv& env, const QString& bookOrFolder);

// Splits a book into one file per chapter in `folder` (see splitFolder()).
// 1 when anything failed (a red row) or the batch was stopped.
// The folder `split` writes into: `into`, or one named after the book beside it.
QString splitFolder(const QString& book, const QString& into);
int splitBook(JobEnv& env, const QString& book, const QString& folder);

// Makes an EPUB of one book or of chapter files (`sort`: in chapter reading order by file name).
// 1 when anything failed.
int makeEpub(JobEnv& env, EpubOptions options, bool sort);

} // namespace BookCommands
