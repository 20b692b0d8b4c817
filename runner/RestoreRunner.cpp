#include "RestoreRunner.h"

#include "JournalSteps.h"
#include "RenamePlan.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "engine/Backups.h"
#include "platform/FileOps.h"

#include <cerrno>

namespace {

using Action = JournalEntry::Action;

bool wanted(const RestoreRequest& request, const JournalEntry& entry) {
    return request.names.isEmpty() || request.names.contains(entry.name) ||
           (!entry.newName.isEmpty() && request.names.contains(entry.newName));
}

} // namespace

RestoreResult RestoreRunner::run(const RestoreRequest& request) {
    RestoreResult result;
    ProgressSink& sink = m_env.sink;
    const std::optional<BackupBatch> batch = BackupCatalog::find(m_env.state.BackupFolder, request.batchId);
    if (!batch || !batch->journal.present || batch->journal.header.folder.isEmpty()) {
        result.found = false;
        sink.ReportProgress(0, request.batchId, QStringLiteral("未完成"),
                            batch ? QStringLiteral("这批备份没有日志，不知道文件原来的位置")
                                  : QStringLiteral("没有这批备份"),
                            Mark::Red);
        sink.ReportProgress(-1, QString(), QString(), QString(), QString());
        return result;
    }

    if (request.dryRun) {
        for (const JournalEntry& entry : batch->journal.entries) {
            if (wanted(request, entry))
                preview(*batch, entry, request, result);
        }
        sink.ReportProgress(-1, QString(), QString(), QString(), QString());
        return result;
    }

    const QString folder = batch->journal.header.folder;
    BatchJournal::begin(m_env, QStringLiteral("restore ") + batch->id, folder);
    QList<JournalEntry> renames;
    QList<JournalEntry> contents;
    for (const JournalEntry& entry : batch->journal.entries) {
        if (!wanted(request, entry))
            continue;
        if (entry.action == Action::Created) {
            sink.processEvents();
            removeCreated(*batch, entry, request, result);
        } else if (entry.action == Action::Renamed) {
            renames.append(entry);
        } else {
            contents.append(entry);
        }
    }
    renameBack(*batch, renames, request, result);
    for (const JournalEntry& entry : contents) {
        sink.processEvents();
        copyBack(*batch, entry, request, result);
    }
    BatchJournal::end(m_env);
    sink.ReportProgress(-1, QString(), QString(), QString(), QString());
    return result;
}

void RestoreRunner::preview(const BackupBatch& batch, const JournalEntry& entry, const RestoreRequest& request,
                            RestoreResult& result) {
    const QString path = BackupCatalog::currentPath(batch, entry);
    const FileNow now = BackupCatalog::stateNow(batch, entry);
    if (now == FileNow::Changed && request.changed == RestoreRequest::Changed::Skip) {
        ++result.skipped;
        m_env.sink.ReportProgress(0, path, QStringLiteral("跳过"), QStringLiteral("文件在这批之后已被更改"),
                                  Mark::Yellow);
        return;
    }
    QString reason;
    switch (entry.action) {
    case Action::Created:
        reason = now == FileNow::Missing ? QStringLiteral("文件已不存在") : QStringLiteral("将删除这批建立的文件");
        break;
    case Action::Renamed:
        reason = QStringLiteral("将恢复原名 ") + entry.name;
        break;
    default:
        reason = entry.backupName.isEmpty() ? QStringLiteral("这批没有这个文件的备份副本")
                                            : QStringLiteral("将恢复备份内容");
        break;
    }
    if (now == FileNow::Changed)
        reason += QStringLiteral("（文件在这批之后已被更改）");
    ++result.restored;
    m_env.sink.ReportProgress(0, path, QStringLiteral("预览"), reason, Mark::Blue);
}

bool RestoreRunner::mayGoOn(const RestoreRequest& request, const QString& path, FileNow now, RestoreResult& result) {
    if (now != FileNow::Changed || request.changed == RestoreRequest::Changed::Overwrite)
        return true;
    if (request.changed == RestoreRequest::Changed::Ask &&
        m_env.prompt.askYesNo(
            QStringLiteral("恢复"),
            QStringLiteral("文件 %1 在这批之后已被更改。\r\n仍要恢复吗？（现在的内容会先备份）").arg(path)))
        return true;
    ++result.skipped;
    m_env.sink.ReportProgress(0, path, QStringLiteral("跳过"), QStringLiteral("文件在这批之后已被更改"), Mark::Yellow);
    return false;
}

