#include "Backups.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"

#include <QRegularExpression>
#include <cerrno>

namespace {

// "000", "001", ... "999", "1000": at least three digits.
QString batchNumberText(qint32 number) {
    return QString::number(number).rightJustified(3, QLatin1Char('0'));
}

// The numbered backup folder of the running batch; the first backup of a batch opens the lowest
// number not yet taken in the current hour folder.
bool batchFolder(JobEnv& env, QString& folder, FileError& error) {
    AppState& state = env.state;
    if (state.BackupBatchOpen && !state.BackupBatchFolder.isEmpty()) {
        folder = state.BackupBatchFolder;
        return true;
    }

    const QString hourFolder =
        AddBackslash(state.BackupFolder) + env.clock.now().toString(QStringLiteral("yyyyMMdd-hh")) + QLatin1Char('/');
    if (!FileOps::folderExists(hourFolder) && !FileOps::createFolder(hourFolder, &error))
        return false;

    for (qint32 number = 0;; ++number) {
        const QString candidate = hourFolder + batchNumberText(number);
        if (FileOps::exists(candidate))
            continue;
        if (!FileOps::createFolder(candidate, &error)) {
            // Taken between the look and the creation (another run of the program): try the next.
            if (error.number == EEXIST)
                continue;
            return false;
        }
        state.BackupBatchNo = number;
        state.BackupBatchFolder = candidate + QLatin1Char('/');
        state.BackupBatchOpen = true;
        folder = state.BackupBatchFolder;
        return true;
    }
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Puts the file at `path` into the batch folder under its own name or, when that is taken, the first
// free "name~N"; `place` does the copying or moving and fails with EEXIST on a taken name.
template <typename Place>
bool intoBatchFolder(JobEnv& env, const QString& path, FileError& error, QString* placedAt, Place place) {
    QString folder;
    if (!batchFolder(env, folder, error))
        return false;
    const QString name = fileNameOf(path);
    for (int n = 1;; ++n) {
        const QString candidate = folder + (n == 1 ? name : name + QLatin1Char('~') + QString::number(n));
        error = {};
        if (place(candidate)) {
            if (placedAt)
                *placedAt = candidate;
            return true;
        }
        if (error.number != EEXIST)
            return false;
    }
}

} // namespace

bool OpenBackupBatch(JobEnv& env, FileError& error) {
    QString folder;
    return batchFolder(env, folder, error);
}

bool BackUpFile(JobEnv& env, const QString& path, FileError& error, QString* copyPath, const ReadProgress& progress) {
    if (!isTrue(env.state.Settings.BackupOn))
        return true;
    return intoBatchFolder(env, path, error, copyPath,
                           [&](const QString& target) { return FileOps::copyFileNew(path, target, &error, progress); });
}

bool RetireFile(JobEnv& env, const QString& path, FileError& error, QString* keptPath) {
    if (!FileOps::exists(path)) {
        error = FileError::fromErrno(ENOENT);
        return false;
    }
    if (isTrue(env.state.Settings.BackupOn)) {
        return intoBatchFolder(env, path, error, keptPath, [&](const QString& target) {
            if (FileOps::renameNoReplace(path, target, &error))
                return true;
            if (error.number != EXDEV)
                return false;
            return FileOps::copyFileNew(path, target, &error) && FileOps::removeFile(path, &error);
        });
    }
    if (FileOps::moveToTrash(path, &error))
        return true;
    // Only where there is no trash at all is the deletion for good.
    if (error.number != EOPNOTSUPP)
        return false;
    error = {};
    return FileOps::removeFile(path, &error);
}

bool ClearBackups(const QString& backupFolder, FileError& error) {
    static const QRegularExpression hourName(QStringLiteral("^[0-9]{8}-[0-9]{2}$"));
    static const QRegularExpression batchName(QStringLiteral("^[0-9]{3,}$"));
    const QString root = AddBackslash(backupFolder);
    bool ok = true;
    for (const QString& hour : FileOps::subfolders(root)) {
        if (!hourName.match(hour).hasMatch())
            continue;
        const QString hourFolder = root + hour + QLatin1Char('/');
        for (const QString& batch : FileOps::subfolders(hourFolder)) {
            if (batchName.match(batch).hasMatch() && !FileOps::removeTree(hourFolder + batch, &error))
                ok = false;
        }
        // An hour folder that holds anything else stays, with what it holds.
        FileError notEmpty;
        FileOps::removeFolder(hourFolder, &notEmpty);
    }
    return ok;
}
