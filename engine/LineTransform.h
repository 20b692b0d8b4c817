#pragma once

#include "TransformReport.h"
#include "platform/FileState.h"
#include "platform/TextFormat.h"

#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <string>

class TextWriter;
class WorkPulse;

// What a job's handler tells of its lines: noted as changed when a line's result is not the line
// itself. Safe to note from several threads at once (mapLines' workers).
class TextChanges {
public:
    void note(bool changed) {
        if (changed)
            m_changed.store(true, std::memory_order_relaxed);
    }
    bool any() const { return m_changed.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> m_changed{false};
};

// A source as an earlier reader found it: its format and TextReader::identity().
struct ExaminedSource {
    TextFormat format;
    FileIdentity identity;
};

// How transformLines reads its source and what it does around the line loop.
struct LineTransformOptions {
    // The encoding to read a source without BOM with (a web page's declared charset).
    std::optional<TextEncoding> declaredEncoding;
    // The target's format, given the source's; when empty the target keeps the source's format.
    std::function<TextFormat(const TextFormat& sourceFormat)> targetFormat;
    // Where the handler notes the lines it changes. When given, a job whose every line came out as it
    // went in, rewriting its own source in the source's format, leaves the file untouched, whatever
    // the line model would write (a final line end, CR LF for a lone CR, the line end after a SUB or
    // an odd byte of UTF-16): the report says unchanged.
    TextChanges* changes = nullptr;
    // Hears how far the source has been read; a stop leaves the target as it was (FileError::stopped()).
    WorkPulse* pulse = nullptr;
    // The source as a job's own earlier look at it found it: while it is still that very file, it is
    // read in that format without being examined again (a pass over a large file the less).
    std::optional<ExaminedSource> examined;
};

// True when the two paths name one file: a job that rewrites its own source.
bool isSameFile(const QString& sourcePath, const QString& targetPath);

// Called once per source line, in order, with the line without its end. It writes what the line
// gives to `out` (write() turns "\r\n" into the target's line end, writeLine() adds one). It may
// change `line` in place: the buffer is reused for the next line.
using LineHandler = std::function<void(QString& line, TextWriter& out)>;
// Makes a fresh handler for one pass over the file: a file whose text the target encoding cannot hold
// may be transformed a second time, into UTF-8.
using LineHandlerFactory = std::function<LineHandler()>;

// The file side of every line-by-line transformation: reads `sourcePath` through TextReader, hands
// each line to a handler, and replaces `targetPath` atomically through TextWriter. One line is in
// memory at a time. True when every line was handled and the target committed. The source is only
// read, never moved or deleted. On false the target is exactly as it was, and `report->error` says
// why (unreadable source, unwritable target, full disk, characters the target encoding cannot hold).
//
// Characters the target encoding cannot hold are handled as `report->unmappablePolicy` says (Refuse
// without a report); `report->unmappable` and its sample name them. A Big5 target keeps the extension
// codes of a Big5 source's own characters.
bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandlerFactory& makeHandler,
                    TransformReport* report = nullptr, const LineTransformOptions& options = {});
// The same for a handler that keeps no state from one line to the next.
bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                    TransformReport* report = nullptr, const LineTransformOptions& options = {});

// Gives one line's result, appended to `out`, from the line alone (without its end): no state from
// one line to the next, and safe to call from several threads at once.
using LineMapper = std::function<void(QStringView line, std::u16string& out)>;

// As transformLines(), with every line's result written as one line, the lines mapped on `threads`
// threads: the calling thread reads blocks of lines and writes their results in order while the
// workers map them, a few blocks at a time, so memory stays bounded. The target gets the same bytes
// whatever the number of threads; with one (or fewer) the lines are mapped on the calling thread.
bool mapLines(const QString& sourcePath, const QString& targetPath, const LineMapper& map, int threads,
              TransformReport* report = nullptr, const LineTransformOptions& options = {});
// Test seam: mapLines() on several threads makes its blocks of about this many code units (0
// restores the normal size), so that tests see many blocks in a small file.
void mapBlockUnitsForTesting(qsizetype units);
