#include "WizardRunner.h"

#include "CleanupSetup.h"
#include "EpubRunner.h"
#include "FileStep.h"
#include "JournalSteps.h"
#include "MergeStep.h"
#include "NameRules.h"
#include "StopRows.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/Backups.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/FolderListing.h"
#include "platform/PathIdentity.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>

#include <functional>

namespace {

const QString TextMask = QStringLiteral("*.txt");
const QString PageMask = QStringLiteral("*.htm;*.html");

// Index files first, each group in its list order.
QStringList indexFilesFirst(const QStringList& names) {
    QStringList indexes;
    QStringList others;
    for (const QString& name : names)
        (isIndexFile(name) ? indexes : others).append(name);
    return indexes + others;
}

// The folder's files a stage works on: regular files, and links to regular files inside the folder. A
// link that leads out of the folder, a FIFO or a device is none of the folder's text, and opening a
// FIFO would wait for a writer for ever.
QStringList stageFiles(const QString& folder, const QString& mask) {
    QStringList names = FolderListing::listFiles(folder, mask);
    names.removeIf([&](const QString& name) { return !PathIdentity::isRegularFileWithin(folder, name); });
    return names;
}

bool isLink(const QString& path) {
    return QFileInfo(path).isSymLink();
}

// Splits the sources into one name per file and the other names of those files: a link to another file
// of the folder is that file, read once (under its own name, not the link's).
QStringList oneNamePerFile(const QString& folder, const QStringList& names, QStringList& aliases) {
    QHash<QString, qsizetype> at; // the file's identity -> its place in `kept`
    QStringList kept;
    for (const QString& name : names) {
        const QString key = PathIdentity::keyOf(folder + name);
        const auto seen = at.constFind(key);
        if (seen == at.constEnd()) {
            at.insert(key, kept.size());
            kept.append(name);
        } else if (isLink(folder + kept.at(*seen)) && !isLink(folder + name)) {
            aliases.append(kept.at(*seen));
            kept[*seen] = name;
        } else {
            aliases.append(name);
        }
    }
    return kept;
}

// The batch's command: the wizard and its steps, in the order they run.
QString commandOf(const WizardOptions& options) {
    QStringList steps;
    if (options.html)
        steps.append(QStringLiteral("html2txt"));
    if (options.clean)
        steps.append(BatchRunner::commandName(BatchCommand::Clean, 0));
    if (options.typeset)
        steps.append(BatchRunner::commandName(BatchCommand::Typeset, 0));
    if (options.merge)
        steps.append(QStringLiteral("merge → ") + options.newName);
    if (options.para)
        steps.append(BatchRunner::commandName(BatchCommand::Reflow, 0));
    if (options.space)
        steps.append(BatchRunner::commandName(BatchCommand::RemoveSpaces, 0));
    if (options.code == 1 || options.code == 2)
        steps.append(BatchRunner::commandName(BatchCommand::CodePage, options.code - 1));
    if (options.width == 1 || options.width == 2)
        steps.append(BatchRunner::commandName(BatchCommand::Width, options.width - 1));
    if (options.merge && options.epub)
        steps.append(QStringLiteral("epub"));
    return QStringLiteral("wizard ") + steps.join(QStringLiteral(" + "));
}

} // namespace

QString WizardRunner::prepare(WizardOptions& options) {
    if (options.merge) {
        options.newName = options.newName.trimmed();
        if (options.newName.isEmpty())
            return emptyNameMessage();
        if (!FileName::isPlainFileName(options.newName))
            return QCoreApplication::translate("WizardRunner",
                                               "合并后的文件名“%1”不能用作文件名（不能包含“/”或控制字符）。")
                .arg(options.newName);
    }
    if (options.folder.trimmed().isEmpty() || !FileOps::folderExists(options.folder))
        return QCoreApplication::translate("WizardRunner", "文件夹“%1”不存在，请选择一个存在的文件夹。")
            .arg(options.folder);
    options.folder = AddBackslash(options.folder);

    if (options.merge) {
        if (GetExtension(options.newName) != QLatin1String("txt"))
            options.newName += QStringLiteral(".txt");
        if (!options.prefix.isEmpty())
            PromotePrefix(m_env.state, options.prefix);
    }
    return QString();
}

