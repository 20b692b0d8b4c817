#include "FileStep.h"

#include "JournalSteps.h"
#include "MergeStep.h"
#include "NameRules.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "engine/FileJob.h"
#include "engine/Transformations.h"

#include <QFileInfo>

bool FileStep::apply(BatchCommand command, int direction, const QString& name, TransformReport& report) {
    const QString source = m_folder + name;
    report.unmappablePolicy = m_env.state.Prefs.Unmappable;
    if (command == BatchCommand::WebPageToText) {
        const QString output = webPageOutputName(name);
        const FileState before = JournalSteps::stateIfKept(m_env, m_folder + output);
        if (!BeginFileJob(m_env, name, output, m_folder))
            return false;
        if (!runTransformation(m_env.state, command, direction, source, m_folder + output, report))
            return false;
        JournalSteps::written(m_env, m_folder, output, before);
        return true;
    }

    const FileState before = JournalSteps::stateIfKept(m_env, source);
    if (!BeginFileJob(m_env, name, name, m_folder) ||
        !runTransformation(m_env.state, command, direction, m_env.state.TempFile, source, report))
        return false;
    JournalSteps::rewritten(m_env, m_folder, name, before);
    return true;
}

bool runTransformation(const AppState& state, BatchCommand command, int direction, const QString& sourcePath,
                       const QString& targetPath, TransformReport& report) {
    switch (command) {
    case BatchCommand::WebPageToText:
        return HtmlToText(sourcePath, targetPath,
                          isTrue(state.Settings.DelLinks) && !isIndexFile(QFileInfo(sourcePath).fileName()), &report,
                          state.Prefs.ClassicHtml ? HtmlRules::Classic : HtmlRules::Current);
    case BatchCommand::Reflow:
        return ReflowParagraphs(sourcePath, targetPath, 0, &report);
    case BatchCommand::RemoveSpaces:
        return RemoveSpaces(sourcePath, targetPath, &report);
    case BatchCommand::CodePage:
        return ConvertCodePage(sourcePath, targetPath, direction, &report);
    case BatchCommand::Width:
        return ConvertWidth(sourcePath, targetPath, direction, &report);
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
