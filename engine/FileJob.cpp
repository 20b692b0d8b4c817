#include "FileJob.h"

#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "core/WorkPulse.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"

#include <cerrno>

namespace {

const QString OverwriteTitle = QStringLiteral("覆盖文件");
const QString TargetExists = QStringLiteral("文件已存在");

// "000", "001", ... "999", "1000": at least three digits.
QString batchNumberText(qint32 number) {
    return QString::number(number).rightJustified(3, QLatin1Char('0'));
}

// The numbered backup folder of the running batch; the first backup of a batch opens the lowest
// number not yet taken in the current hour folder. The batch keeps the whole path, so a batch that
// runs across the full hour keeps backing up into the folder it opened.
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
            // Taken between the look and the creation: try the next number.
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

bool prepareInPlace(JobEnv& env, const QString& folder, const QString& name, FileError& error,
                    const ReadProgress& progress) {
    AppState& state = env.state;
    const QString source = folder + name;

    // Only the entry itself is removed: whatever a planted link points to stays untouched.
    if (FileOps::exists(state.TempFile) && !FileOps::removeFile(state.TempFile, &error))
        return false;
    if (!FileOps::resetAttributes(source, &error))
        return false;
    if (!FileOps::copyFile(source, state.TempFile, &error, progress))
        return false;

    if (!isTrue(state.Settings.BackupOn))
        return true;
    QString backupFolder;
    if (!batchFolder(env, backupFolder, error))
        return false;
    return FileOps::copyFile(source, backupFolder + name, &error, progress);
}

enum class Go { Yes, Refused, Failed };

// The existing target stays where it is until the transformation commits its replacement, which
// happens atomically: a job that fails later leaves the user's old file intact.
Go prepareNewTarget(JobEnv& env, const QString& folder, const QString& sourceName, const QString& targetName,
                    FileError& error) {
    const QString target = folder + targetName;
    if (!FileOps::exists(target))
        return Go::Yes;

    const QString question = QStringLiteral("请注意，文件 ") + targetName + QStringLiteral("已存在！是否覆盖该文件？");
    if (!env.prompt.askYesNo(OverwriteTitle, question)) {
        env.sink.ReportProgress(0, sourceName, QStringLiteral("用户中止"), TargetExists, Mark::Yellow);
        return Go::Refused;
    }
    // A dangling link has nothing to make writable; the writer creates the file it names.
    if (!FileOps::resetAttributes(target, &error) && error.number != ENOENT)
        return Go::Failed;
    error = {};
    env.sink.ReportProgress(0, sourceName, QStringLiteral("覆盖原有文件"), TargetExists, Mark::Yellow);
    return Go::Yes;
}

} // namespace

bool BeginFileJob(JobEnv& env, const QString& sourceName, const QString& targetName, const QString& folder,
                  WorkPulse* pulse) {
    const QString dir = AddBackslash(folder);
    FileError error;
    Go go = Go::Failed;
    // The copies run before the bar's share of the file: they keep the windows alive without moving it.
    ReadProgress progress;
    if (pulse)
        progress = [pulse](qint64 done, qint64) {
            return pulse->beat(done, 0);
        };
    if (sourceName == targetName)
        go = prepareInPlace(env, dir, sourceName, error, progress) ? Go::Yes : Go::Failed;
    else
        go = prepareNewTarget(env, dir, sourceName, targetName, error);

    // A stop is no error of the file's: the caller's row tells of it (the pulse knows).
    if (go == Go::Failed && error.isStopped())
        return false;
    if (go == Go::Failed) {
        env.sink.ReportProgress(0, sourceName, QStringLiteral("错误") + QString::number(error.number),
                                error.description, Mark::Red);
        return false;
    }
    PromoteRecentFolder(env.state, dir);
    return go == Go::Yes;
}
