#include "JournalSteps.h"

#include "core/AppState.h"
#include "engine/Backups.h"
#include "platform/FileOps.h"

namespace JournalSteps {
namespace {

// The name of the running batch's latest copy of `name` ("name", then "name~2", ... when the batch
// put the same name aside more than once) when it holds the file `state` describes. The copy was made
// from that very file a moment ago, so its size tells it apart from a copy of another.
QString copyHolding(const JobEnv& env, const QString& name, const FileState& state) {
    const AppState& app = env.state;
    if (!state.exists || !app.BackupBatchOpen || app.BackupBatchFolder.isEmpty())
        return QString();
    QString latest;
    for (int n = 1;; ++n) {
        const QString candidate = n == 1 ? name : name + u'~' + QString::number(n);
        const qint64 size = FileState::sizeOf(app.BackupBatchFolder + candidate);
        if (size < 0 && !FileOps::exists(app.BackupBatchFolder + candidate))
            break;
        if (size == state.size && candidate != BackupJournal::JournalName)
            latest = candidate;
    }
    return latest;
}

// Journals a file the batch wrote in place of `before` (or made new), with the copy holding its old
// content. A result that was exactly the old content left the file untouched: nothing to journal.
void journalWrite(JobEnv& env, JournalEntry::Action action, const QString& folder, const QString& name,
                  const FileState& before) {
    if (!BatchJournal::isKept(env))
        return;
    JournalEntry entry;
    entry.action = action;
    entry.name = name;
    entry.before = before;
    entry.after = FileState::of(folder + name);
    if (before.exists && entry.after.sameContent(before) && entry.after.mode == before.mode)
        return;
    entry.backupName = copyHolding(env, name, before);
    BatchJournal::record(env, entry);
}

} // namespace

FileState stateIfKept(const JobEnv& env, const QString& path) {
    return BatchJournal::isKept(env) ? FileState::of(path) : FileState();
}

void rewritten(JobEnv& env, const QString& folder, const QString& name, const FileState& before) {
    journalWrite(env, JournalEntry::Action::Rewritten, folder, name, before);
}

void written(JobEnv& env, const QString& folder, const QString& name, const FileState& before) {
    journalWrite(env, before.exists ? JournalEntry::Action::Replaced : JournalEntry::Action::Created, folder, name,
                 before);
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
    const FileState before = stateIfKept(env, folder + name);
    FileError own;
    if (!RetireFile(env, folder + name, error ? *error : own))
        return false;
    deleted(env, name, before);
    return true;
}

} // namespace JournalSteps
