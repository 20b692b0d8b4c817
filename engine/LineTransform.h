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
// Makes a fresh handler for one pass over the file: a file whose text the target encoding cannot hold
// may be transformed a second time, into UTF-8.
using LineHandlerFactory = std::function<LineHandler()>;

// The file side of every line-by-line transformation: reads `sourcePath` through TextReader, hands
// each line to a handler, and replaces `targetPath` atomically through TextWriter. One line is in
// memory at a time. True when every line was handled and the target committed. On false the target
// is exactly as it was, the source stays, and `report->error` says why (unreadable source, unwritable
// target, full disk, characters the target encoding cannot hold).
//
// Characters the target encoding cannot hold are handled as `report->unmappablePolicy` says (Refuse
// without a report); `report->unmappable` and its sample name them. A Big5 target keeps the extension
// codes of a Big5 source's own characters.
bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandlerFactory& makeHandler,
                    TransformReport* report = nullptr, const LineTransformOptions& options = {});
// The same for a handler that keeps no state from one line to the next.
bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                    TransformReport* report = nullptr, const LineTransformOptions& options = {});
