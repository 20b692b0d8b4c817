#pragma once

#include "engine/BackupJournal.h"
#include "platform/FileError.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One numbered batch folder of the backup tree.
struct BackupBatch {
    QString id;     // its folder relative to the backup folder, e.g. "20261207-11/003"
    QString folder; // the batch folder itself, with its trailing "/"
    // When the batch started; without a journal, when its folder was made (within its hour folder's
    // hour, else the hour's start).
    QDateTime time;
    BackupJournal::Contents journal;
    QStringList copies; // the backup copies it holds (every file but the journal)
    qint64 size = 0;    // bytes below the batch folder
    QString restores;       // a restore: the id of the batch it undid; "" for any other batch
    QStringList restoredBy; // the restores that undid this batch (or part of it), newest first
    // True when its restores brought back every file it finished changing in its folder: each such
    // file is named by a finished change of one of them (a file a restore skipped, failed on or
    // never reached because it was killed is not). A restore of chosen files covers only those.
    bool restoredWhole = false;

    // The files it changed, each once however often the batch changed it (BackupCatalog::firstToLast),
    // its renames before them, none that it made and took away again (BackupCatalog::leftNothing).
    QList<JournalEntry> files() const;
    // How many files(); without a journal, its backup copies.
    qsizetype fileCount() const { return journal.present ? files().size() : copies.size(); }
    // The command in the menu's own words ("去除空格", "转换为BIG5", "快速处理向导（…）").
    QString title() const;
    // "已恢复" for a batch its restores undid whole, "部分恢复" for one they undid only in part, "恢复操作"
    // for a restore; "" otherwise.
    QString mark() const;
};

// Where a journalled file stands now compared with what the batch left.
enum class FileNow { Unchanged, Changed, Missing };

// The backup tree below BackupFolder: hour folders "yyyyMMdd-hh" holding numbered batch folders.
// A symbolic link in their place is no batch: never listed, found, pruned or followed.
namespace BackupCatalog {

// Every batch, newest first (by start time, then by hour folder and number), each knowing the
// restores that undid it.
QList<BackupBatch> list(const QString& backupFolder);

// The journal's command ("despace", "big5", "wizard html2txt + reflow", "restore ID", …) in the words of
// the menu that starts it; a command it does not know is shown as it is.
QString commandTitle(const QString& command);
std::optional<BackupBatch> find(const QString& backupFolder, const QString& id);
// The id of the batch that started last; "" when none.
QString newestId(const QString& backupFolder);
// What "撤销上一批" and `restore last` undo: the batch that started last, except a restore that left
// its batch only partly restored (files changed since were skipped, or it was stopped): then that
// batch again, so that undoing finishes the restore rather than re-applying what it brought back.
// "" when there is no batch.
QString lastToUndo(const QList<BackupBatch>& batches);
QString lastToUndo(const QString& backupFolder);

// The path a journalled file has now (the new name of a renamed file) and how it stands: a deleted
// file is Unchanged while nothing is at its name again.
QString currentPath(const BackupBatch& batch, const JournalEntry& entry);
FileNow stateNow(const BackupBatch& batch, const JournalEntry& entry);
// The same for the batch's folder standing at `folder`. An unfinished entry (only its line of intent
// was written) is Unchanged while the file is there: it holds its old content or the batch's result.
QString currentPath(const QString& folder, const JournalEntry& entry);
FileNow stateNow(const QString& folder, const JournalEntry& entry);

// The content entries (all but renames) of a journal, one per file in the order of its first change:
// the state before and the backup copy of its first entry, the state after of its last, so that a
// file changed twice in one batch goes back to its state before the first change.
QList<JournalEntry> firstToLast(const QList<JournalEntry>& entries);
// True for such an entry of a file the batch made and took away again (the text of a page the wizard
// merged and deleted): the batch left nothing of it, so a restore has nothing to undo there, and a
// file at its name now is someone else's.
bool leftNothing(const JournalEntry& file);

// The hour and batch folders that are symbolic links ("20200101-01", "20200101-02/003"), left alone.
QStringList linkedFolders(const QString& backupFolder);

// Removes a batch folder, and its hour folder when that is left empty; refuses (EBUSY) a batch still
// at work.
bool remove(const BackupBatch& batch, FileError* error = nullptr);

// The batches that started before `cutoff`.
QList<BackupBatch> olderThan(const QList<BackupBatch>& batches, const QDateTime& cutoff);
// Days kept by the retention position BackupTime 1..7 ("一日" ... "一年").
int retentionDays(int backupTime);

// "0 B", "12 KB", "3.4 MB", "1.2 GB".
QString sizeText(qint64 bytes);

} // namespace BackupCatalog
