#include "JournalSteps.h"

#include "core/AppState.h"
#include "platform/FileOps.h"

namespace JournalSteps {
namespace {

// The name of the running batch's copy of `name` when it holds the file `state` describes. The copy
// was made from that very file a moment ago, so its size tells it apart from a copy of another.
QString copyHolding(const JobEnv& env, const QString& name, const FileState& state) {
    const AppState& app = env.state;
    if (!state.exists || !app.BackupBatchOpen || app.BackupBatchFolder.isEmpty())
        return QString();
    const QString copyName = BackupJournal::copyNameFor(name);
    return FileState::sizeOf(app.BackupBatchFolder + copyName) == state.size ? copyName : QString();
}

} // namespace

FileState stateIfKept(const JobEnv& env, const QString& path) {
    return BatchJournal::isKept(env) ? FileState::of(path) : FileState();
}

void rewritten(JobEnv& env, const QString& folder, const QString& name, const FileState& before) {
    if (!BatchJournal::isKept(env))
        return;
    JournalEntry entry;
    entry.action = JournalEntry::Action::Rewritten;
    entry.name = name;
    entry.backupName = copyHolding(env, name, before);
    entry.before = before;
    entry.after = FileState::of(folder + name);
    BatchJournal::record(env, entry);
}

void written(JobEnv& env, const QString& folder, const QString& name, const FileState& before) {
    if (!BatchJournal::isKept(env))
        return;
    JournalEntry entry;
    entry.action = before.exists ? JournalEntry::Action::Replaced : JournalEntry::Action::Created;
    entry.name = name;
    entry.backupName = copyHolding(env, name, before);
    entry.before = before;
    entry.after = FileState::of(folder + name);
    BatchJournal::record(env, entry);
}

void deleted(JobEnv& env, const QString& name, const FileState& before) {
    if (!BatchJournal::isKept(env))
        return;
    JournalEntry entry;
    entry.action = JournalEntry::Action::Deleted;
    entry.name = name;
    entry.backupName = copyHolding(env, name, before);
    entry.before = before;
    BatchJournal::record(env, entry);
}

void renamed(JobEnv& env, const QString& folder, const QString& oldName, const QString& newName) {
    if (!BatchJournal::isKept(env))
        return;
    JournalEntry entry;
    entry.action = JournalEntry::Action::Renamed;
    entry.name = oldName;
    entry.newName = newName;
    entry.after = FileState::of(folder + newName);
    entry.before = entry.after;
    BatchJournal::record(env, entry);
}

bool remove(JobEnv& env, const QString& folder, const QString& name, FileError* error) {
    const QString path = folder + name;
    const FileState before = BatchJournal::isKept(env) ? FileState::of(path) : FileState();
    FileOps::resetAttributes(path);
    if (!BatchJournal::isKept(env))
        return FileOps::removeFile(path, error);
    FileError own;
    FileError& failure = error ? *error : own;
    QString batchFolder;
    if (!BatchJournal::folder(env, batchFolder, failure) ||
        !FileOps::copyFile(path, batchFolder + BackupJournal::copyNameFor(name), &failure) ||
        !FileOps::removeFile(path, &failure))
        return false;
    deleted(env, name, before);
    return true;
}

} // namespace JournalSteps
