#include "MergeFiles.h"

#include "WritePass.h"

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
    const bool keepExtensions =
        source.format().encoding == TextEncoding::Big5 && out.format().encoding == TextEncoding::Big5;
    QString line;
    while (source.readLine(line)) {
        if (keepExtensions)
            out.keepExtensionCodesOf(line);
        out.writeLine(line);
    }
    error = source.error();
    source.close();
    return !error.isSet();
}

// Joins every file into the target in `format`, with one row per file when `withRows`. A pass that
// met characters `format` cannot hold is cancelled unless `commitUnmappable`.
WritePass mergePass(const QStringList& files, const QString& targetPath, const TextFormat& format, ProgressSink& sink,
                    bool withRows, bool commitUnmappable, const std::function<bool(FileError&)>& beforeReplace) {
    WritePass pass;
    TextWriter out;
    if (!out.open(targetPath, format)) {
        pass.error = out.error();
        return pass;
    }
    out.setBeforeReplace(beforeReplace);
    const qsizetype lastIndex = files.size() - 1;
    for (qsizetype i = 0; i <= lastIndex; ++i) {
        // A large source moves the bar through its own share of the list, and a stop inside it leaves
        // the target as it was.
        WorkPulse pulse(sink, i == 0 ? 0 : percentDone(i - 1, lastIndex), percentDone(i, lastIndex));
        const ReadProgress progress = [&pulse](qint64 done, qint64 total) {
            return pulse.beat(done, total);
        };
        TextReader source;
        source.setProgress(progress);
        if (!source.open(files[i])) {
            pass.error = source.error();
            return pass;
        }
        if (!appendSource(source, files[i], out, pass.error, progress))
            return pass;
        if (out.error().isSet()) {
            pass.error = out.error();
            return pass;
        }
        if (withRows) {
            sink.ReportProgress(percentDone(i, lastIndex), files[i], QStringLiteral("合并完成"), QString(), Mark::Blue);
        }
        sink.processEvents();
        if (sink.stopRequested()) {
            pass.error = FileError::stopped();
            return pass;
        }
    }
    finishPass(out, commitUnmappable, pass);
    return pass;
}

} // namespace

bool MergeFiles(const QStringList& files, const QString& targetPath, ProgressSink& sink, TransformReport* report) {
    TransformReport own;
    TransformReport& result = report ? *report : own;
    TextFormat format;
    if (!files.isEmpty()) {
        TextReader first;
        if (!first.open(files.first()))
            return fail(report, first.error());
        format = first.format();
    }
    // The encoding that holds every character when the first source's does not.
    const TextEncoding wider = isUnicodeEncoding(format.encoding) ? TextEncoding::Utf8 : TextEncoding::Gb18030;
    const bool questionMarks = result.unmappablePolicy == UnmappablePolicy::QuestionMark;

    WritePass pass = mergePass(files, targetPath, format, sink, true, questionMarks && wider == format.encoding,
                               result.beforeReplace);
    result.intendedEncoding = format.encoding;
    result.unmappable = pass.unmappable;
    result.unmappableSample = pass.unmappableSample;
    if (pass.outcome == PassOutcome::Unmappable && wider != format.encoding) {
        result.savedAs = wider;
        pass = mergePass(files, targetPath, TextFormat{wider, format.lineEnd}, sink, false, questionMarks,
                         result.beforeReplace);
    }
    if (pass.outcome == PassOutcome::Failed)
        return fail(report, pass.error);
    if (pass.outcome == PassOutcome::Unmappable)
        return fail(report, FileError::withText(EILSEQ, unmappableDescription(result)));
    result.unchanged = pass.unchanged;
    return true;
}