void RestoreRunner::done(const QString& path, const QString& reason, RestoreResult& result) {
    ++result.restored;
    m_env.sink.ReportProgress(0, path, QStringLiteral("完成"), reason, Mark::Blue);
}

void RestoreRunner::failed(const QString& path, const FileError& error, RestoreResult& result) {
    ++result.failed;
    m_env.sink.ReportProgress(0, path, QStringLiteral("错误") + QString::number(error.number), error.description,
                              Mark::Red);
}

void RestoreRunner::removeCreated(const BackupBatch& batch, const JournalEntry& entry, const RestoreRequest& request,
                                  RestoreResult& result) {
    const QString path = BackupCatalog::currentPath(batch, entry);
    const FileNow now = BackupCatalog::stateNow(batch, entry);
    if (now == FileNow::Missing) {
        m_env.sink.ReportProgress(0, path, QStringLiteral("完成"), QStringLiteral("文件已不存在"), Mark::Yellow);
        return;
    }
    if (!mayGoOn(request, path, now, result))
        return;
    // Retired into this restore's own batch (or the trash with backups off), so that undoing the
    // restore brings it back.
    FileError error;
    if (!JournalSteps::remove(m_env, batch.journal.header.folder, entry.name, &error))
        return failed(path, error, result);
    done(path, QStringLiteral("已删除这批建立的文件"), result);
}

void RestoreRunner::renameBack(const BackupBatch& batch, const QList<JournalEntry>& entries,
                               const RestoreRequest& request, RestoreResult& result) {
    const QString folder = batch.journal.header.folder;
    QList<RenameItem> items;
    for (const JournalEntry& entry : entries) {
        m_env.sink.processEvents();
        const QString path = folder + entry.newName;
        const FileNow now = BackupCatalog::stateNow(batch, entry);
        if (now == FileNow::Missing) {
            failed(path, FileError::fromErrno(ENOENT), result);
            continue;
        }
        if (mayGoOn(request, path, now, result))
            items.append({entry.newName, entry.name});
    }
    if (items.isEmpty())
        return;
    // The whole plan is checked and carried out at once, so that swaps and chains come back too.
    QString message = checkRenamePlan(folder, items);
    if (message.isEmpty() && executeRenamePlan(folder, items, &message)) {
        for (const RenameItem& item : items) {
            JournalSteps::renamed(m_env, folder, item.oldName, item.newName);
            done(folder + item.newName, QStringLiteral("恢复原名（原为 %1）").arg(item.oldName), result);
        }
        return;
    }
    for (const RenameItem& item : items)
        failed(folder + item.oldName, FileError::withText(EEXIST, message), result);
}

void RestoreRunner::copyBack(const BackupBatch& batch, const JournalEntry& entry, const RestoreRequest& request,
                             RestoreResult& result) {
    const QString folder = batch.journal.header.folder;
    const QString path = folder + entry.name;
    if (entry.backupName.isEmpty()) {
        failed(path, FileError::withText(ENOENT, QStringLiteral("这批没有这个文件的备份副本")), result);
        return;
    }
    const QString copy = batch.folder + entry.backupName;
    if (!FileState::of(copy).sameContent(entry.before)) {
        failed(path, FileError::withText(EIO, QStringLiteral("备份副本已缺失或已损坏")), result);
        return;
    }
    const FileNow now = BackupCatalog::stateNow(batch, entry);
    if (!mayGoOn(request, path, now, result))
        return;

    FileError error;
    const FileState current = FileState::of(path);
    if (current.exists && !BackUpFile(m_env, path, error))
        return failed(path, error, result);
    if (!FileOps::copyFile(copy, path, &error) || !FileBytes::setMode(path, entry.before.mode, &error))
        return failed(path, error, result);
    if (current.exists)
        JournalSteps::rewritten(m_env, folder, entry.name, current);
    else
        JournalSteps::written(m_env, folder, entry.name, current);
    done(path, QStringLiteral("已恢复备份内容"), result);
}
