#include "FileStep.h"

#include "CleanupSetup.h"
#include "EpubRunner.h"
#include "JournalSteps.h"
#include "MergeStep.h"
#include "NameRules.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/FileJob.h"
#include "engine/Transformations.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"

#include <cerrno>

#include <QCoreApplication>
#include <QFileInfo>

bool FileStep::apply(BatchCommand command, int direction, const QString& name, TransformReport& report,
                     WorkPulse* pulse) {
    const QString source = m_folder + name;
    report.unmappablePolicy = m_env.state.Prefs.Unmappable;
    if (command == BatchCommand::WebPageToText) {
        const QString output = webPageOutputName(name);
        IntendedChange intended;
        // A text that was not there when the job began is another run's (or another page's) new file:
        // never replaced, as no one was asked about it.
        report.beforeReplace = FileOps::exists(m_folder + output)
                                   ? BackUpBeforeReplace(m_env, m_folder + output, name, pulse, &intended)
                                   : refuseNewcomer();
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
    if (!runTransformation(m_env.state, command, direction, source, source, report, pulse, m_cleanup.get())) {
        BatchJournal::withdraw(m_env, name, intended.intended);
        return false;
    }
    JournalSteps::rewritten(m_env, m_folder, name, intended);
    return true;
}

std::function<bool(FileError&)> FileStep::refuseNewcomer() {
    return [](FileError& error) {
        error = FileError::withText(EEXIST, QCoreApplication::translate("FileStep", "文件已被另一个任务建立，未替换"));
        return false;
    };
}

bool runTransformation(const AppState& state, BatchCommand command, int direction, const QString& sourcePath,
                       const QString& targetPath, TransformReport& report, WorkPulse* pulse,
                       const Boilerplate* cleanup) {
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
        return ConvertWidth(sourcePath, targetPath, direction, &report, pulse, state.Prefs.NarrowKeepsPunctuation);
    case BatchCommand::Typeset:
        return Typeset(sourcePath, targetPath, typesetOptionsFor(state, sourcePath), &report, pulse);
    case BatchCommand::Clean:
        if (cleanup)
            return CleanBoilerplate(sourcePath, targetPath, *cleanup, &report, pulse);
        return CleanBoilerplate(sourcePath, targetPath, CleanupSetup::rulesOnly(state, {}), &report, pulse);
    }
    return false;
}

namespace {

QuoteStyle quoteStyleFor(const QString& choice, const QString& path) {
    if (choice == u"mainland")
        return QuoteStyle::Mainland;
    if (choice == u"taiwan")
        return QuoteStyle::Taiwan;
    if (choice == u"keep")
        return QuoteStyle::Keep;
    // By the text: its first 64 KB tell Traditional from Simplified.
    QString sample;
    bool truncated = false;
    if (!TextReader::readHead(path, 64 * 1024, sample, truncated))
        return QuoteStyle::Mainland;
    return EpubRunner::languageOf(sample) == u"zh-TW" ? QuoteStyle::Taiwan : QuoteStyle::Mainland;
}

} // namespace

TypesetOptions typesetOptionsFor(const AppState& state, const QString& path) {
    const Preferences& prefs = state.Prefs;
    TypesetOptions options;
    options.punctuation = prefs.TypesetPunctuation;
    options.latinSpace = prefs.TypesetLatinSpace;
    options.quotes = quoteStyleFor(prefs.TypesetQuotes, path);
    options.indent = prefs.TypesetIndent == u"0"      ? IndentStyle::None
                     : prefs.TypesetIndent == u"keep" ? IndentStyle::Keep
                                                      : IndentStyle::TwoSpaces;
    options.blankLines = prefs.TypesetBlankLines == u"none"  ? BlankLineStyle::None
                         : prefs.TypesetBlankLines == u"one" ? BlankLineStyle::One
                                                             : BlankLineStyle::Keep;
    return options;
}

QString FileStep::cleanupSummary(const TransformReport& report) {
    QStringList parts;
    if (report.linesRemoved > 0)
        parts.append(QCoreApplication::translate("FileStep", "删除 %1 行").arg(report.linesRemoved));
    if (report.fragmentsRemoved > 0)
        parts.append(QCoreApplication::translate("FileStep", "删去 %1 处广告片段").arg(report.fragmentsRemoved));
    if (report.invisibleRemoved > 0)
        parts.append(QCoreApplication::translate("FileStep", "删除 %1 个不可见字符").arg(report.invisibleRemoved));
    if (report.formatCharacters > 0)
        parts.append(QCoreApplication::translate("FileStep", "另有 %1 个格式字符未动").arg(report.formatCharacters));
    if (report.linesRemoved > TransformReport::MaxListedLines)
        parts.append(QCoreApplication::translate("FileStep", "下面列出前 %1 行").arg(TransformReport::MaxListedLines));
    return parts.join(QStringLiteral("，"));
}

QString FileStep::unchangedReason() {
    return QCoreApplication::translate("FileStep", "内容没有变化，文件未改写");
}

void FileStep::reportOutcome(int percent, const QString& text, bool done, const QString& reason,
                             const TransformReport& report) {
    ProgressSink& sink = m_env.sink;
    const QString file = m_folder + text;
    if (!done) {
        sink.ReportProgress(percent,
                            ResultRow::of(Outcome::Refused, text, QCoreApplication::translate("FileStep", "未完成"),
                                          report.error.description, file));
        return;
    }
    const QString said = reason.isEmpty() ? report.summary : reason;
    const QString cleaned = cleanupSummary(report);
    // A file left as it was still tells of the format characters it holds.
    const QString shown = report.unchanged ? unchangedReason() : said;
    const QString shownReason =
        cleaned.isEmpty() ? shown : shown.isEmpty() ? cleaned : shown + QStringLiteral("；") + cleaned;
    sink.ReportProgress(percent, ResultRow::of(report.unchanged ? Outcome::Unchanged : Outcome::Done, text,
                                               QCoreApplication::translate("FileStep", "完成"), shownReason, file));
    for (const QString& line : report.removedLines)
        sink.ReportProgress(percent, ResultRow::of(Outcome::Detail, text, removedLineStatus(), line, file));
    if (report.unmappable > 0)
        reportUnmappable(sink, text, file, report);
}
