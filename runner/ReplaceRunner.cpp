#include "ReplaceRunner.h"

#include "FileStep.h"
#include "JournalSteps.h"
#include "LineReplacer.h"
#include "ParallelFiles.h"
#include "StopRows.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/FileJob.h"
#include "engine/LineTransform.h"
#include "platform/ByteLineReader.h"
#include "platform/ByteReplacer.h"
#include "platform/TextRawCopy.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <algorithm>
#include <cerrno>

namespace {

bool failed(TransformReport* report, const FileError& error) {
    if (report)
        report->error = error.isSet() ? error : FileError::fromErrno(EIO);
    return false;
}

// ASCII find and replacement texts without line breaks can be replaced in the encoded bytes where
// the encoding allows it (ByteLineReader::isSafeAscii): much faster, and the same result. A caseless
// find text with letters qualifies on UTF-8 only, where no byte of a multi-byte character is ASCII.
bool mayReplaceBytes(const ReplaceRequest& request) {
    if (request.find.isEmpty())
        return false;
    for (const QString* text : {&request.find, &request.replacement}) {
        for (QChar c : *text) {
            if (c.unicode() >= 0x80 || c == u'\r' || c == u'\n')
                return false;
        }
    }
    return true;
}

bool hasAsciiLetter(const QByteArray& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; });
}

enum class ByteRun { Done, Failed, NotExact };

// Streams the file through the byte searcher in whole pieces, straight into the writer. NotExact: the
// text holds a character that Unicode folds to a letter of the find text (U+017F, U+212A), which only
// the decoded search sees; nothing was written.
ByteRun replaceBytes(TextReader& source, const QString& targetPath, bool inPlace, const ReplaceRequest& request,
                     TransformReport* report, WorkPulse* pulse) {
    const TextFormat& format = source.format();
    const QByteArray find = request.find.toLatin1();
    const bool caseless = !request.caseSensitive && hasAsciiLetter(find);
    const ByteSearcher searcher(find, caseless ? ByteSearcher::Case::AsciiCaseless : ByteSearcher::Case::Sensitive);
    TextWriter writer;
    if (!writer.open(targetPath, format)) {
        failed(report, writer.error());
        return ByteRun::Failed;
    }
    // In place, the file is replaced only while it is still the one the reader read.
    if (inPlace)
        writer.expectTarget(source.identity());
    if (report)
        writer.setBeforeReplace(report->beforeReplace);
    ByteReplacer replacer(searcher, request.replacement.toLatin1(),
                          [&writer](QByteArrayView bytes) { writer.writeRaw(bytes); });
    if (caseless)
        replacer.setTripwires(ByteSearcher::foldsToAsciiUtf8(find));
    if (pulse)
        source.setProgress([pulse](qint64 done, qint64 total) { return pulse->beat(done, total); });
    FileError error;
    if (!TextRawCopy::append(source, writer, &error, &replacer) || writer.error().isSet()) {
        failed(report, error.isSet() ? error : writer.error());
        writer.cancel();
        return ByteRun::Failed;
    }
    if (replacer.tripped()) {
        writer.cancel();
        return ByteRun::NotExact;
    }
    // Nothing replaced, or every find replaced by itself: the file stays as it stands, even where writing
    // it back would add a final line end or make a lone CR a CR LF.
    const bool sameText = replacer.replacements() == 0 || (!caseless && request.find == request.replacement);
    if (sameText && inPlace) {
        writer.cancel();
        if (report)
            report->unchanged = true;
        return ByteRun::Done;
    }
    if (!writer.commit()) {
        failed(report, writer.error());
        return ByteRun::Failed;
    }
    if (report)
        report->unchanged = writer.unchanged();
    return ByteRun::Done;
}

} // namespace

bool ReplaceRunner::replaceInFile(const QString& sourcePath, const QString& targetPath, const ReplaceRequest& request,
                                  TransformReport* report, WorkPulse* pulse) {
    if (mayReplaceBytes(request)) {
        TextReader probe;
        if (pulse)
            probe.setProgress([pulse](qint64, qint64 total) { return pulse->beat(0, total); });
        const bool opened = probe.open(sourcePath);
        if (probe.error().isStopped())
            return failed(report, probe.error());
        if (opened && ByteLineReader::isSafeAscii(probe.format().encoding, request.find.toLatin1())) {
            // The bytes the examination already read are searched from the reader, the file not opened again.
            const ByteRun run =
                replaceBytes(probe, targetPath, isSameFile(sourcePath, targetPath), request, report, pulse);
            if (run != ByteRun::NotExact)
                return run == ByteRun::Done;
        }
    }
    const LineReplacer replacer(request.find, request.replacement, request.caseSensitive);
    TextChanges changes;
    LineTransformOptions options;
    options.pulse = pulse;
    options.changes = &changes;
    return transformLines(
        sourcePath, targetPath,
        [&](QString& line, TextWriter& out) {
            const QString replaced = replacer.apply(line);
            changes.note(replaced != line);
            out.writeLine(replaced);
        },
        report, options);
}

ReplaceRunner::Matches ReplaceRunner::countMatches(const ReplaceRequest& request) {
    Matches matches;
    const LineReplacer replacer(request.find, request.replacement, request.caseSensitive);
    if (!replacer.isUsable())
        return matches;
    for (const QString& name : request.files) {
        TextReader reader;
        if (!reader.open(request.folder + name))
            continue;
        qsizetype inFile = 0;
        QString line;
        while (reader.readLine(line))
            replacer.apply(line, &inFile);
        matches.count += inFile;
        if (inFile > 0)
            ++matches.files;
    }
    return matches;
}

void ReplaceRunner::run(const ReplaceRequest& request) {
    if (request.find.isEmpty()) {
        m_env.sink.complete();
        return;
    }
    BatchJournal::begin(m_env, QStringLiteral("replace “%1” → “%2”").arg(request.find, request.replacement),
                        request.folder);

    const qsizetype total = request.files.size();
    const auto files = [&](qsizetype i) {
        const QString path = request.folder + request.files.at(i);
        return StepFiles{{path}, {path}};
    };
    const QList<qsizetype> waiting = forEachFile(m_env, total, files, [&](JobEnv& env, qsizetype i) {
        const QString& name = request.files.at(i);
        WorkPulse pulse(env.sink, int(i * 100 / total), int((i + 1) * 100 / total));
        const int percent = int((i + 1) * 100 / total);
        const QString path = request.folder + name;

        TransformReport report;
        report.unmappablePolicy = env.state.Prefs.Unmappable;
        IntendedChange intended;
        report.beforeReplace = BackUpBeforeReplace(env, path, path, &pulse, &intended);
        const bool ok =
            BeginFileJob(env, name, name, request.folder) && replaceInFile(path, path, request, &report, &pulse);
        if (!ok && pulse.stopped() && !report.error.isSet())
            report.error = FileError::stopped();
        if (ok)
            JournalSteps::rewritten(env, request.folder, name, intended);
        FileStep(env, QString()).reportOutcome(percent, path, ok, QString(), report);
    });
    if (!waiting.isEmpty()) {
        QStringList names;
        for (const qsizetype i : waiting)
            names.append(request.folder + request.files.at(i));
        reportNotProcessed(m_env.sink, QString(), names);
    }
    BatchJournal::end(m_env);
    m_env.sink.complete();
}
