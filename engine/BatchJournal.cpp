#include "BatchJournal.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "platform/AtomicFile.h"
#include "platform/BackupLink.h"
#include "platform/Clock.h"
#include "platform/DurableWrites.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"

#include <QCoreApplication>
#include <QDir>

#include <QHash>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>

namespace BatchJournal {
namespace {

// "000", "001", ... "999", "1000": at least three digits.
QString batchNumberText(qint32 number) {
    return QString::number(number).rightJustified(3, QLatin1Char('0'));
}

// The file in the app folder holding the last batch number given: "yyyyMMdd-hh/NNN".
QString lastBatchFile(const AppState& state) {
    return (state.AppFolder.isEmpty() ? AddBackslash(state.BackupFolder) : state.AppFolder) +
           QStringLiteral("last-batch.txt");
}

// The first number to try in the hour folder `hour`: one past the last given in that hour.
qint32 nextNumber(const AppState& state, const QString& hour) {
    QByteArray last;
    if (!FileBytes::read(lastBatchFile(state), last, 64))
        return 0;
    const QList<QByteArray> parts = last.trimmed().split('/');
    bool ok = false;
    const qint32 number = parts.size() == 2 && parts.at(0) == hour.toLatin1() ? parts.at(1).toInt(&ok) : -1;
    return ok && number >= 0 ? number + 1 : 0;
}

// The batch's last row, when it moved files into its folder (deleted sources, say): how many, and
// that they wait there for a restore.
void reportMoved(JobEnv& env) {
    const AppState& state = env.state;
    // A restore's own rows already say which files it took away.
    if (state.BatchCommand.startsWith(QLatin1String("restore ")))
        return;
    const BackupJournal::Contents journal = BackupJournal::read(state.BackupBatchFolder);
    const qsizetype moved = std::count_if(journal.entries.begin(), journal.entries.end(), [](const JournalEntry& e) {
        return e.action == JournalEntry::Action::Deleted && !e.backupName.isEmpty();
    });
    if (moved == 0)
        return;
    const QString id = state.BackupBatchFolder.section(u'/', -3, -2);
    env.sink.ReportProgress(
        0,
        ResultRow::about(Outcome::Note, QCoreApplication::translate("BatchJournal", "%1 个源文件已移入备份").arg(moved),
                         QString(), QCoreApplication::translate("BatchJournal", "撤销这批即可取回（%1）").arg(id)));
}

// Keeps the batch number just given. Not synced: after a power cut the number may be given again only
// where its batch folder was lost too, and an existing folder is never taken.
void rememberNumber(const AppState& state, const QString& id) {
    AtomicFile file;
    const QByteArray bytes = id.toUtf8() + '\n';
    if (file.open(FileName::encode(lastBatchFile(state)), 0644) &&
        FileOps::writeAll(file.fd(), bytes.constData(), bytes.size()))
        file.commit(AtomicFile::Mode::Replace, FileSync::Never);
}

// The journal locks of the batches running in this process, by batch folder: each is held from the
// moment its journal is made until the batch ends, so that a restore refuses a batch still at work.
std::mutex runningMutex;
QHash<QString, std::shared_ptr<BackupLink::JournalLock>>& runningBatches() {
    static QHash<QString, std::shared_ptr<BackupLink::JournalLock>> locks;
    return locks;
}

void markRunning(const QString& batchFolder) {
    const std::lock_guard<std::mutex> guard(runningMutex);
    // A batch of this folder that never ended (its run stopped without ending it) lets go first.
    runningBatches().remove(batchFolder);
    runningBatches().insert(batchFolder,
                            std::make_shared<BackupLink::JournalLock>(batchFolder + BackupJournal::JournalName));
}

void markEnded(const QString& batchFolder) {
    const std::lock_guard<std::mutex> guard(runningMutex);
    runningBatches().remove(batchFolder);
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

namespace {

bool openFolder(JobEnv& env, QString& batchFolder, FileError& error);

} // namespace

bool folder(JobEnv& env, QString& batchFolder, FileError& error) {
    AppState& state = env.state;
    if (state.BackupBatchOpen && !state.BackupBatchFolder.isEmpty()) {
        batchFolder = state.BackupBatchFolder;
        return true;
    }
    if (openFolder(env, batchFolder, error))
        return true;
    // The row is about the user's file, which is left as it was; its reason names the backup folder
    // and the cause, so that the user knows what to mend.
    error =
        FileError::withText(error.number, QCoreApplication::translate("BatchJournal", "备份文件夹 %1 无法建立：%2")
                                              .arg(QDir::toNativeSeparators(state.BackupFolder), error.description));
    return false;
}

namespace {

bool openFolder(JobEnv& env, QString& batchFolder, FileError& error) {
    AppState& state = env.state;

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

    // Numbers are never given twice, also after a batch was deleted: the last one given is kept in the
    // app folder.
    const QString hour = now.toString(QStringLiteral("yyyyMMdd-hh"));
    for (qint32 number = nextNumber(state, hour);; ++number) {
        const QString candidate = hourFolder + batchNumberText(number);
        if (FileOps::exists(candidate))
            continue;
        // The number is kept before its folder is made: a run killed between the two leaves a gap in
        // the numbers, never a folder whose number the next batch could be given after it is deleted.
        rememberNumber(state, hour + u'/' + batchNumberText(number));
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
        markRunning(opened);
        state.BackupBatchNo = number;
        state.BackupBatchFolder = opened;
        state.BackupBatchOpen = true;
        batchFolder = opened;
        return true;
    }
}

// The red row of a file whose journal line could not be written.
void reportJournalError(JobEnv& env, const QString& name, const FileError& error) {
    env.sink.ReportProgress(
        0, ResultRow::of(Outcome::Error, name,
                         QCoreApplication::translate("BatchJournal", "错误") + QString::number(error.number),
                         QCoreApplication::translate("BatchJournal", "备份日志无法写入：") + error.description,
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
        env.sink.ReportProgress(
            0,
            ResultRow::of(Outcome::Error, state.BatchWorkFolder,
                          QCoreApplication::translate("BatchJournal", "错误") + QString::number(error.number),
                          QCoreApplication::translate("BatchJournal", "写入的数据未能存到磁盘上：") + error.description,
                          state.BatchWorkFolder));
    } else if (state.BackupBatchOpen && !state.BackupBatchFolder.isEmpty()) {
        BackupJournal::finish(state.BackupBatchFolder, env.clock.now());
        reportMoved(env);
    }
    // Ended, or left without its end after a failed sync: either way no longer running.
    if (!state.BackupBatchFolder.isEmpty())
        markEnded(state.BackupBatchFolder);
    state.BackupBatchOpen = false;
    state.BackupBatchFolder.clear();
}

} // namespace BatchJournal
