#include "BookPasses.h"

#include "platform/TextReader.h"

namespace BookPasses {

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
    TextReader reader;
    reader.setProgress(progress);
    if (!reader.reopen(path, format)) {
        *error = reader.error();
        return false;
    }
    QString line;
    while (reader.readLine(line))
        take(line);
    *error = reader.error();
    return !error->isSet();
}

} // namespace BookPasses
