#include "MergeFiles.h"

#include "platform/TextRawCopy.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <cerrno>

namespace {

bool fail(TransformReport* report, const FileError& error) {
    if (report)
        report->error = error.isSet() ? error : FileError::fromErrno(EIO);
    return false;
}

// The share of the list done once file `index` is joined, rounded down; a one-file list is done at once.
int percentDone(qsizetype index, qsizetype lastIndex) {
    return lastIndex <= 0 ? 100 : int(qint64(index) * 100 / lastIndex);
}

// Appends every line of the open source to `out`, each followed by the target's line end. A source
// whose bytes already are what the target needs is copied without being decoded.
bool appendSource(TextReader& source, const QString& path, TextWriter& out, FileError& error) {
    if (TextRawCopy::canAppend(source.format(), out.format())) {
        const TextFormat format = source.format();
        source.close();
        return TextRawCopy::append(path, format, out, &error);
    }
    QString line;
    while (source.readLine(line))
        out.writeLine(line);
    error = source.error();
    source.close();
    return !error.isSet();
}

} // namespace

bool MergeFiles(const QStringList& files, const QString& targetPath, ProgressSink& sink, TransformReport* report) {
    const QString merged = QStringLiteral("合并完成");
    TextReader source;
    TextWriter out;
    TextFormat format;
    if (!files.isEmpty()) {
        if (!source.open(files.first()))
            return fail(report, source.error());
        format = source.format();
    }
    if (!out.open(targetPath, format))
        return fail(report, out.error());
    if (report)
        out.setBeforeReplace(report->beforeReplace);

    const qsizetype lastIndex = files.size() - 1;
    for (qsizetype i = 0; i <= lastIndex; ++i) {
        if (i > 0 && !source.open(files[i])) {
            out.cancel();
            return fail(report, source.error());
        }
        FileError error;
        if (!appendSource(source, files[i], out, error)) {
            out.cancel();
            return fail(report, error);
        }
        if (out.error().isSet()) {
            out.cancel();
            return fail(report, out.error());
        }
        sink.ReportProgress(percentDone(i, lastIndex), files[i], merged, QString(), Mark::Blue);
        sink.processEvents();
    }

    if (!out.commit())
        return fail(report, out.error());
    if (report) {
        report->unmappable = out.unmappableCount();
        report->unchanged = out.unchanged();
    }
    return true;
}
