#include "FileJob.h"

#include "Backups.h"
#include "BatchJournal.h"
#include "core/AppState.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "core/Prompt.h"
#include "core/WorkPulse.h"
#include "platform/BackupLink.h"
#include "platform/FileOps.h"

#include <QCoreApplication>
#include <QDir>

#include <cerrno>

namespace {

// Words of the rows and the question, read when they are shown: the windows' face translates them.
QString overwriteTitle() {
    return QCoreApplication::translate("FileJob", "覆盖文件");
}
QString targetExists() {
    return QCoreApplication::translate("FileJob", "文件已存在");
}
QString overwriteStatus() {
    return QCoreApplication::translate("FileJob", "覆盖原有文件");
}

// A file the user may not write is left as it is (never made writable): a red row.
bool prepareInPlace(const QString& folder, const QString& name, FileError& error) {
    return FileOps::mayRewrite(folder + name, &error);
}

void reportError(JobEnv& env, const QString& text, const QString& file, const FileError& error) {
    env.sink.ReportProgress(
        0, ResultRow::of(Outcome::Error, text,
                         QCoreApplication::translate("FileJob", "错误") + QString::number(error.number),
                         error.description, file));
}

enum class Go { Yes, Refused, Failed };

// The file a job's rows are about: its source, named in `folder` or by its full path (the split and the
// e-book name the file they write).
QString sourcePath(const QString& folder, const QString& sourceName) {
    return QDir::isAbsolutePath(sourceName) ? sourceName : folder + sourceName;
}

// The existing target stays where it is until the transformation commits its replacement, which
// happens atomically: a job that fails later leaves the user's old file intact.
Go prepareNewTarget(JobEnv& env, const QString& folder, const QString& sourceName, const QString& targetName,
                    FileError& error) {
    const QString target = folder + targetName;
    if (!FileOps::exists(target))
        return Go::Yes;

    // A target the user may not write is not offered for overwriting. A dangling link names no file
    // yet; the writer creates the file it names.
    if (!FileOps::mayRewrite(target, &error) && error.number != ENOENT)
        return Go::Failed;
    error = {};
    const QString question =
        QCoreApplication::translate("FileJob", "请注意，文件 %1已存在！是否覆盖该文件？").arg(targetName);
    if (!env.prompt.askYesNo(overwriteTitle(), question)) {
        env.sink.ReportProgress(0, ResultRow::of(Outcome::Asked, sourceName,
                                                 QCoreApplication::translate("FileJob", "用户中止"), targetExists(),
                                                 sourcePath(folder, sourceName)));
        return Go::Refused;
    }
    env.sink.ReportProgress(
        0, ResultRow::of(Outcome::Note, sourceName, overwriteStatus(), targetExists(), sourcePath(folder, sourceName)));
    return Go::Yes;
}

} // namespace

bool IsOverwriteNote(const ResultRow& row) {
    return row.outcome == Outcome::Note && row.status == overwriteStatus() && row.reason == targetExists();
}

bool BeginFileJob(JobEnv& env, const QString& sourceName, const QString& targetName, const QString& folder) {
    const QString dir = AddBackslash(folder);
    FileError error;
    Go go = Go::Failed;
    if (sourceName == targetName)
        go = prepareInPlace(dir, sourceName, error) ? Go::Yes : Go::Failed;
    else
        go = prepareNewTarget(env, dir, sourceName, targetName, error);

    if (go == Go::Failed) {
        reportError(env, sourceName, sourcePath(dir, sourceName), error);
        return false;
    }
    PromoteRecentFolder(env.state, dir);
    return go == Go::Yes;
}

std::function<bool(FileError& error)> BackUpBeforeReplace(JobEnv& env, const QString& path, const QString& rowText,
                                                          WorkPulse* pulse, IntendedChange* intended) {
    const int modeAtStart = BatchJournal::isKept(env) ? BackupLink::permissionBits(path) : -1;
    return [&env, path, rowText, pulse, intended, modeAtStart](FileError& error) {
        // The copy runs before the bar's share of the file: it keeps the windows alive without moving it.
        ReadProgress progress;
        if (pulse)
            progress = [pulse](qint64 done, qint64) {
                return pulse->beat(done, 0);
            };
        IntendedChange change;
        change.intended = true;
        if (BatchJournal::isKept(env)) {
            change.before = FileState::of(path);
            if (modeAtStart >= 0)
                change.before.mode = uint(modeAtStart);
        }
        QString copyPath;
        if (BackUpFile(env, path, error, &copyPath, progress)) {
            change.backupName = copyPath.mid(copyPath.lastIndexOf(u'/') + 1);
            if (BatchJournal::intend(env, path.mid(path.lastIndexOf(u'/') + 1), change.backupName, change.before,
                                     error)) {
                if (intended)
                    *intended = change;
                return true;
            }
        }
        // A stop is no error of the file's: the caller's row tells of it.
        if (!error.isStopped())
            reportError(env, rowText, path, error);
        return false;
    };
}

bool IntendToCreate(JobEnv& env, const QString& folder, const QString& name, const QString& rowText,
                    IntendedChange& intended) {
    if (!BatchJournal::isKept(env) || FileOps::exists(AddBackslash(folder) + name))
        return true;
    FileError error;
    if (!BatchJournal::intend(env, name, QString(), FileState(), error)) {
        reportError(env, rowText, AddBackslash(folder) + name, error);
        return false;
    }
    intended = IntendedChange();
    intended.intended = true;
    return true;
}
