#include "FileStep.h"

#include "JournalSteps.h"
#include "MergeStep.h"
#include "NameRules.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/FileJob.h"
#include "engine/Transformations.h"

#include <QFileInfo>

bool FileStep::apply(BatchCommand command, int direction, const QString& name, TransformReport& report,
                     WorkPulse* pulse) {
    const QString source = m_folder + name;
    report.unmappablePolicy = m_env.state.Prefs.Unmappable;
    if (command == BatchCommand::WebPageToText) {
        const QString output = webPageOutputName(name);
        IntendedChange intended;
        report.beforeReplace = BackUpBeforeReplace(m_env, m_folder + output, name, pulse, &intended);
        if (!BeginFileJob(m_env, name, output, m_folder) || !IntendToCreate(m_env, m_folder, output, name, intended))
            return false;
        if (!runTransformation(m_env.state, command, direction, source, m_folder + output, report, pulse)) {
            BatchJournal::withdraw(m_env, output, intended.intended);
            return false;
        }
        JournalSteps::written(m_env, m_folder, output, intended);
        return true;
    }

    IntendedChange intended;
    report.beforeReplace = BackUpBeforeReplace(m_env, source, name, pulse, &intended);
    if (!BeginFileJob(m_env, name, name, m_folder))
        return false;
    if (!runTransformation(m_env.state, command, direction, source, source, report, pulse)) {
        BatchJournal::withdraw(m_env, name, intended.intended);
        return false;
    }
    JournalSteps::rewritten(m_env, m_folder, name, intended);
    return true;
}

bool runTransformation(const AppState& state, BatchCommand command, int direction, const QString& sourcePath,
                       const QString& targetPath, TransformReport& report, WorkPulse* pulse) {
    switch (command) {
    case BatchCommand::WebPageToText:
        return HtmlToText(sourcePath, targetPath,
                          isTrue(state.Settings.DelLinks) && !isIndexFile(QFileInfo(sourcePath).fileName()), &report,
                          state.Prefs.ClassicHtml ? HtmlRules::Classic : HtmlRules::Current, pulse);
    case BatchCommand::Reflow:
        return ReflowParagraphs(sourcePath, targetPath, 0, &report, pulse);
    case BatchCommand::RemoveSpaces:
        return RemoveSpaces(sourcePath, targetPath, &report, pulse);
    case BatchCommand::CodePage:
        return ConvertCodePage(sourcePath, targetPath, direction, &report, pulse, state.Workers);
    case BatchCommand::Width:
        return ConvertWidth(sourcePath, targetPath, direction, &report, pulse);
    }
    return false;
}

QString FileStep::unchangedReason() {
    return QStringLiteral("内容没有变化，文件未改写");
}

void FileStep::reportOutcome(int percent, const QString& text, bool done, const QString& reason,
                             const TransformReport& report) {
    ProgressSink& sink = m_env.sink;
    const QString file = m_folder + text;
    if (!done) {
        sink.ReportProgress(percent,
                            ResultRow::of(Outcome::Refused, text, QStringLiteral("未完成"), report.error.description, file));
        return;
    }
    sink.ReportProgress(percent, report.unchanged ? ResultRow::of(Outcome::Unchanged, text, QStringLiteral("完成"),
                                                                  unchangedReason(), file)
                                                  : ResultRow::of(Outcome::Done, text, QStringLiteral("完成"), reason, file));
    if (report.unmappable > 0)
        reportUnmappable(sink, text, file, report);
}
