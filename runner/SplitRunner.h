#pragma once

#include "engine/ChapterFinder.h"
#include "engine/JobEnv.h"

#include <QList>
#include <QString>

// Splits a book into one file per chapter, as a batch of its own ("split → BOOK"): the text before the
// first heading goes into a file of its own, a volume heading goes with the chapter after it, and the
// files are named so that chapter reading order (ChapterOrder, as the file list and the merge sort)
// is the book's order: "0001 第一回 灵根育孕源流出.txt". Each file holds its lines as the book holds
// them, in the book's encoding and line ends (bytes that do not decode included; the last file ends as
// the book ends, with or without a line end), so that joining the files in that order gives the book
// back byte for byte.
//
// An existing file is replaced only after the user agreed (the batch's overwrite question); each file
// created is journalled, so a restore removes it again. One blue "拆分完成" row per file.
namespace SplitRunner {

// Where a file of the split starts (its first line in the book, 1-based) and its name.
struct Piece {
    qint64 line = 1;
    QString name;
};

// The files a book with `headings` is split into; `lines` the book's number of lines, `bookStem` the
// book's name without its extension, which names the text before the first heading.
QList<Piece> plan(const QList<Heading>& headings, qint64 lines, const QString& bookStem);

// Splits `book` into `folder` (created when missing). False when the book could not be read or a
// file could not be written (a red row), or the batch was stopped.
bool run(JobEnv& env, const QString& book, const QString& folder);

} // namespace SplitRunner
