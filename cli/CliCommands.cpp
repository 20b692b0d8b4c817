#include "CliCommands.h"

#include "JsonRow.h"
#include "TabRow.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "platform/Clock.h"
#include "platform/FileName.h"
#include "runner/MergeStep.h"
#include "runner/NameRules.h"
#include "runner/RenamePlan.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

namespace CliCommands {
namespace {

void complete(ProgressSink& sink) {
    sink.complete();
}

void printBytes(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printLine(const QString& text) {
    printBytes(FileName::encode(text + u'\n'));
}

} // namespace

QList<FolderBatch> groupByFolder(const QStringList& files) {
    QList<FolderBatch> batches;
    for (const QString& file : files) {
        const QString path = FileName::absolutePath(file);
        const qsizetype slash = path.lastIndexOf(u'/');
        const QString folder = path.left(slash + 1);
        auto it = std::find_if(batches.begin(), batches.end(),
                               [&](const FolderBatch& batch) { return batch.folder == folder; });
        if (it == batches.end()) {
            batches.append({folder, {}});
            it = batches.end() - 1;
        }
        it->names.append(path.mid(slash + 1));
    }
    return batches;
}

void runBatch(JobEnv& env, BatchCommand command, int direction, const QStringList& files, const CleanOptions& clean) {
    BatchRunner runner(env);
    runner.setCleanOptions(clean);
    for (const FolderBatch& batch : groupByFolder(files)) {
        BatchRequest request;
        request.command = command;
        request.direction = direction;
        request.folder = batch.folder;
        for (const QString& name : batch.names)
            request.entries.append({name, true});
        env.state.CurrentFolder = batch.folder;
        runner.run(request);
    }
}

void runReplace(JobEnv& env, const QString& find, const QString& replacement, bool caseSensitive,
                const QStringList& files) {
    ReplaceRunner runner(env);
    for (const FolderBatch& batch : groupByFolder(files)) {
        ReplaceRequest request{batch.names, batch.folder, find, replacement, caseSensitive};
        env.state.CurrentFolder = batch.folder;
        runner.run(request);
    }
}

void runMerge(JobEnv& env, const QString& output, const QStringList& files, bool sortChapters) {
    QStringList paths;
    for (const QString& file : files)
        paths.append(FileName::absolutePath(file));
    if (sortChapters) {
        std::stable_sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
            return ChapterOrder::lessThan(a.mid(a.lastIndexOf(u'/') + 1), b.mid(b.lastIndexOf(u'/') + 1));
        });
    }
    const QString target = FileName::absolutePath(output);
    mergeAsBatch(env, paths, target);
    complete(env.sink);
}

bool runRename(JobEnv& env, const QString& nameTemplate, qint32 start, bool dryRun, bool json, const QStringList& files,
               QString* message) {
    const QList<FolderBatch> batches = groupByFolder(files);
    if (batches.size() != 1) {
        *message = QStringLiteral("rename: all files must be in one folder");
        return false;
    }
    const FolderBatch& batch = batches.first();
    QList<RenameItem> items;
    for (const QString& name : batch.names)
        items.append({name, QString()});
    RenameSeries(items, nameTemplate.trimmed(), start);
    for (const RenameItem& item : items) {
        if (json)
            printBytes(JsonRow::object({{"old", item.oldName},
                                        {"new", item.newName},
                                        {"file", JsonRow::bytesSafe(batch.folder + item.oldName)},
                                        {"new_file", JsonRow::bytesSafe(batch.folder + item.newName)}}));
        else
            printBytes(FileName::encode(TabRow::line({item.oldName, item.newName})));
    }
    std::fflush(stdout);

    *message = checkRenamePlan(batch.folder, items);
    if (!message->isEmpty())
        return false;
    return dryRun || executeRenameBatch(env, nameTemplate.trimmed(), batch.folder, items, message);
}

bool runWizard(JobEnv& env, WizardOptions options, QString* message) {
    WizardRunner runner(env);
    *message = runner.prepare(options);
    if (!message->isEmpty())
        return false;
    env.state.CurrentFolder = options.folder;
    runner.run(options);
    return true;
}

QStringList mirrorFiles(DryRun& dryRun, const QStringList& files, bool withTextTargets) {
    QStringList mapped;
    for (const FolderBatch& batch : groupByFolder(files)) {
        QStringList names = batch.names;
        if (withTextTargets) {
            for (const QString& name : batch.names)
                names.append(webPageOutputName(name));
        }
        const QString copy = dryRun.mirror(batch.folder, names);
        for (const QString& name : batch.names)
            mapped.append(copy + name);
    }
    return mapped;
}

namespace {

QString timeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("?");
}

QString stateText(FileNow now) {
    switch (now) {
    case FileNow::Unchanged:
        return QStringLiteral("unchanged");
    case FileNow::Changed:
        return QStringLiteral("changed");
    case FileNow::Missing:
        return QStringLiteral("missing");
    }
    return QString();
}

// "已恢复 ID" (the restore that undid it, the newest), "恢复操作 ID" (the batch a restore undid), or "".
QString markText(const BackupBatch& batch) {
    if (!batch.restores.isEmpty())
        return batch.mark() + u' ' + batch.restores;
    return batch.restoredBy.isEmpty() ? QString() : batch.mark() + u' ' + batch.restoredBy.first();
}

} // namespace

