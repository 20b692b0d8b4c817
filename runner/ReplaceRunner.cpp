#include "ReplaceRunner.h"

#include "FileStep.h"
#include "LineReplacer.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "engine/FileJob.h"
#include "engine/LineTransform.h"
#include "platform/TextWriter.h"

bool ReplaceRunner::replaceInFile(const QString& sourcePath, const QString& targetPath,
                                  const ReplaceRequest& request, TransformReport* report)
{
    const LineReplacer replacer(request.find, request.replacement, request.caseSensitive);
    return transformLines(
        sourcePath, targetPath, [&](QString& line, TextWriter& out) { out.writeLine(replacer.apply(line)); }, report);
}

void ReplaceRunner::run(const ReplaceRequest& request)
{
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
        ++done;
        const int percent = int(done * 100 / total);
        const QString path = request.folder + name;

        TransformReport report;
        const bool ok = BeginFileJob(m_env, name, name, request.folder) &&
                        replaceInFile(m_env.state.TempFile, path, request, &report);
        step.reportOutcome(percent, path, ok, QString(), report);
    }
    m_env.sink.ReportProgress(-1, QString(), QString(), QString(), QString());
}
