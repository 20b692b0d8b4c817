#pragma once

#include "BackupCatalog.h"
#include "engine/JobEnv.h"

#include <QString>
#include <QStringList>

struct RestoreRequest {
    QString batchId; // e.g. "20261207-11/003"
    // The files to restore: their names in the batch (old or new names), or their paths in the batch's
    // folder; empty: the whole batch. A name the batch does not hold is a red row.
    QStringList names;
    // A file changed since the batch: ask (windows), skip with a yellow row, or restore anyway.
    enum class Changed { Ask, Skip, Overwrite };
    Changed changed = Changed::Ask;
    bool dryRun = false; // only a row per file saying what would be done
    // Where the batch's folder stands for this run (a diff restores into a copy of it); "" : where the
    // journal says.
    QString folder = {};
    QString backupFolder = {}; // the backup tree holding the batch; "": the program's
};

struct RestoreResult {
    int restored = 0;
    int skipped = 0; // changed since the batch and not overwritten
    int failed = 0;
    bool found = true; // false: no such batch, or a batch without a journal
};

// Undoes a journalled batch, as a batch of its own (with its own backups and journal, so that it
// can be undone in turn): each file goes back to its state before the batch's FIRST change of it.
// Created files are moved away (into the restore's batch folder, or the trash when backups are off),
// renamed files get their old names back through the safe rename, and rewritten, replaced and
// deleted files get their backup content and permission bits (never setuid, setgid or sticky) back,
// atomically, through a symbolic link rather than over it. A file that already holds its state
// before the batch is left alone and done. The journal is not trusted: its rejected entries are red
// rows (BackupJournal::read), its backups are read inside the batch folder only (BackupLink).
// One row per file, then the completion call.
class RestoreRunner {
public:
    explicit RestoreRunner(JobEnv& env) : m_env(env) {}
    RestoreResult run(const RestoreRequest& request);

private:
    QString folderOf(const BackupBatch& batch, const RestoreRequest& request) const;
    bool takeNames(const BackupBatch& batch, const RestoreRequest& request, QStringList& names, RestoreResult& result);
    bool isAtStart(const QString& folder, const JournalEntry& entry) const;
    void preview(const QString& folder, const JournalEntry& entry, const RestoreRequest& request,
                 RestoreResult& result);
    bool mayGoOn(const RestoreRequest& request, const QString& path, FileNow now, RestoreResult& result);
    void removeCreated(const QString& folder, const JournalEntry& entry, const RestoreRequest& request,
                       RestoreResult& result);
    void renameBack(const QString& folder, const QList<JournalEntry>& entries, const RestoreRequest& request,
                    RestoreResult& result);
    void copyBack(const BackupBatch& batch, const QString& folder, const JournalEntry& entry,
                  const RestoreRequest& request, RestoreResult& result);
    void done(const QString& path, const QString& reason, RestoreResult& result);
    void failed(const QString& path, const FileError& error, RestoreResult& result);
    // A red row whose text is not the file's path (`file` "" when it names no file).
    void failed(const QString& text, const QString& file, const FileError& error, RestoreResult& result);

    JobEnv& m_env;
};
