#pragma once

#include "platform/FileError.h"
#include "platform/FileState.h"

#include <QDateTime>
#include <QList>
#include <QString>

// One file's record in a batch's journal.
struct JournalEntry {
    enum class Action { Rewritten, Replaced, Deleted, Created, Renamed };
    Action action = Action::Rewritten;
    QString name;       // bare file name in the batch's folder (the old name of a rename)
    QString newName;    // renamed only: the name it got
    QString backupName; // the backup copy's name in the batch folder; "" when there is none
    FileState before;   // the file before the batch touched it (exists == false for a created file)
    FileState after;    // the file the batch left (exists == false for a deleted file)
    // False when only the line of intent was written: the batch was stopped between it and the line of
    // the finished change, so the file holds either `before` or the batch's result (`after` unknown).
    bool finished = true;
};

// The journal of one numbered backup batch: the file "quillmar-journal.txt" inside the batch folder,
// UTF-8 text a person can read. A header (command, folder, start) is written whole when the batch
// folder opens; one line per finished file is appended with one synced write; the end time is
// appended last. A line cut short by a crash has no line end and is ignored when read.
//
// A file the batch is about to replace, create or move into the batch folder gets a line of intent
// first ("intent", its name, its backup copy and its state before), written before the change; the
// "file" line follows once the change is done. A journal read back that holds an intent without its
// "file" line tells of a batch stopped between the two: the file is old, new or in the batch folder,
// and a restore brings it back all the same.
//
// A journal is never trusted: an entry whose name, new name or backup copy is not a plain file name
// (see isPlainName) is not an entry but a rejected line, and a
// folder that is not absolute is no folder.
//
// Fields are TAB-separated. Names and the folder keep their exact bytes: a byte that is not UTF-8
// (held as U+DC00 + byte, see FileName) is written "\xNN"; "\", TAB, CR and LF are written "\\",
// "\t", "\r", "\n".
namespace BackupJournal {

inline const QString JournalName = QStringLiteral("quillmar-journal.txt");

struct Header {
    QString command;
    QString folder; // the folder the batch worked in, with its trailing "/"
    QDateTime started;
    QDateTime ended; // invalid until the batch ended
};

struct Contents {
    bool present = false; // false: a batch without a journal (an older version made it)
    Header header;
    QList<JournalEntry> entries;
    QStringList rejected; // the (escaped) names of entries that are not plain names, never acted on
    // What made the journal not what the program writes, one text per fault: a line not understood
    // (or too long to be one of ours), a last line cut short. The entries read are still there.
    QStringList damage;
};

// The longest line the program writes is far below this (names are at most a few hundred bytes).
constexpr qsizetype MaxLineBytes = 64 * 1024;

bool create(const QString& batchFolder, const Header& header, FileError* error = nullptr);
bool append(const QString& batchFolder, const JournalEntry& entry, FileError* error = nullptr);
// The line of intent for `name`, about to be replaced (`before` as it is, put aside as `backupName`)
// or created (`before.exists` false). Synced like every line: now, or with the running batch's sync.
bool intend(const QString& batchFolder, const QString& name, const QString& backupName, const FileState& before,
            FileError* error = nullptr);
// The change announced for `name` did not happen (the job failed after its line of intent): a restore
// leaves the file alone.
bool withdraw(const QString& batchFolder, const QString& name, FileError* error = nullptr);
bool finish(const QString& batchFolder, const QDateTime& ended, FileError* error = nullptr);
Contents read(const QString& batchFolder);

QString actionText(JournalEntry::Action action);
// True when `name` names one entry of one folder: not empty, not "." or "..", no "/" and no NUL, and
// faithful to its bytes (FileName::isFaithful), so that no escaped byte turns into a "/" on the way.
bool isPlainName(const QString& name);
// `text` with the journal's escapes: how a name is written in it and shown in a row.
QString escape(const QString& text);

} // namespace BackupJournal
