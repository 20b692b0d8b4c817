#include "FileStep.h"

#include "MergeStep.h"
#include "NameRules.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/FileJob.h"
#include "engine/Transformations.h"

namespace {

// The job frame gave up: when a stop was the reason, the file's row says so.
bool stoppedBefore(const WorkPulse* pulse, TransformReport& report) {
    if (pulse && pulse->stopped())
        report.error = FileError::stopped();
    return false;
}

} // namespace

bool FileStep::apply(BatchCommand command, int direction, const QString& name, TransformReport& report,
                     WorkPulse* pulse) {
    const QString source = m_folder + name;
    report.unmappablePolicy = m_env.state.Prefs.Unmappable;
    if (command == BatchCommand::WebPageToText) {
        const QString output = webPageOutputName(name);
        if (!BeginFileJob(m_env, name, output, m_folder, pulse))
            return stoppedBefore(pulse, report);
        const bool dropLinks = isTrue(m_env.state.Settings.DelLinks) && !isIndexFile(name);
        const HtmlRules rules = m_env.state.Prefs.ClassicHtml ? HtmlRules::Classic : HtmlRules::Current;
        return HtmlToText(source, m_folder + output, dropLinks, &report, rules, pulse);
    }

    if (!BeginFileJob(m_env, name, name, m_folder, pulse))
        return stoppedBefore(pulse, report);
    const QString& temp = m_env.state.TempFile;
    switch (command) {
    case BatchCommand::Reflow:
        return ReflowParagraphs(temp, source, 0, &report, pulse);
    case BatchCommand::RemoveSpaces:
        return RemoveSpaces(temp, source, &report, pulse);
    case BatchCommand::CodePage:
        return ConvertCodePage(temp, source, direction, &report, pulse);
    case BatchCommand::Width:
        return ConvertWidth(temp, source, direction, &report, pulse);
    case BatchCommand::WebPageToText:
        break;
    }
    return false;
}

void FileStep::reportOutcome(int percent, const QString& text, bool done, const QString& reason,
                             const TransformReport& report) {
    ProgressSink& sink = m_env.sink;
    if (!done) {
        sink.ReportProgress(percent, text, QStringLiteral("未完成"), report.error.description, Mark::Red);
        return;
    }
    sink.ReportProgress(percent, text, QStringLiteral("完成"), reason, Mark::Blue);
    if (report.unmappable > 0)
        reportUnmappable(sink, text, report);
}
