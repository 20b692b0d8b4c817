#pragma once

#include "BackupCatalog.h"
#include "engine/JobEnv.h"

#include <QString>
#include <QStringList>

struct RestoreRequest {
    QString batchId;   // e.g. "20261207-11/003"
    QStringList names; // the files to restore (old or new names); empty: the whole batch
    // A file changed since the batch: ask (windows), skip with a yellow row, or restore anyway.
    enum class Changed { Ask, Skip, Overwrite };
    Changed changed = Changed::Ask;
    bool dryRun = false; // only a row per file saying what would be done
};

struct RestoreResult {
    int restored = 0;
    int skipped = 0; // changed since the batch and not overwritten
    int failed = 0;
    bool found = true; // false: no such batch, or a batch without a journal
};

// Undoes a journalled batch, as a batch of its own (with its own backups and journal, so that it
// can be undone in turn): created files are moved away (into the restore's batch folder, or the
// trash when backups are off), renamed files get their old names back through the safe rename, and
// rewritten, replaced and deleted files get their backup content and permission bits back,
// atomically. One row per file, then the completion call.
class RestoreRunner {
public:
    explicit RestoreRunner(JobEnv& env) : m_env(env) {}
    RestoreResult run(const RestoreRequest& request);

private:
    void preview(const BackupBatch& batch, const JournalEntry& entry, const RestoreRequest& request,
                 RestoreResult& result);
    bool mayGoOn(const RestoreRequest& request, const QString& path, FileNow now, RestoreResult& result);
    void removeCreated(const BackupBatch& batch, const JournalEntry& entry, const RestoreRequest& request,
                       RestoreResult& result);
    void renameBack(const BackupBatch& batch, const QList<JournalEntry>& entries, const RestoreRequest& request,
                    RestoreResult& result);
    void copyBack(const BackupBatch& batch, const JournalEntry& entry, const RestoreRequest& request,
                  RestoreResult& result);
    void done(const QString& path, const QString& reason, RestoreResult& result);
    void failed(const QString& path, const FileError& error, RestoreResult& result);

    JobEnv& m_env;
};
