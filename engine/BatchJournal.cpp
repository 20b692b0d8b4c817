#include "BatchJournal.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "platform/AtomicFile.h"
#include "platform/BackupLink.h"
#include "platform/Clock.h"
#include "platform/DurableWrites.h"
#include "platform/FileOps.h"

#include <cerrno>

namespace BatchJournal {
namespace {

// "000", "001", ... "999", "1000": at least three digits.
QString batchNumberText(qint32 number) {
    return QString::number(number).rightJustified(3, QLatin1Char('0'));
}

} // namespace

bool isKept(const JobEnv& env) {
    return isTrue(env.state.Settings.BackupOn);
}

void begin(JobEnv& env, const QString& command, const QString& folder) {
    end(env);
    AppState& state = env.state;
    state.BackupBatchOpen = false;
    state.BackupBatchFolder.clear();
    state.BatchCommand = command;
    state.BatchWorkFolder = folder;
    state.BatchStarted = env.clock.now();
    DurableWrites::begin();
    // What killed runs left half-written in the folder goes (files being written now are kept).
    if (!folder.isEmpty())
        AtomicFile::removeStaleTemporaries(folder);
}

bool folder(JobEnv& env, QString& batchFolder, FileError& error) {
    AppState& state = env.state;
    if (state.BackupBatchOpen && !state.BackupBatchFolder.isEmpty()) {
        batchFolder = state.BackupBatchFolder;
        return true;
    }

    const QDateTime now = env.clock.now();
    const QString hourFolder =
        AddBackslash(state.BackupFolder) + now.toString(QStringLiteral("yyyyMMdd-hh")) + QLatin1Char('/');
    // A missing backup folder is made first (its parent must be there: a folder on a drive that is
    // not mounted is not made elsewhere), so that one that cannot be made names its own cause (no
    // permission, say) rather than a missing parent. A folder another run made meanwhile is taken.
    const QString backupFolder = AddBackslash(state.BackupFolder);
    if (!FileOps::folderExists(backupFolder) && !FileOps::createFolder(backupFolder, &error) &&
        error.number != EEXIST)
        return false;
    // Two runs that start at once take turns at choosing their numbers; the hour folder the other one
    // made a moment ago is just as good.
    const BackupLink::FolderLock lock(state.BackupFolder);
    if (!FileOps::createFolder(hourFolder, &error)) {
        if (error.number != EEXIST || !FileOps::folderExists(hourFolder))
            return false;
        error = {};
    }

    for (qint32 number = 0;; ++number) {
        const QString candidate = hourFolder + batchNumberText(number);
        if (FileOps::exists(candidate))
            continue;
        if (!FileOps::createFolder(candidate, &error)) {
            // Taken between the look and the creation: try the next number.
            if (error.number == EEXIST)
                continue;
            return false;
        }
        const QString opened = candidate + QLatin1Char('/');
        BackupJournal::Header header;
        header.command = state.BatchCommand;
        header.folder = state.BatchWorkFolder;
        header.started = state.BatchStarted.isValid() ? state.BatchStarted : now;
        if (!BackupJournal::create(opened, header, &error))
            return false;
        state.BackupBatchNo = number;
        state.BackupBatchFolder = opened;
        state.BackupBatchOpen = true;
        batchFolder = opened;
        return true;
    }
}

namespace {

// The red row of a file whose journal line could not be written.
void reportJournalError(JobEnv& env, const QString& name, const FileError& error) {
    env.sink.ReportProgress(0, ResultRow::of(Outcome::Error, name, QStringLiteral("错误") + QString::number(error.number),
                                             QStringLiteral("备份日志无法写入：") + error.description,
                                             AddBackslash(env.state.BatchWorkFolder) + name));
}

} // namespace

void record(JobEnv& env, const JournalEntry& entry) {
    if (!isKept(env))
        return;
    QString batchFolder;
    FileError error;
    if (folder(env, batchFolder, error) && BackupJournal::append(batchFolder, entry, &error))
        return;
    reportJournalError(env, entry.name, error);
}

void withdraw(JobEnv& env, const QString& name, bool intended) {
    if (!intended || !isKept(env) || !env.state.BackupBatchOpen || env.state.BackupBatchFolder.isEmpty())
        return;
    FileError error;
    if (!BackupJournal::withdraw(env.state.BackupBatchFolder, name, &error))
        reportJournalError(env, name, error);
}

bool intend(JobEnv& env, const QString& name, const QString& backupName, const FileState& before, FileError& error) {
    if (!isKept(env))
        return true;
    QString batchFolder;
    return folder(env, batchFolder, error) && BackupJournal::intend(batchFolder, name, backupName, before, &error);
}

void end(JobEnv& env) {
    AppState& state = env.state;
    // Every file, backup copy and journal line of the batch reaches the disk before the journal says
    // that the batch ended; the window's events run meanwhile.
    FileError error;
    if (!DurableWrites::finish(&error, [&env] { env.sink.processEvents(); })) {
        env.sink.ReportProgress(0, ResultRow::of(Outcome::Error, state.BatchWorkFolder,
                                                 QStringLiteral("错误") + QString::number(error.number),
                                                 QStringLiteral("写入的数据未能存到磁盘上：") + error.description,
                                                 state.BatchWorkFolder));
    } else if (state.BackupBatchOpen && !state.BackupBatchFolder.isEmpty()) {
        BackupJournal::finish(state.BackupBatchFolder, env.clock.now());
    }
    state.BackupBatchOpen = false;
    state.BackupBatchFolder.clear();
}

} // namespace BatchJournal
