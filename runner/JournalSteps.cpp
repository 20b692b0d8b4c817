#include "JournalSteps.h"

#include "core/AppState.h"
#include "engine/Backups.h"
#include "platform/FileOps.h"

namespace JournalSteps {
namespace {

void journalWrite(JobEnv& env, JournalEntry::Action action, const QString& folder, const QString& name,
                  const IntendedChange& intended) {
    if (!BatchJournal::isKept(env) || !intended.intended)
        return;
    JournalEntry entry;
    entry.action = action;
    entry.name = name;
    entry.before = intended.before;
    entry.backupName = intended.backupName;
    entry.after = FileState::of(folder + name);
    BatchJournal::record(env, entry);
}

} // namespace

FileState stateIfKept(const JobEnv& env, const QString& path) {
    return BatchJournal::isKept(env) ? FileState::of(path) : FileState();
}

void rewritten(JobEnv& env, const QString& folder, const QString& name, const IntendedChange& intended) {
    journalWrite(env, JournalEntry::Action::Rewritten, folder, name, intended);
}

void written(JobEnv& env, const QString& folder, const QString& name, const IntendedChange& intended) {
    journalWrite(env, intended.before.exists ? JournalEntry::Action::Replaced : JournalEntry::Action::Created, folder,
                 name, intended);
}

void deleted(JobEnv& env, const QString& name, const FileState& before, const QString& backupName) {
    if (!BatchJournal::isKept(env))
        return;
    JournalEntry entry;
    entry.action = JournalEntry::Action::Deleted;
    entry.name = name;
    entry.backupName = backupName;
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
    const FileState before = stateIfKept(env, folder + name);
    FileError own;
    QString keptPath;
    if (!RetireFile(env, folder + name, before, error ? *error : own, &keptPath))
        return false;
    // With backups on the file went into the running batch's folder; the trash is no backup copy.
    const QString batchFolder = env.state.BackupBatchFolder;
    const bool inBatch = !batchFolder.isEmpty() && keptPath.startsWith(batchFolder);
    deleted(env, name, before, inBatch ? keptPath.mid(batchFolder.size()) : QString());
    return true;
}

} // namespace JournalSteps