void listBackups(const AppState& state) {
    for (const BackupBatch& batch : BackupCatalog::list(state.BackupFolder)) {
        const BackupJournal::Header& header = batch.journal.header;
        printLine(batch.id + u'\t' + timeText(batch.time) + u'\t' +
                  (batch.journal.present ? header.command : QStringLiteral("?")) + u'\t' +
                  (batch.journal.present ? header.folder : QStringLiteral("?")) + u'\t' +
                  QString::number(batch.fileCount()) + u'\t' + BackupCatalog::sizeText(batch.size) + u'\t' +
                  markText(batch));
    }
    std::fflush(stdout);
}

bool showBackup(const AppState& state, const QString& id) {
    const std::optional<BackupBatch> batch = BackupCatalog::find(state.BackupFolder, id);
    if (!batch)
        return false;
    const BackupJournal::Header& header = batch->journal.header;
    printLine(QStringLiteral("batch\t") + batch->id);
    if (!batch->journal.present) {
        printLine(QStringLiteral("journal\tnone (an older version made this batch)"));
        for (const QString& copy : batch->copies)
            printLine(copy + QStringLiteral("\tbackup copy\t?\t") + copy);
        std::fflush(stdout);
        return true;
    }
    printLine(QStringLiteral("command\t") + header.command);
    printLine(QStringLiteral("folder\t") + header.folder);
    printLine(QStringLiteral("started\t") + timeText(header.started));
    printLine(QStringLiteral("ended\t") + timeText(header.ended));
    for (const JournalEntry& entry : batch->files()) {
        QString action = BackupJournal::actionText(entry.action);
        if (entry.action == JournalEntry::Action::Renamed)
            action += QStringLiteral(" → ") + entry.newName;
        printLine(entry.name + u'\t' + action + u'\t' + stateText(BackupCatalog::stateNow(*batch, entry)) + u'\t' +
                  entry.backupName);
    }
    std::fflush(stdout);
    return true;
}

int runRestore(JobEnv& env, const QString& id, const QStringList& names, bool force, bool dryRun) {
    RestoreRequest request;
    // "last": the batch that started last, or the batch a partial restore left (BackupCatalog::lastToUndo);
    // with none, the restore's row says there is no such batch.
    const QString newest = id == QLatin1String("last") ? BackupCatalog::lastToUndo(env.state.BackupFolder) : QString();
    request.batchId = newest.isEmpty() ? id : newest;
    request.names = names;
    request.changed = force ? RestoreRequest::Changed::Overwrite : RestoreRequest::Changed::Skip;
    request.dryRun = dryRun;
    const RestoreResult result = RestoreRunner(env).run(request);
    return result.found && result.skipped == 0 && result.failed == 0 ? 0 : 1;
}

int diffRestore(const AppState& state, DryRun& dryRun, const QString& id, const QStringList& names, bool force) {
    RestoreRequest request;
    request.batchId = id;
    request.names = names;
    request.changed = force ? RestoreRequest::Changed::Overwrite : RestoreRequest::Changed::Skip;
    request.backupFolder = state.BackupFolder;
    if (const std::optional<BackupBatch> batch = BackupCatalog::find(state.BackupFolder, id)) {
        QStringList touched;
        for (const JournalEntry& entry : batch->journal.entries)
            touched << entry.name << entry.newName;
        touched.removeAll(QString());
        if (!batch->journal.header.folder.isEmpty())
            request.folder = dryRun.mirror(batch->journal.header.folder, touched);
    }
    const RestoreResult result = RestoreRunner(dryRun.env()).run(request);
    return result.found && result.skipped == 0 && result.failed == 0 ? 0 : 1;
}

int pruneBackups(JobEnv& env, int days, bool dryRun) {
    for (const QString& link : BackupCatalog::linkedFolders(env.state.BackupFolder)) {
        env.sink.ReportProgress(
            0, ResultRow::of(Outcome::Skipped, link, QStringLiteral("跳过"), QStringLiteral("是符号链接，不跟随也不删除"), link));
    }
    const QList<BackupBatch> old =
        BackupCatalog::olderThan(BackupCatalog::list(env.state.BackupFolder), env.clock.now().addDays(-days));
    if (old.isEmpty()) {
        printLine(QStringLiteral("没有早于 %1 天的备份").arg(days));
        return 0;
    }
    qint64 size = 0;
    for (const BackupBatch& batch : old)
        size += batch.size;
    const QString question = QStringLiteral("删除早于 %1 天的 %2 批备份（共 %3）吗？")
                                 .arg(days)
                                 .arg(old.size())
                                 .arg(BackupCatalog::sizeText(size));
    if (dryRun) {
        for (const BackupBatch& batch : old)
            env.sink.ReportProgress(0, ResultRow::about(Outcome::Preview, batch.id, QStringLiteral("预览"), QStringLiteral("将删除")));
        complete(env.sink);
        return 0;
    }
    if (!env.prompt.askYesNo(QStringLiteral("清理旧备份"), question))
        return 0;
    for (const BackupBatch& batch : old) {
        FileError error;
        if (BackupCatalog::remove(batch, &error))
            env.sink.ReportProgress(0, ResultRow::about(Outcome::Done, batch.id, QStringLiteral("完成"), QStringLiteral("已删除")));
        else
            env.sink.ReportProgress(0, ResultRow::about(Outcome::Error, batch.id,
                                                        QStringLiteral("错误") + QString::number(error.number),
                                                        error.description));
    }
    complete(env.sink);
    return 0;
}

} // namespace CliCommands
