#include "BatchRunner.h"

#include "FileStep.h"
#include "NameRules.h"
#include "ParallelFiles.h"
#include "StopRows.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/BatchJournal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

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

    // Every command is its own batch, pages to text too: the files it replaces and creates are
    // journalled (and restored) apart from the batch before it.
    BatchJournal::begin(m_env, commandName(request.command, request.direction), request.folder);

    QList<qsizetype> selected;
    for (qsizetype i = 0; i < request.entries.size(); ++i) {
        if (request.entries.at(i).selected)
            selected.append(i);
        else
            m_env.sink.processEvents(); // a long list stays responsive; forEachFile runs them per file
    }
    const qsizetype selectedCount = selected.size();
    std::shared_ptr<const Boilerplate> cleanup;
    if (request.command == BatchCommand::Clean) {
        QStringList names;
        for (const qsizetype n : selected)
            names.append(request.entries.at(n).name);
        cleanup = CleanupSetup::prepare(m_env, request.folder, names, m_clean);
    }
    // Each file's time in a slot of its own: files worked on at once add up afterwards.
    std::vector<double> seconds(size_t(selectedCount), 0.0);

    const auto files = [&](qsizetype n) {
        const QString& name = request.entries.at(selected.at(n)).name;
        const QString source = request.folder + name;
        return StepFiles{{source}, {isInPlace(request.command) ? source : request.folder + webPageOutputName(name)}};
    };
    const QList<qsizetype> waiting = forEachFile(m_env, selectedCount, files, [&](JobEnv& env, qsizetype n) {
        QElapsedTimer fileClock;
        fileClock.start();
        const QString& name = request.entries.at(selected.at(n)).name;
        WorkPulse pulse(env.sink, int(n * 100 / selectedCount), int((n + 1) * 100 / selectedCount));
        const int percent = int((n + 1) * 100 / selectedCount);

        FileStep step(env, request.folder);
        step.useCleanup(cleanup);
        TransformReport report;
        const bool done = step.apply(request.command, request.direction, name, report, &pulse);
        QString reason;
        if (done && timed) {
            seconds[size_t(n)] = fileClock.nsecsElapsed() / 1e9;
            reason = secondsText(seconds[size_t(n)]);
        }
        step.reportOutcome(percent, name, done, reason, report);
    });
    if (!waiting.isEmpty()) {
        QStringList names;
        for (const qsizetype n : waiting)
            names.append(request.entries.at(selected.at(n)).name);
        reportNotProcessed(m_env.sink, request.folder, names);
    }
    double total = clock.nsecsElapsed() / 1e9;
    if (m_env.state.Workers <= 1 || selectedCount <= 1) {
        total = 0;
        for (const double s : seconds)
            total += s;
    }

    if (timed)
        m_env.sink.ReportProgress(
            0, ResultRow::about(Outcome::Summary,
                                QCoreApplication::translate("BatchRunner", "总时间：") + secondsText(total)));
    BatchJournal::end(m_env);
    m_env.sink.complete();
}

QString BatchRunner::commandName(BatchCommand command, int direction) {
    switch (command) {
    case BatchCommand::WebPageToText:
        return QStringLiteral("html2txt");
    case BatchCommand::Reflow:
        return QStringLiteral("reflow");
    case BatchCommand::RemoveSpaces:
        return QStringLiteral("despace");
    case BatchCommand::CodePage:
        return direction == 0 ? QStringLiteral("gb") : QStringLiteral("big5");
    case BatchCommand::Width:
        return direction == 0 ? QStringLiteral("narrow") : QStringLiteral("wide");
    case BatchCommand::Typeset:
        return QStringLiteral("typeset");
    case BatchCommand::Clean:
        return QStringLiteral("clean");
    }
    return QString();
}
