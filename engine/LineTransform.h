#pragma once

#include "TransformReport.h"
#include "platform/TextFormat.h"

#include <QString>
#include <functional>
#include <optional>

class TextWriter;
class WorkPulse;

// How transformLines reads its source and what it does around the line loop.
struct LineTransformOptions {
    // The encoding to read a source without BOM with (a web page's declared charset).
    std::optional<TextEncoding> declaredEncoding;
    // The target's format, given the source's; when empty the target keeps the source's format.
    std::function<TextFormat(const TextFormat& sourceFormat)> targetFormat;
    // Deletes the source once the target is committed (the source is the job's temporary copy).
    bool removeSource = false;
    // Hears how far the source has been read; a stop leaves the target as it was (FileError::stopped()).
    WorkPulse* pulse = nullptr;
};

// Called once per source line, in order, with the line without its end. It writes what the line
// gives to `out` (write() turns "\r\n" into the target's line end, writeLine() adds one). It may
// change `line` in place: the buffer is reused for the next line.
using LineHandler = std::function<void(QString& line, TextWriter& out)>;

// The file side of every line-by-line transformation: reads `sourcePath` through TextReader, hands
// each line to `handler`, and replaces `targetPath` atomically through TextWriter. One line is in
// memory at a time. True when every line was handled and the target committed; `report->unmappable`
// then counts the characters the target encoding could not hold. On false the target is exactly as
// it was, the source stays, and `report->error` says why (unreadable source, unwritable target,
// full disk).
bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                    TransformReport* report = nullptr, const LineTransformOptions& options = {});