void WizardRunner::run(const WizardOptions& options) {
    const std::pair<bool, std::function<void()>> stages[] = {
        {options.html,
         [&] {
             convertPages(options);
         }},
        {options.clean,
         [&] {
             rewriteTexts(options, QCoreApplication::translate("WizardRunner", "-清除广告-"), BatchCommand::Clean, 0);
         }},
        {options.typeset,
         [&] {
             rewriteTexts(options, QCoreApplication::translate("WizardRunner", "-排版整理-"), BatchCommand::Typeset, 0);
         }},
        {options.merge,
         [&] {
             mergeTexts(options);
         }},
        {options.para,
         [&] {
             rewriteTexts(options, QCoreApplication::translate("WizardRunner", "-智能分段-"), BatchCommand::Reflow, 0);
         }},
        {options.space,
         [&] {
             rewriteTexts(options, QCoreApplication::translate("WizardRunner", "-删除空格-"),
                          BatchCommand::RemoveSpaces, 0);
         }},
        {options.code == 1 || options.code == 2,
         [&] {
             rewriteTexts(options, QCoreApplication::translate("WizardRunner", "-内码转换-"), BatchCommand::CodePage,
                          options.code - 1);
         }},
        {options.width == 1 || options.width == 2,
         [&] {
             rewriteTexts(options, QCoreApplication::translate("WizardRunner", "-字符转换-"), BatchCommand::Width,
                          options.width - 1);
         }},
    };
    // What the user started with one command is one batch: its journal names every step, and one
    // restore undoes them all.
    BatchJournal::begin(m_env, commandOf(options), options.folder);
    int skipped = 0;
    for (const auto& [enabled, stage] : stages) {
        if (!enabled)
            continue;
        if (m_env.sink.stopRequested())
            ++skipped;
        else
            stage();
    }
    // The e-book is made of the merged text as the later stages left it, within the wizard's batch.
    if (options.epub && m_merged && !m_env.sink.stopRequested()) {
        m_env.sink.ReportProgress(
            0, ResultRow::about(Outcome::Heading, QCoreApplication::translate("WizardRunner", "-制作电子书-")));
        EpubRunner::bookBeside(m_env, options.folder + options.newName, false);
    }
    BatchJournal::end(m_env);
    if (m_env.sink.stopRequested()) {
        reportStopped(m_env.sink, skipped > 0
                                      ? QCoreApplication::translate("WizardRunner", "其后 %1 个步骤未执行").arg(skipped)
                                      : QString());
    }
    m_env.sink.complete();
}

void WizardRunner::convertPages(const WizardOptions& options) {
    ProgressSink& sink = m_env.sink;
    const QStringList pages = stageFiles(options.folder, PageMask);
    sink.ReportProgress(0,
                        ResultRow::about(Outcome::Heading, QCoreApplication::translate("WizardRunner", "-html转换-")));

    FileStep step(m_env, options.folder);
    const qint64 n = pages.size();
    qint64 k = 0;
    for (qsizetype i = pages.size() - 1; i >= 0; --i) {
        sink.processEvents();
        if (sink.stopRequested()) {
            QStringList waiting;
            for (qsizetype w = i; w >= 0; --w)
                waiting.append(pages.at(w));
            reportNotProcessed(sink, options.folder, waiting);
            return;
        }
        WorkPulse pulse(sink, int(k * 100 / n), int((k + 1) * 100 / n));
        ++k;
        const int percent = int(k * 100 / n);
        const QString& name = pages.at(i);
        TransformReport report;
        const bool done = step.apply(BatchCommand::WebPageToText, 0, name, report, &pulse);
        FileError deleteError;
        if (done && options.deleteHtml)
            JournalSteps::remove(m_env, options.folder, name, &deleteError);
        step.reportOutcome(percent, name, done, QString(), report);
        if (deleteError.isSet()) {
            sink.ReportProgress(0, fileErrorRow(name, options.folder + name, deleteError));
        }
    }
    if (options.deleteHtml)
        sink.ReportProgress(
            0, ResultRow::about(Outcome::Note, QCoreApplication::translate("WizardRunner", "-源文件已删除-")));
}

