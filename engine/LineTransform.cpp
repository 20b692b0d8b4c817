#include "LineTransform.h"

#include "WritePass.h"

#include "core/WorkPulse.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QFileInfo>
#include <cerrno>

namespace {

// The reader and writer report their own errors; this covers a failure that came without one.
FileError orGeneric(const FileError& error) {
    return error.isSet() ? error : FileError::fromErrno(EIO);
}

bool fail(TransformReport* report, const FileError& error) {
    if (report)
        report->error = orGeneric(error);
    return false;
}

// One pass of `handler` over the source into the target, in `format` when given. A pass that met
// characters the target cannot hold is cancelled unless `commitUnmappable`.
WritePass runPass(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                  const LineTransformOptions& options, std::optional<TextFormat> format, bool commitUnmappable,
                  const std::function<bool(FileError&)>& beforeReplace) {
    WritePass pass;
    TextReader reader;
    if (options.pulse)
        reader.setProgress([pulse = options.pulse](qint64 done, qint64 total) { return pulse->beat(done, total); });
    if (!reader.open(sourcePath, options.declaredEncoding)) {
        pass.error = orGeneric(reader.error());
        return pass;
    }
    if (!format)
        format = options.targetFormat ? options.targetFormat(reader.format()) : reader.format();
    pass.format = *format;
    TextWriter writer;
    if (!writer.open(targetPath, pass.format)) {
        pass.error = orGeneric(writer.error());
        return pass;
    }
    writer.setBeforeReplace(beforeReplace);
    const bool keepExtensions =
        reader.format().encoding == TextEncoding::Big5 && pass.format.encoding == TextEncoding::Big5;

    QString line;
    line.reserve(4096);
    while (reader.readLine(line)) {
        if (keepExtensions)
            writer.keepExtensionCodesOf(line);
        handler(line, writer);
        // A full disk shows at once; no need to read the rest of a large file.
        if (writer.error().isSet()) {
            writer.cancel();
            pass.error = orGeneric(writer.error());
            return pass;
        }
    }
    if (reader.error().isSet()) {
        writer.cancel();
        pass.error = orGeneric(reader.error());
        return pass;
    }
    reader.close();

    finishPass(writer, commitUnmappable, pass);
    return pass;
}

} // namespace

bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandlerFactory& makeHandler,
                    TransformReport* report, const LineTransformOptions& options) {
    TransformReport own;
    TransformReport& result = report ? *report : own;
    const UnmappablePolicy policy = result.unmappablePolicy;

    const WritePass first = runPass(sourcePath, targetPath, makeHandler(), options, std::nullopt,
                                    policy == UnmappablePolicy::QuestionMark, result.beforeReplace);
    if (first.outcome == PassOutcome::Failed)
        return fail(report, first.error);
    result.intendedEncoding = first.format.encoding;
    result.unmappable = first.unmappable;
    result.unmappableSample = first.unmappableSample;
    if (first.outcome == PassOutcome::Unmappable) {
        if (policy != UnmappablePolicy::SaveUtf8 || isUnicodeEncoding(first.format.encoding))
            return fail(report, FileError::withText(EILSEQ, unmappableDescription(result)));
        const WritePass second =
            runPass(sourcePath, targetPath, makeHandler(), options,
                    TextFormat{TextEncoding::Utf8, first.format.lineEnd}, false, result.beforeReplace);
        if (second.outcome == PassOutcome::Failed)
            return fail(report, second.error);
        if (second.outcome == PassOutcome::Unmappable)
            return fail(report, FileError::withText(EILSEQ, unmappableDescription(result)));
        result.savedAs = TextEncoding::Utf8;
    }
    result.unchanged = first.unchanged;

    // The target is in place; a temporary copy that cannot be deleted is overwritten by the next job.
    if (options.removeSource && QFileInfo(sourcePath) != QFileInfo(targetPath))
        FileOps::removeFile(sourcePath);
    return true;
}

bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                    TransformReport* report, const LineTransformOptions& options) {
    return transformLines(sourcePath, targetPath, LineHandlerFactory([&handler] { return handler; }), report, options);
}
