#pragma once

#include "engine/ChapterFinder.h"
#include "platform/FileError.h"
#include "platform/ReadProgress.h"
#include "platform/TextFormat.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// A book is read twice: once for its chapters (and what its opening says), once for its text.
namespace BookPasses {

// What the first pass learned: the headings, the format the reader found (so that the second pass
// need not examine the file again), the number of lines, and the book's opening.
struct Scan {
    QList<Heading> headings;
    TextFormat format;
    qint64 lines = 0;
    QStringList opening; // the first lines that are not blank, up to OpeningLines
    QString sample;      // the start of the text, up to SampleLength characters

    static constexpr int OpeningLines = 12;
    static constexpr qsizetype SampleLength = 20000;
};

bool scan(const QString& path, Scan* result, FileError* error, const ReadProgress& progress);
// The lines of a file scan() read, again, into `take`.
bool readAgain(const QString& path, const TextFormat& format, const std::function<void(const QString&)>& take,
               FileError* error, const ReadProgress& progress);

} // namespace BookPasses
