#include "ReplaceRunner.h"

#include "FileStep.h"
#include "LineReplacer.h"
#include "StopRows.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/FileJob.h"
#include "engine/LineTransform.h"
#include "platform/ByteLineReader.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <cerrno>

namespace {

bool failed(TransformReport* report, const FileError& error) {
    if (report)
        report->error = error.isSet() ? error : FileError::fromErrno(EIO);
    return false;
}

// ASCII texts whose case does not matter to the search (no letters, or case-sensitive) can be
// replaced in the encoded bytes when the encoding allows it: much faster, and the same result.
bool mayReplaceBytes(const ReplaceRequest& request) {
    if (request.find.isEmpty())
        return false;
    for (const QString* text : {&request.find, &request.replacement}) {
        for (QChar c : *text) {
            if (c.unicode() >= 0x80 || c == u'\r' || c == u'\n')
                return false;
            if (!request.caseSensitive && text == &request.find && c.isLetter())
                return false;
        }
    }
    return true;
}

bool replaceBytes(const QString& sourcePath, const QString& targetPath, const TextFormat& format,
                  const ReplaceRequest& request, TransformReport* report, WorkPulse* pulse) {
    const QByteArray find = request.find.toLatin1();
    const QByteArray replacement = request.replacement.toLatin1();
    ByteLineReader reader;
    if (pulse)
        reader.setProgress([pulse](qint64 done, qint64 total) { return pulse->beat(done, total); });
    if (!reader.open(sourcePath, format))
        return failed(report, reader.error());
    TextWriter writer;
    if (!writer.open(targetPath, format))
        return failed(report, writer.error());
    if (report)
        writer.setBeforeReplace(report->beforeReplace);
    QByteArrayView line;
    while (reader.readLine(line)) {
        qsizetype from = 0;
        for (qsizetype at; (at = line.indexOf(find, from)) >= 0; from = at + find.size()) {
            writer.writeRaw(line.sliced(from, at - from));
            writer.writeRaw(replacement);
        }
        writer.writeRaw(line.sliced(from));
        writer.writeLineEnd();
        if (writer.error().isSet()) {
            writer.cancel();
            return failed(report, writer.error());
        }
    }
    if (reader.error().isSet()) {
        writer.cancel();
        return failed(report, reader.error());
    }
    if (!writer.commit())
        return failed(report, writer.error());
    if (report)
        report->unchanged = writer.unchanged();
    return true;
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
        if (opened && ByteLineReader::isSafeAscii(probe.format().encoding, request.find.toLatin1()))
            return replaceBytes(sourcePath, targetPath, probe.format(), request, report, pulse);
    }
    const LineReplacer replacer(request.find, request.replacement, request.caseSensitive);
    LineTransformOptions options;
    options.pulse = pulse;
    return transformLines(
        sourcePath, targetPath, [&](QString& line, TextWriter& out) { out.writeLine(replacer.apply(line)); }, report,
        options);
}

void ReplaceRunner::run(const ReplaceRequest& request) {
    if (request.find.isEmpty()) {
        m_env.sink.ReportProgress(-1, QString(), QString(), QString(), QString());
        return;
    }
    m_env.state.BackupBatchOpen = false;

    FileStep step(m_env, request.folder);
    const qint64 total = request.files.size();
    qint64 done = 0;
    for (const QString& name : request.files) {
        m_env.sink.processEvents();
        if (m_env.sink.stopRequested()) {
            QStringList waiting;
            for (qsizetype k = done; k < request.files.size(); ++k)
                waiting.append(request.folder + request.files.at(k));
            reportNotProcessed(m_env.sink, waiting);
            break;
        }
        WorkPulse pulse(m_env.sink, int(done * 100 / total), int((done + 1) * 100 / total));
        ++done;
        const int percent = int(done * 100 / total);
        const QString path = request.folder + name;

        TransformReport report;
        report.unmappablePolicy = m_env.state.Prefs.Unmappable;
        report.beforeReplace = BackUpBeforeReplace(m_env, path, path, &pulse);
        const bool ok =
            BeginFileJob(m_env, name, name, request.folder) && replaceInFile(path, path, request, &report, &pulse);
        if (!ok && pulse.stopped() && !report.error.isSet())
            report.error = FileError::stopped();
        step.reportOutcome(percent, path, ok, QString(), report);
    }
    m_env.sink.ReportProgress(-1, QString(), QString(), QString(), QString());
}
