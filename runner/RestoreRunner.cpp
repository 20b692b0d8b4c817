#include "RestoreRunner.h"

#include "JournalSteps.h"
#include "RenamePlan.h"
#include "StopRows.h"
#include "core/AppState.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "engine/FileJob.h"
#include "platform/BackupLink.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/PathIdentity.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>

namespace {

using Action = JournalEntry::Action;

bool wanted(const QStringList& names, const JournalEntry& entry) {
    return names.isEmpty() || names.contains(entry.name) || (!entry.newName.isEmpty() && names.contains(entry.newName));
}

bool holds(const QList<JournalEntry>& entries, const QString& name) {
    for (const JournalEntry& entry : entries) {
        if (entry.name == name || entry.newName == name)
            return true;
    }
    return false;
}

// True when the renamed file already has its old name back: its old name holds its content, and its
// new name is free or is the old name of another file of the same rename (a swap or a chain).
bool hasOldName(const QString& folder, const QList<JournalEntry>& renames, const JournalEntry& entry) {
    if (!FileState::of(folder + entry.name).sameContent(entry.after))
        return false;
    if (!FileOps::exists(folder + entry.newName))
        return true;
    return std::any_of(renames.begin(), renames.end(),
                       [&](const JournalEntry& other) { return other.name == entry.newName; });
}

// The content entries that reach one file by more than one name (a link and its target, both named in
// the batch) become one, kept under the name of its first change: its state before and backup copy
// from there, its state after from its last change, so that the file comes back to its state before
// the first whatever name restore takes first.
QList<JournalEntry> oneEntryPerFile(const QString& folder, const QList<JournalEntry>& files) {
    QList<JournalEntry> merged;
    QHash<QString, qsizetype> at;
    for (const JournalEntry& entry : files) {
        const QString key = PathIdentity::keyOf(folder + entry.name);
        const auto seen = at.constFind(key);
        if (seen == at.constEnd()) {
            at.insert(key, merged.size());
            merged.append(entry);
            continue;
        }
        JournalEntry& file = merged[*seen];
        file.after = entry.after;
        file.finished = entry.finished;
        if (entry.action == Action::Deleted)
            file.action = Action::Deleted;
        else
            file.action = file.before.exists ? Action::Rewritten : Action::Created;
    }
    return merged;
}

// The name under which the batch journalled the file of the identity `key` (PathIdentity), now in
// `folder` (the batch went through a link to it, say); "" when it journalled no name of that file.
QString nameReaching(const QList<JournalEntry>& entries, const QString& folder, const QString& key) {
    for (const JournalEntry& entry : entries) {
        const QString now = entry.action == Action::Renamed ? entry.newName : entry.name;
        if (PathIdentity::keyOf(folder + now) == key)
            return entry.name;
    }
    return QString();
}

QString withSlash(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

QString RestoreRunner::folderOf(const BackupBatch& batch, const RestoreRequest& request) const {
    return request.folder.isEmpty() ? batch.journal.header.folder : withSlash(request.folder);
}

// The names asked for, as the batch knows them: a path in the batch's folder stands for its name, and
// a name or path reaching a journalled file another way (the target of a link the batch went through)
// for that file's name. A name the batch does not hold and a path elsewhere are red rows; false when
// nothing is left to do.
bool RestoreRunner::takeNames(const BackupBatch& batch, const RestoreRequest& request, QStringList& names,
                              RestoreResult& result) {
    const QString folder = batch.journal.header.folder;
    for (const QString& asked : request.names) {
        const QString path = asked.contains(u'/') ? FileName::absolutePath(asked) : folder + asked;
        const qsizetype slash = path.lastIndexOf(u'/');
        const bool inFolder = path.left(slash + 1) == folder;
        QString name = path.mid(slash + 1);
        if (!inFolder || !holds(batch.journal.entries, name))
            name = nameReaching(batch.journal.entries, folder, PathIdentity::keyOf(path));
        if (name.isEmpty()) {
            failed(asked, path,
                   FileError::withText(
                       ENOENT, inFolder
                                   ? QCoreApplication::translate("RestoreRunner", "这批没有这个文件")
                                   : QCoreApplication::translate("RestoreRunner", "不在这批的文件夹中：") + folder),
                   result);
            continue;
        }
        names.append(name);
    }
    return request.names.isEmpty() || !names.isEmpty();
}

namespace {

// A file changed since the batch, left as it is.
ResultRow changedSinceRow(const QString& path) {
    return ResultRow::of(Outcome::Skipped, path, QCoreApplication::translate("RestoreRunner", "跳过"),
                         QCoreApplication::translate("RestoreRunner", "文件在这批之后已被更改"), path);
}

} // namespace

RestoreResult RestoreRunner::run(const RestoreRequest& request) {
    RestoreResult result;
    ProgressSink& sink = m_env.sink;
    const std::optional<BackupBatch> batch = BackupCatalog::find(
        request.backupFolder.isEmpty() ? m_env.state.BackupFolder : request.backupFolder, request.batchId);
    // A run killed the moment it opened its batch folder, before its journal was there, changed
    // nothing: every change is journalled before it is made. Its empty folder has nothing to undo.
    if (batch && !batch->journal.present && batch->copies.isEmpty()) {
        sink.ReportProgress(0, ResultRow::about(Outcome::Done, request.batchId,
                                                QCoreApplication::translate("RestoreRunner", "完成"),
                                                QCoreApplication::translate("RestoreRunner", "这批没有改动任何文件")));
        sink.complete();
        return result;
    }
    if (!batch || !batch->journal.present || batch->journal.header.folder.isEmpty()) {
        result.found = false;
        sink.ReportProgress(
            0, ResultRow::about(
                   Outcome::Refused, request.batchId, QCoreApplication::translate("RestoreRunner", "未完成"),
                   batch ? QCoreApplication::translate("RestoreRunner", "这批备份没有日志，不知道文件原来的位置")
                         : QCoreApplication::translate("RestoreRunner", "没有这批备份")));
        sink.complete();
        return result;
    }
    // A batch still at work holds its journal: undoing the files it has done so far would leave the
    // rest to be done after the restore. One whose process died holds nothing and is restored.
    if (!batch->journal.header.ended.isValid() &&
        BackupLink::JournalLock::isHeld(batch->folder + BackupJournal::JournalName)) {
        ++result.failed;
        sink.ReportProgress(
            0,
            ResultRow::about(Outcome::Refused, request.batchId, QCoreApplication::translate("RestoreRunner", "未完成"),
                             QCoreApplication::translate("RestoreRunner", "这批还在进行中，请等它完成后再恢复")));
        sink.complete();
        return result;
    }
    // A damaged journal may hide changes it no longer tells of: each fault is a red row, and what can
    // be read is still restored.
    for (const QString& damage : batch->journal.damage)
        failed(request.batchId, QString(), FileError::withText(EIO, damage), result);
    // A batch killed right after its journal opened changed nothing: every change is announced first.
    if (batch->journal.entries.isEmpty() && batch->journal.rejected.isEmpty()) {
        if (batch->journal.damage.isEmpty())
            done(request.batchId, QCoreApplication::translate("RestoreRunner", "这批没有改动任何文件"), result);
        sink.complete();
        return result;
    }
    QStringList names;
    const bool anything = takeNames(*batch, request, names, result);
    if (request.names.isEmpty()) {
        for (const QString& rejected : batch->journal.rejected)
            // A name that is no plain name names no file.
            failed(rejected, QString(),
                   FileError::withText(EINVAL,
                                       QCoreApplication::translate("RestoreRunner", "日志中的文件名不可信，未恢复")),
                   result);
    }
    if (!anything) {
        sink.complete();
        return result;
    }

    const QString folder = folderOf(*batch, request);
    QList<JournalEntry> renames;
    QList<JournalEntry> files;
    for (const JournalEntry& entry : batch->journal.entries) {
        if (entry.action == Action::Renamed && wanted(names, entry))
            renames.append(entry);
    }
    // A file asked for by one of its names is restored whole, whichever name its entry keeps.
    QSet<QString> askedFiles;
    for (const QString& name : names)
        askedFiles.insert(PathIdentity::keyOf(folder + name));
    QList<JournalEntry> leftNothing;
    for (const JournalEntry& entry : oneEntryPerFile(folder, BackupCatalog::firstToLast(batch->journal.entries))) {
        if (!wanted(names, entry) && !askedFiles.contains(PathIdentity::keyOf(folder + entry.name)))
            continue;
        (BackupCatalog::leftNothing(entry) ? leftNothing : files).append(entry);
    }
    // A file the batch made and took away again is never touched; it is named only when asked for.
    if (!request.names.isEmpty()) {
        for (const JournalEntry& entry : leftNothing)
            done(folder + entry.name, QCoreApplication::translate("RestoreRunner", "这批建立后又已删除，无需恢复"),
                 result);
    }

    if (request.dryRun) {
        for (const JournalEntry& entry : renames + files)
            preview(folder, entry, request, result);
        sink.complete();
        return result;
    }

    // One restore of a batch at a time: a second one at once would read files the first is changing.
    const BackupLink::FolderLock restoring(batch->folder, BackupLink::FolderLock::Wait::No);
    if (!restoring.isHeld()) {
        failed(request.batchId, QString(),
               FileError::withText(EAGAIN, QCoreApplication::translate("RestoreRunner", "这批正在恢复中，请等它完成")),
               result);
        sink.complete();
        return result;
    }
    BatchJournal::begin(m_env, QStringLiteral("restore ") + batch->id, folder);
    for (const JournalEntry& entry : files) {
        if (!entry.before.exists) {
            sink.processEvents();
            removeCreated(folder, entry, request, result);
        }
    }
    renameBack(folder, renames, request, result);
    for (const JournalEntry& entry : files) {
        if (entry.before.exists) {
            sink.processEvents();
            copyBack(*batch, folder, entry, request, result);
        }
    }
    BatchJournal::end(m_env);
    sink.complete();
    return result;
}

// True when the file already is as it was before the batch: its content and permission bits, or
// nothing at its name for a file the batch created.
bool RestoreRunner::isAtStart(const QString& folder, const JournalEntry& entry) const {
    const QString path = folder + entry.name;
    if (!entry.before.exists)
        return !FileOps::exists(path);
    const FileState now = FileState::of(path);
    return now.sameContent(entry.before) && (now.mode & 0777) == (entry.before.mode & 0777);
}

void RestoreRunner::preview(const QString& folder, const JournalEntry& entry, const RestoreRequest& request,
                            RestoreResult& result) {
    const QString path = BackupCatalog::currentPath(folder, entry);
    const FileNow now = BackupCatalog::stateNow(folder, entry);
    if (now == FileNow::Changed && request.changed == RestoreRequest::Changed::Skip) {
        ++result.skipped;
        m_env.sink.ReportProgress(0, changedSinceRow(path));
        return;
    }
    QString reason;
    if (entry.action == Action::Renamed)
        reason = QCoreApplication::translate("RestoreRunner", "将恢复原名 ") + entry.name;
    else if (isAtStart(folder, entry))
        reason = QCoreApplication::translate("RestoreRunner", "不会改变：文件已是这批之前的状态");
    else if (!entry.before.exists)
        reason = QCoreApplication::translate("RestoreRunner", "将删除这批建立的文件");
    else
        reason = entry.backupName.isEmpty() ? QCoreApplication::translate("RestoreRunner", "这批没有这个文件的备份副本")
                                            : QCoreApplication::translate("RestoreRunner", "将恢复备份内容");
    if (now == FileNow::Changed)
        reason += QCoreApplication::translate("RestoreRunner", "（文件在这批之后已被更改）");
    ++result.restored;
    m_env.sink.ReportProgress(
        0, ResultRow::of(Outcome::Preview, path, QCoreApplication::translate("RestoreRunner", "预览"), reason, path));
}

bool RestoreRunner::mayGoOn(const RestoreRequest& request, const QString& path, FileNow now, RestoreResult& result) {
    if (now != FileNow::Changed || request.changed == RestoreRequest::Changed::Overwrite)
        return true;
    // The question promises a backup of the current content only when one will be made.
    const QString question =
        QCoreApplication::translate("RestoreRunner", "文件 %1 在这批之后已被更改。") + QStringLiteral("\r\n") +
        (BatchJournal::isKept(m_env)
             ? QCoreApplication::translate("RestoreRunner", "仍要恢复吗？（现在的内容会先备份）")
             : QCoreApplication::translate("RestoreRunner", "仍要恢复吗？（备份已关闭，现在的内容不会备份）"));
    if (request.changed == RestoreRequest::Changed::Ask &&
        m_env.prompt.askYesNo(QCoreApplication::translate("RestoreRunner", "恢复"), question.arg(path)))
        return true;
    ++result.skipped;
    m_env.sink.ReportProgress(0, changedSinceRow(path));
    return false;
}

void RestoreRunner::done(const QString& path, const QString& reason, RestoreResult& result) {
    ++result.restored;
    m_env.sink.ReportProgress(
        0, ResultRow::of(Outcome::Done, path, QCoreApplication::translate("RestoreRunner", "完成"), reason, path));
}

void RestoreRunner::failed(const QString& path, const FileError& error, RestoreResult& result) {
    failed(path, path, error, result);
}

void RestoreRunner::failed(const QString& text, const QString& file, const FileError& error, RestoreResult& result) {
    ++result.failed;
    m_env.sink.ReportProgress(0, fileErrorRow(text, file, error));
}

void RestoreRunner::removeCreated(const QString& folder, const JournalEntry& entry, const RestoreRequest& request,
                                  RestoreResult& result) {
    const QString path = folder + entry.name;
    BackupLink::FileHold hold;
    FileError error;
    if (!hold.take(path, &error))
        return failed(path, error, result);
    if (isAtStart(folder, entry)) {
        m_env.sink.ReportProgress(0, ResultRow::of(Outcome::Note, path,
                                                   QCoreApplication::translate("RestoreRunner", "完成"),
                                                   QCoreApplication::translate("RestoreRunner", "文件已不存在"), path));
        return;
    }
    // Only the very file the batch made goes: one whose content is not what the batch left (the
    // user's since, or any file a damaged or planted journal names) is never taken away, whatever
    // the request says about changed files.
    const FileNow now = BackupCatalog::stateNow(folder, entry);
    if (now == FileNow::Changed) {
        RestoreRequest asking = request;
        if (asking.changed == RestoreRequest::Changed::Overwrite)
            asking.changed = RestoreRequest::Changed::Skip;
        if (!mayGoOn(asking, path, now, result))
            return;
    }
    // Retired into this restore's own batch (or the trash with backups off), so that undoing the
    // restore brings it back.
    if (!JournalSteps::remove(m_env, folder, entry.name, &error))
        return failed(path, error, result);
    done(path, QCoreApplication::translate("RestoreRunner", "已删除这批建立的文件"), result);
}

void RestoreRunner::renameBack(const QString& folder, const QList<JournalEntry>& entries, const RestoreRequest& request,
                               RestoreResult& result) {
    QList<RenameItem> items;
    for (const JournalEntry& entry : entries) {
        m_env.sink.processEvents();
        const QString path = folder + entry.newName;
        if (hasOldName(folder, entries, entry)) {
            done(folder + entry.name, QCoreApplication::translate("RestoreRunner", "文件已是这批之前的名字"), result);
            continue;
        }
        const FileNow now = BackupCatalog::stateNow(folder, entry);
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
            done(folder + item.newName,
                 QCoreApplication::translate("RestoreRunner", "恢复原名（原为 %1）").arg(item.oldName), result);
        }
        return;
    }
    for (const RenameItem& item : items)
        failed(folder + item.oldName, FileError::withText(EEXIST, message), result);
}

void RestoreRunner::copyBack(const BackupBatch& batch, const QString& folder, const JournalEntry& entry,
                             const RestoreRequest& request, RestoreResult& result) {
    const QString path = folder + entry.name;
    // Held like a job holds the file it rewrites: a batch of another run working on it now is a red
    // row here, and one that replaced it meanwhile keeps its content (the check before the rename).
    BackupLink::FileHold hold;
    FileError error;
    if (!hold.take(path, &error))
        return failed(path, error, result);
    if (isAtStart(folder, entry))
        return done(path, QCoreApplication::translate("RestoreRunner", "文件已是这批之前的内容"), result);
    if (entry.backupName.isEmpty()) {
        failed(path,
               FileError::withText(ENOENT, QCoreApplication::translate("RestoreRunner", "这批没有这个文件的备份副本")),
               result);
        return;
    }
    if (!mayGoOn(request, path, BackupCatalog::stateNow(folder, entry), result))
        return;

    // The current content is put aside and the line of intent written before it is replaced, as any
    // batch does; a file that is not there now is about to be created.
    IntendedChange intended;
    if (FileOps::exists(path)) {
        if (!BackUpBeforeReplace(m_env, path, path, nullptr, &intended)(error)) {
            ++result.failed;
            return;
        }
    } else if (!IntendToCreate(m_env, folder, entry.name, path, intended)) {
        ++result.failed;
        return;
    }
    // A link the batch moved away comes back as the link it was.
    const bool restored = BackupLink::isLink(batch.folder, entry.backupName)
                              ? BackupLink::putBackLink(batch.folder, entry.backupName, path, &error)
                              : BackupLink::restoreInto(batch.folder, entry.backupName, path, entry.before.mode,
                                                        entry.before.sha256, &error, &hold);
    if (!restored) {
        BatchJournal::withdraw(m_env, entry.name, intended.intended);
        return failed(path, error, result);
    }
    JournalSteps::written(m_env, folder, entry.name, intended);
    done(path, QCoreApplication::translate("RestoreRunner", "已恢复备份内容"), result);
}
