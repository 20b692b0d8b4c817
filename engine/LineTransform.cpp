#include "LineTransform.h"

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

} // namespace

bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                    TransformReport* report, const LineTransformOptions& options) {
    TextReader reader;
    if (!reader.open(sourcePath, options.declaredEncoding))
        return fail(report, reader.error());

    const TextFormat format = options.targetFormat ? options.targetFormat(reader.format()) : reader.format();
    TextWriter writer;
    if (!writer.open(targetPath, format))
        return fail(report, writer.error());
    if (report)
        writer.setBeforeReplace(report->beforeReplace);

    QString line;
    line.reserve(4096);
    while (reader.readLine(line)) {
        handler(line, writer);
        // A full disk shows at once; no need to read the rest of a large file.
        if (writer.error().isSet()) {
            writer.cancel();
            return fail(report, writer.error());
        }
    }
    if (reader.error().isSet()) {
        writer.cancel();
        return fail(report, reader.error());
    }
    reader.close();

    if (!writer.commit())
        return fail(report, writer.error());
    if (report) {
        report->unmappable = writer.unmappableCount();
        report->unchanged = writer.unchanged();
    }

    // The target is in place; a temporary copy that cannot be deleted is overwritten by the next job.
    if (options.removeSource && QFileInfo(sourcePath) != QFileInfo(targetPath))
        FileOps::removeFile(sourcePath);
    return true;
}
