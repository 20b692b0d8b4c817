#include "LineTransform.h"

#include "WritePass.h"

#include "core/ParallelMap.h"
#include "core/WorkPulse.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QFileInfo>
#include <algorithm>
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

// Reads the source's lines and writes their results, stopping early when the writer fails (a full
// disk shows at once; no need to read the rest of a large file). `keepExtensions`: the source's Big5
// extension codes may be written back.
using PassBody = std::function<void(TextReader& reader, TextWriter& writer, bool keepExtensions)>;

// A job whose text came out as it went in, over its own source and in the source's format: its result
// is the file as it stands, however differently the line model would write it.
bool leavesSourceAsItIs(const QString& sourcePath, const QString& targetPath, const LineTransformOptions& options,
                        const TextFormat& sourceFormat, const TextFormat& targetFormat) {
    return options.changes && !options.changes->any() && sourceFormat == targetFormat &&
           isSameFile(sourcePath, targetPath);
}

// Opens the source: in the format an earlier look found while it is still the file looked at, else
// examined anew.
bool openSource(TextReader& reader, const QString& sourcePath, const LineTransformOptions& options) {
    if (options.examined && options.examined->identity.isKnown() &&
        reader.reopen(sourcePath, options.examined->format) && reader.identity() == options.examined->identity)
        return true;
    return reader.open(sourcePath, options.declaredEncoding);
}

// One pass of `body` over the source into the target, in `format` when given. A pass that met
// characters the target cannot hold is cancelled unless `commitUnmappable`.
WritePass runPass(const QString& sourcePath, const QString& targetPath, const PassBody& body,
                  const LineTransformOptions& options, std::optional<TextFormat> format, bool commitUnmappable,
                  const std::function<bool(FileError&)>& beforeReplace) {
    WritePass pass;
    TextReader reader;
    if (options.pulse)
        reader.setProgress([pulse = options.pulse](qint64 done, qint64 total) { return pulse->beat(done, total); });
    if (!openSource(reader, sourcePath, options)) {
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
    // In place, the file is replaced only while it is still the one the reader read.
    if (sourcePath == targetPath)
        writer.expectTarget(reader.identity());
    writer.setBeforeReplace(beforeReplace);
    const bool keepExtensions =
        reader.format().encoding == TextEncoding::Big5 && pass.format.encoding == TextEncoding::Big5;

    body(reader, writer, keepExtensions);
    if (writer.error().isSet()) {
        writer.cancel();
        pass.error = orGeneric(writer.error());
        return pass;
    }
    if (reader.error().isSet()) {
        writer.cancel();
        pass.error = orGeneric(reader.error());
        return pass;
    }
    reader.close();

    if (leavesSourceAsItIs(sourcePath, targetPath, options, reader.format(), pass.format)) {
        writer.cancel();
        pass.outcome = PassOutcome::Committed;
        pass.unchanged = true;
        return pass;
    }

    finishPass(writer, commitUnmappable, pass);
    return pass;
}

PassBody lineByLine(const LineHandler& handler) {
    return [&handler](TextReader& reader, TextWriter& writer, bool keepExtensions) {
        QString line;
        line.reserve(4096);
        while (reader.readLine(line)) {
            if (keepExtensions)
                writer.keepExtensionCodesOf(line);
            handler(line, writer);
            if (writer.error().isSet())
                return;
        }
    };
}

// Lines read into blocks are mapped on the workers, two blocks per worker under way at a time; the
// blocks share about this many code units (4 MB of text and as much for the results), whatever the
// number of workers.
constexpr qsizetype UnitsUnderWay = 1 << 21;
qsizetype testBlockUnits = 0;

// The lines of one block, one after the other in `source`, and their results in `result`; each
// vector holds where each line ends.
struct LineBlock {
    QString source;
    std::vector<qsizetype> sourceEnds;
    std::u16string result;
    std::vector<std::size_t> resultEnds;
};

PassBody inBlocks(const LineMapper& map, int threads) {
    return [&map, threads](TextReader& reader, TextWriter& writer, bool keepExtensions) {
        std::vector<LineBlock> blocks(size_t(2 * threads));
        const qsizetype blockUnits =
            testBlockUnits > 0 ? testBlockUnits : std::max<qsizetype>(UnitsUnderWay / qsizetype(blocks.size()), 4096);
        // Room for a block and a long line more: the buffers do not double when the block fills.
        for (LineBlock& block : blocks) {
            block.source.reserve(blockUnits + 4096);
            block.result.reserve(std::size_t(blockUnits + 4096));
        }
        QString line;
        line.reserve(4096);
        const auto produce = [&](int slot) {
            LineBlock& block = blocks[size_t(slot)];
            block.source.resize(0); // keeps the room, unlike clear()
            block.sourceEnds.clear();
            while (block.source.size() < blockUnits && reader.readLine(line)) {
                // A line longer than a block is its own block, taken over rather than copied.
                if (block.source.isEmpty() && line.size() >= blockUnits) {
                    block.source.swap(line);
                    block.sourceEnds.push_back(block.source.size());
                    break;
                }
                block.source.append(line);
                block.sourceEnds.push_back(block.source.size());
            }
            return !block.sourceEnds.empty() && !reader.error().isSet();
        };
        const auto work = [&](int slot) {
            LineBlock& block = blocks[size_t(slot)];
            block.result.clear();
            block.resultEnds.clear();
            qsizetype start = 0;
            for (const qsizetype end : block.sourceEnds) {
                map(QStringView(block.source).sliced(start, end - start), block.result);
                block.resultEnds.push_back(block.result.size());
                start = end;
            }
        };
        const auto consume = [&](int slot) {
            const LineBlock& block = blocks[size_t(slot)];
            qsizetype start = 0;
            std::size_t resultStart = 0;
            for (std::size_t i = 0; i < block.sourceEnds.size(); ++i) {
                if (keepExtensions)
                    writer.keepExtensionCodesOf(QStringView(block.source).sliced(start, block.sourceEnds[i] - start));
                writer.writeLine(
                    QStringView(block.result.data() + resultStart, qsizetype(block.resultEnds[i] - resultStart)));
                start = block.sourceEnds[i];
                resultStart = block.resultEnds[i];
            }
            return !writer.error().isSet();
        };
        streamInOrder(threads, int(blocks.size()), produce, work, consume);
    };
}

// Runs one or two passes (the second into UTF-8, when the user chose so for characters the target
// encoding cannot hold), each with a body that `makeBody` makes fresh.
bool runPasses(const QString& sourcePath, const QString& targetPath, const std::function<PassBody()>& makeBody,
               TransformReport* report, const LineTransformOptions& options) {
    TransformReport own;
    TransformReport& result = report ? *report : own;
    const UnmappablePolicy policy = result.unmappablePolicy;

    const WritePass first = runPass(sourcePath, targetPath, makeBody(), options, std::nullopt,
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
            runPass(sourcePath, targetPath, makeBody(), options, TextFormat{TextEncoding::Utf8, first.format.lineEnd},
                    false, result.beforeReplace);
        if (second.outcome == PassOutcome::Failed)
            return fail(report, second.error);
        if (second.outcome == PassOutcome::Unmappable)
            return fail(report, FileError::withText(EILSEQ, unmappableDescription(result)));
        result.savedAs = TextEncoding::Utf8;
    }
    result.unchanged = first.unchanged;
    return true;
}

} // namespace

bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandlerFactory& makeHandler,
                    TransformReport* report, const LineTransformOptions& options) {
    // The handler lives as long as its pass: the body holds it by reference.
    LineHandler handler;
    return runPasses(
        sourcePath, targetPath,
        [&] {
            handler = makeHandler();
            return lineByLine(handler);
        },
        report, options);
}

bool mapLines(const QString& sourcePath, const QString& targetPath, const LineMapper& map, int threads,
              TransformReport* report, const LineTransformOptions& options) {
    if (threads <= 1) {
        std::u16string result;
        const LineHandler handler = [&map, &result](QString& line, TextWriter& out) {
            result.clear();
            map(line, result);
            out.writeLine(QStringView(result.data(), qsizetype(result.size())));
        };
        return runPasses(
            sourcePath, targetPath, [&] { return lineByLine(handler); }, report, options);
    }
    // More threads buy nothing on the machines this runs on; each holds blocks of its own.
    constexpr int MostThreads = 64;
    const int workers = std::min(threads, MostThreads);
    return runPasses(
        sourcePath, targetPath, [&] { return inBlocks(map, workers); }, report, options);
}

bool transformLines(const QString& sourcePath, const QString& targetPath, const LineHandler& handler,
                    TransformReport* report, const LineTransformOptions& options) {
    return transformLines(sourcePath, targetPath, LineHandlerFactory([&handler] { return handler; }), report, options);
}

bool isSameFile(const QString& sourcePath, const QString& targetPath) {
    return sourcePath == targetPath || QFileInfo(sourcePath) == QFileInfo(targetPath);
}

void mapBlockUnitsForTesting(qsizetype units) {
    testBlockUnits = units;
}
