#include "FileStep.h"

#include "MergeStep.h"
#include "NameRules.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/FileJob.h"
#include "engine/Transformations.h"

bool FileStep::apply(BatchCommand command, int direction, const QString& name, TransformReport& report,
                     WorkPulse* pulse) {
    const QString source = m_folder + name;
    report.unmappablePolicy = m_env.state.Prefs.Unmappable;
    if (command == BatchCommand::WebPageToText) {
        const QString output = webPageOutputName(name);
        if (!BeginFileJob(m_env, name, output, m_folder))
            return false;
        report.beforeReplace = BackUpBeforeReplace(m_env, m_folder + output, name, pulse);
        const bool dropLinks = isTrue(m_env.state.Settings.DelLinks) && !isIndexFile(name);
        const HtmlRules rules = m_env.state.Prefs.ClassicHtml ? HtmlRules::Classic : HtmlRules::Current;
        return HtmlToText(source, m_folder + output, dropLinks, &report, rules, pulse);
    }

    if (!BeginFileJob(m_env, name, name, m_folder))
        return false;
    report.beforeReplace = BackUpBeforeReplace(m_env, source, name, pulse);
    switch (command) {
    case BatchCommand::Reflow:
        return ReflowParagraphs(source, source, 0, &report, pulse);
    case BatchCommand::RemoveSpaces:
        return RemoveSpaces(source, source, &report, pulse);
    case BatchCommand::CodePage:
        return ConvertCodePage(source, source, direction, &report, pulse);
    case BatchCommand::Width:
        return ConvertWidth(source, source, direction, &report, pulse);
    case BatchCommand::WebPageToText:
        break;
    }
    return false;
}

QString FileStep::unchangedReason() {
    return QStringLiteral("内容没有变化，文件未改写");
}

void FileStep::reportOutcome(int percent, const QString& text, bool done, const QString& reason,
                             const TransformReport& report) {
    ProgressSink& sink = m_env.sink;
    if (!done) {
        sink.ReportProgress(percent, text, QStringLiteral("未完成"), report.error.description, Mark::Red);
        return;
    }
    sink.ReportProgress(percent, text, QStringLiteral("完成"), report.unchanged ? unchangedReason() : reason,
                        Mark::Blue);
    if (report.unmappable > 0)
        reportUnmappable(sink, text, report);
}