void WizardRunner::mergeTexts(const WizardOptions& options) {
    ProgressSink& sink = m_env.sink;
    const QStringList texts = stageFiles(options.folder, TextMask);
    sink.ReportProgress(
        0, ResultRow::about(Outcome::Heading, QCoreApplication::translate("WizardRunner", "-合并文本文件-")));

    // The merged file itself is never one of its sources, so a file of that name already in the
    // folder is replaced by the merge and never deleted as a merged source.
    QStringList names;
    for (const QString& name : texts) {
        if (name == options.newName)
            continue;
        if (options.indexMode == 2 && isIndexFile(name))
            continue;
        names.append(name);
    }
    // The book is joined in reading order, whatever order the file system lists the chapters in.
    ChapterOrder::sort(names);
    if (options.indexMode == 0)
        names = indexFilesFirst(names);
    QStringList aliases;
    names = oneNamePerFile(options.folder, names, aliases);
    if (names.isEmpty())
        return;

    QStringList paths;
    for (const QString& name : names)
        paths.append(options.folder + name);
    const QString target = options.folder + options.newName;
    // When characters were written as "?", the sources are the only whole copy of that text and are kept.
    TransformReport report;
    report.unmappablePolicy = m_env.state.Prefs.Unmappable;
    const QString kept =
        options.deleteMerged ? QCoreApplication::translate("WizardRunner", "；源文件未删除") : QString();
    const bool merged = mergeWithRows(m_env, paths, target, report, kept);
    m_merged = merged;
    if (!merged || report.lostCharacters() || !options.deleteMerged)
        return;
    // The links to merged sources go with them (they would lead nowhere); a restore puts them back.
    for (const QString& name : aliases + names) {
        FileError error;
        if (!JournalSteps::remove(m_env, options.folder, name, &error))
            sink.ReportProgress(0, fileErrorRow(options.folder + name, options.folder + name, error));
    }
    // Where the sources went, so that the user knows they are not lost: the batch's backup folder,
    // from which undoing the batch puts them back, or the desktop's trash when backups are off.
    const QString backupFolder = m_env.state.BackupBatchFolder;
    const QString whereTheyWent =
        backupFolder.isEmpty() ? QCoreApplication::translate("WizardRunner", "-合并的源文件已移到回收站-")
                               : QCoreApplication::translate(
                                     "WizardRunner", "-合并的源文件已移入备份文件夹 %1，点“撤销上一批”即可全部放回-")
                                     .arg(backupFolder);
    sink.ReportProgress(0, ResultRow::about(Outcome::Note, whereTheyWent));
}

void WizardRunner::rewriteTexts(const WizardOptions& options, const QString& title, BatchCommand command,
                                int direction) {
    ProgressSink& sink = m_env.sink;
    const QStringList texts = stageFiles(options.folder, TextMask);
    sink.ReportProgress(0, ResultRow::about(Outcome::Heading, title));

    FileStep step(m_env, options.folder);
    if (command == BatchCommand::Clean)
        step.useCleanup(CleanupSetup::prepare(m_env, options.folder, texts, CleanOptions()));
    const qint64 n = texts.size();
    qint64 k = 0;
    for (const QString& name : texts) {
        sink.processEvents();
        if (sink.stopRequested()) {
            reportNotProcessed(sink, options.folder, texts.mid(k));
            return;
        }
        WorkPulse pulse(sink, int(k * 100 / n), int((k + 1) * 100 / n));
        ++k;
        TransformReport report;
        const bool done = step.apply(command, direction, name, report, &pulse);
        step.reportOutcome(int(k * 100 / n), name, done, QString(), report);
    }
}
