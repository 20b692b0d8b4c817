#include "MergeFiles.h"

#include "core/WorkPulse.h"
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
bool appendSource(TextReader& source, const QString& path, TextWriter& out, FileError& error,
                  const ReadProgress& progress) {
    if (TextRawCopy::canAppend(source.format(), out.format())) {
        const TextFormat format = source.format();
        source.close();
        return TextRawCopy::append(path, format, out, &error, progress);
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

    const qsizetype lastIndex = files.size() - 1;
    for (qsizetype i = 0; i <= lastIndex; ++i) {
        // A large source moves the bar through its own share of the list, and a stop inside it leaves
        // the target as it was.
        WorkPulse pulse(sink, i == 0 ? 0 : percentDone(i - 1, lastIndex), percentDone(i, lastIndex));
        const ReadProgress progress = [&pulse](qint64 done, qint64 total) {
            return pulse.beat(done, total);
        };
        source.setProgress(progress);
        if (i > 0 && !source.open(files[i])) {
            out.cancel();
            return fail(report, source.error());
        }
        FileError error;
        const bool appended = appendSource(source, files[i], out, error, progress);
        source.setProgress({});
        if (!appended) {
            out.cancel();
            return fail(report, error);
        }
        if (out.error().isSet()) {
            out.cancel();
            return fail(report, out.error());
        }
        sink.ReportProgress(percentDone(i, lastIndex), files[i], merged, QString(), Mark::Blue);
        sink.processEvents();
        if (sink.stopRequested()) {
            out.cancel();
            return fail(report, FileError::stopped());
        }
    }

    if (!out.commit())
        return fail(report, out.error());
    if (report)
        report->unmappable = out.unmappableCount();
    return true;
}
