#pragma once

#include "engine/ChapterFinder.h"
#include "platform/FileError.h"
#include "platform/ReadProgress.h"
#include "platform/TextFormat.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

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

// The user's corrections to the headings found in a book: lines that are no heading after all, and
// lines that are chapter headings the finder did not take for one (by their 1-based line numbers).
struct HeadingEdits {
    // Chapter and volume headings that are none after all: a line holding both ("上卷 第一回") keeps
    // the one that is not named.
    QSet<qint64> dropped;
    QSet<qint64> droppedVolumes;
    QSet<qint64> added;

    bool isEmpty() const { return dropped.isEmpty() && droppedVolumes.isEmpty() && added.isEmpty(); }
};

// `headings` with the edits made, in line order. An added heading is a chapter whose text is empty
// until the line itself is read (see headingText()); a line already a heading is not added again.
QList<Heading> edited(const QList<Heading>& headings, const HeadingEdits& edits);
// What a heading shows: its own text, or for an added one the line it stands on, trimmed.
QString headingText(const Heading& heading, const QString& line);

bool scan(const QString& path, Scan* result, FileError* error, const ReadProgress& progress);
// The lines of a file scan() read, again, into `take`.
bool readAgain(const QString& path, const TextFormat& format, const std::function<void(const QString&)>& take,
               FileError* error, const ReadProgress& progress);
// As above, each line with its end as the file holds it (TextReader::endOfLine()).
bool readAgain(const QString& path, const TextFormat& format,
               const std::function<void(const QString& line, std::optional<LineEnd> end)>& take, FileError* error,
               const ReadProgress& progress);

} // namespace BookPasses
