#include "Backups.h"

#include "BatchJournal.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "platform/BackupLink.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"

#include <QRegularExpression>
#include <cerrno>

namespace {

// The numbered backup folder of the running batch, opened (with its journal) by the first file the
// batch puts aside.
bool batchFolder(JobEnv& env, QString& folder, FileError& error) {
    return BatchJournal::folder(env, folder, error);
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
    return intoBatchFolder(env, path, error, copyPath, [&](const QString& target) {
        return BackupLink::keepAside(path, target, nullptr, &error, progress);
    });
}

bool RetireFile(JobEnv& env, const QString& path, const FileState& before, FileError& error, QString* keptPath) {
    if (!FileOps::exists(path)) {
        error = FileError::fromErrno(ENOENT);
        return false;
    }
    if (isTrue(env.state.Settings.BackupOn)) {
        return intoBatchFolder(env, path, error, keptPath, [&](const QString& target) {
            // The line of intent names the copy before the file moves there, so that a kill between the
            // move and the journal's line of the deletion leaves a journal that brings the file back.
            if (FileOps::exists(target)) {
                error = FileError::fromErrno(EEXIST);
                return false;
            }
            if (!BatchJournal::intend(env, fileNameOf(path), fileNameOf(target), before, error))
                return false;
            if (FileOps::renameNoReplace(path, target, &error))
                return true;
            if (error.number != EXDEV)
                return false;
            return FileOps::moveByCopy(path, target, &error);
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
