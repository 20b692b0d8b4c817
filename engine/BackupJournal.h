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
};

// The journal of one numbered backup batch: the file "quillmar-journal.txt" inside the batch folder,
// UTF-8 text a person can read. A header (command, folder, start) is written whole when the batch
// folder opens; one line per finished file is appended with one synced write; the end time is
// appended last. A line cut short by a crash has no line end and is ignored when read.
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
};

bool create(const QString& batchFolder, const Header& header, FileError* error = nullptr);
bool append(const QString& batchFolder, const JournalEntry& entry, FileError* error = nullptr);
bool finish(const QString& batchFolder, const QDateTime& ended, FileError* error = nullptr);
Contents read(const QString& batchFolder);

QString actionText(JournalEntry::Action action);

} // namespace BackupJournal
