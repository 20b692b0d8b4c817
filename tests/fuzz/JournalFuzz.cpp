// The backup journal reader over any bytes: a journal is read back from a batch folder the user (or
// anyone who can write there) may have changed, so it must never crash and must only ever give
// entries whose names, new names and backup names are plain names of one folder entry (no "/", not
// "." or "..", no NUL, also once turned into the bytes a path is made of), and a folder that is
// absolute or none. What it accepts is written back and read again as the same entries.
//
// Input: the journal file's bytes; with its first byte odd, the magic line goes in front of them.

#include "FuzzSupport.h"
#include "engine/BackupJournal.h"
#include "platform/FileName.h"

namespace {

bool isOneEntry(const QString& name) {
    const QByteArray bytes = FileName::encode(name);
    return BackupJournal::isPlainName(name) && !bytes.isEmpty() && bytes != "." && bytes != ".." &&
           !bytes.contains('/') && !bytes.contains('\0');
}

bool sameEntry(const JournalEntry& a, const JournalEntry& b) {
    return a.action == b.action && a.name == b.name && a.newName == b.newName && a.backupName == b.backupName &&
           a.before.sameContent(b.before) && a.after.sameContent(b.after);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fuzz::Input input(data, size);
    const bool withMagic = input.byte() & 1;
    const QByteArray journal = (withMagic ? QByteArray("QuillMar backup journal 1\n") : QByteArray()) + input.rest();
    const QString folder = QString::fromStdString(Fuzz::scratchFolder()) + u'/';
    FUZZ_CHECK(Fuzz::writeFile(folder + BackupJournal::JournalName, journal), "cannot write the journal");

    const BackupJournal::Contents contents = BackupJournal::read(folder);
    const QString& workFolder = contents.header.folder;
    FUZZ_CHECK(workFolder.isEmpty() || (workFolder.startsWith(u'/') && workFolder.endsWith(u'/')),
               "a folder that is not absolute: %s", Fuzz::shown(workFolder).c_str());
    for (const JournalEntry& entry : contents.entries) {
        FUZZ_CHECK(isOneEntry(entry.name), "name %s", Fuzz::shown(entry.name).c_str());
        FUZZ_CHECK(entry.backupName.isEmpty() || isOneEntry(entry.backupName), "backup %s",
                   Fuzz::shown(entry.backupName).c_str());
        FUZZ_CHECK(entry.action == JournalEntry::Action::Renamed ? isOneEntry(entry.newName) : entry.newName.isEmpty(),
                   "new name %s", Fuzz::shown(entry.newName).c_str());
    }

    // The finished entries accepted come back the same from a journal written anew.
    const QString again = Fuzz::scratchPath("again") + u'/';
    ::mkdir(FileName::encode(again).constData(), 0700);
    FUZZ_CHECK(BackupJournal::create(again, contents.header), "cannot write the header");
    QList<JournalEntry> finished;
    for (const JournalEntry& entry : contents.entries) {
        if (!entry.finished)
            continue;
        finished.append(entry);
        FUZZ_CHECK(BackupJournal::append(again, entry), "cannot write an entry");
    }
    const BackupJournal::Contents reread = BackupJournal::read(again);
    FUZZ_CHECK(reread.header.folder == workFolder, "the folder did not read back");
    FUZZ_CHECK(reread.entries.size() == finished.size() && reread.rejected.isEmpty(),
               "%d entries written, %d read back", int(finished.size()), int(reread.entries.size()));
    for (qsizetype i = 0; i < finished.size(); ++i) {
        // A name written twice reads back as two entries; only a line of intent merges with its done line.
        FUZZ_CHECK(sameEntry(reread.entries.at(i), finished.at(i)), "entry %d did not read back", int(i));
    }
    return 0;
}
