#include "BookPasses.h"

#include "platform/TextReader.h"

#include <algorithm>

namespace BookPasses {

QList<Heading> edited(const QList<Heading>& headings, const HeadingEdits& edits) {
    QList<Heading> result;
    QSet<qint64> lines;
    for (const Heading& heading : headings) {
        lines.insert(heading.line);
        const bool volume = heading.level == Heading::Level::Volume;
        if (!(volume ? edits.droppedVolumes : edits.dropped).contains(heading.line))
            result.append(heading);
    }
    for (const qint64 line : edits.added) {
        if (line < 1 || lines.contains(line))
            continue;
        Heading heading;
        heading.line = line;
        heading.level = Heading::Level::Chapter;
        result.append(heading);
    }
    // Stable: a line's volume stays before its chapter.
    std::stable_sort(result.begin(), result.end(), [](const Heading& a, const Heading& b) { return a.line < b.line; });
    return result;
}

QString headingText(const Heading& heading, const QString& line) {
    if (!heading.text.isEmpty())
        return heading.text;
    qsizetype start = 0;
    qsizetype end = line.size();
    while (start < end && BookText::isBlank(line[start]))
        ++start;
    while (end > start && BookText::isBlank(line[end - 1]))
        --end;
    return line.mid(start, end - start);
}

bool scan(const QString& path, Scan* result, FileError* error, const ReadProgress& progress) {
    TextReader reader;
    reader.setProgress(progress);
    if (!reader.open(path)) {
        *error = reader.error();
        return false;
    }
    result->format = reader.format();
    ChapterFinder finder(result->format.lineEnd == LineEnd::CrLf ? 2 : 1);
    QString line;
    while (reader.readLine(line)) {
        finder.addLine(line);
        ++result->lines;
        if (result->opening.size() < Scan::OpeningLines && !line.trimmed().isEmpty())
            result->opening.append(line.trimmed());
        if (result->sample.size() < Scan::SampleLength)
            result->sample += line.left(Scan::SampleLength - result->sample.size());
    }
    *error = reader.error();
    result->headings = finder.finish();
    return !error->isSet();
}

bool readAgain(const QString& path, const TextFormat& format, const std::function<void(const QString&)>& take,
               FileError* error, const ReadProgress& progress) {
    return readAgain(
        path, format, [&take](const QString& line, std::optional<LineEnd>) { take(line); }, error, progress);
}

bool readAgain(const QString& path, const TextFormat& format,
               const std::function<void(const QString& line, std::optional<LineEnd> end)>& take, FileError* error,
               const ReadProgress& progress) {
    TextReader reader;
    reader.setProgress(progress);
    if (!reader.reopen(path, format)) {
        *error = reader.error();
        return false;
    }
    QString line;
    while (reader.readLine(line))
        take(line, reader.endOfLine());
    *error = reader.error();
    return !error->isSet();
}

} // namespace BookPasses
