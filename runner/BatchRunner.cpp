#include "BatchRunner.h"

#include "FileStep.h"
#include "NameRules.h"
#include "StopRows.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"

#include <QElapsedTimer>

bool BatchRunner::isTimed(BatchCommand command) {
    return command == BatchCommand::WebPageToText || command == BatchCommand::RemoveSpaces;
}

bool BatchRunner::isInPlace(BatchCommand command) {
    return command != BatchCommand::WebPageToText;
}

void BatchRunner::run(const BatchRequest& request) {
    // A monotonic clock: a batch that runs past midnight still adds up positive times.
    QElapsedTimer clock;
    clock.start();
    const bool timed = isTimed(request.command);

    // Every batch backs up into a folder of its own: the files it rewrites, or the ".txt" files a
    // web-page conversion replaces.
    m_env.state.BackupBatchOpen = false;

    qint64 selectedCount = 0;
    for (const FileEntry& entry : request.entries) {
        if (entry.selected)
            ++selectedCount;
    }
    double total = clock.nsecsElapsed() / 1e9;

    FileStep step(m_env, request.folder);
    qint64 doneCount = 0;
    int percent = 0;
    for (qsizetype i = 0; i < request.entries.size(); ++i) {
        const FileEntry& entry = request.entries.at(i);
        const qint64 start = clock.nsecsElapsed();
        m_env.sink.processEvents();
        if (!entry.selected)
            continue;
        if (m_env.sink.stopRequested()) {
            QStringList waiting;
            for (qsizetype k = i; k < request.entries.size(); ++k) {
                if (request.entries.at(k).selected)
                    waiting.append(request.entries.at(k).name);
            }
            reportNotProcessed(m_env.sink, waiting);
            break;
        }
        ++doneCount;
        WorkPulse pulse(m_env.sink, percent, int(doneCount * 100 / selectedCount));
        percent = int(doneCount * 100 / selectedCount);

        TransformReport report;
        const bool done = step.apply(request.command, request.direction, entry.name, report, &pulse);
        QString reason;
        if (done && timed) {
            const double elapsed = (clock.nsecsElapsed() - start) / 1e9;
            total += elapsed;
            reason = secondsText(elapsed);
        }
        step.reportOutcome(percent, entry.name, done, reason, report);
    }

    if (timed)
        m_env.sink.ReportProgress(0, QStringLiteral("总时间：") + secondsText(total), QString(), QString(), Mark::Blue);
    m_env.sink.ReportProgress(-1, QString(), QString(), QString(), QString());
}
