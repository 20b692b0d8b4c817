#pragma once

#include "FileError.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <sys/stat.h>

// When the new content of an AtomicFile reaches the disk.
enum class FileSync {
    Now,       // before the file takes its name
    WithBatch, // with the running batch's one sync at its end (DurableWrites); at once where the batch
               // cannot take it (no batch runs, or the file system is not one whose syncs wait)
    Never,     // left to the system: scratch copies in a private folder
};

// The one way the program writes a file whole: the new content goes to a file without a name (an
// O_TMPFILE file, where the file system has them) or, elsewhere, to a hidden temporary file beside
// the target named ".NAME.<pid>-<random>.qmtmp"; commit() syncs it as asked and gives it the target's
// name, replacing an existing entry or only where none is. Until then nothing is under the target's
// name, and a cancelled, failed or destroyed writer leaves nothing behind; a killed program leaves
// nothing where the file had no name, and otherwise a temporary file that
// removeStaleTemporaries() recognises as nobody's.
class AtomicFile {
public:
    enum class Mode { Replace, NoReplace };
    // What commit() did.
    struct Report {
        bool unnamed = false;  // written without a name until the commit
        bool synced = false;   // its data synced before it took its name
        bool deferred = false; // its data sync taken over by the running batch
    };
    // Runs after the sync, right before the file takes its name; false stops the commit with `error`.
    using LastCheck = std::function<bool(FileError& error)>;

    AtomicFile();
    ~AtomicFile(); // without commit(), nothing is left
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts the new content of `target` (native bytes, the folder's links followed, the name's not:
    // a link there is replaced, never written through), created with the permission bits `mode`
    // less the umask. The folder must exist.
    bool open(const QByteArray& target, mode_t mode, FileError* error = nullptr);
    bool isOpen() const;
    // The new file, open for writing.
    int fd() const;
    // Gives the new file the owner and group of `existing` where the process may (quietly keeping
    // its own otherwise), then exactly its permission bits.
    bool takeOwnerAndMode(const struct stat& existing, FileError* error = nullptr);

    bool commit(Mode mode, FileSync sync, FileError* error = nullptr, const LastCheck& lastCheck = {});
    void cancel();
    const Report& report() const;

    // The file a chain of symbolic links at `path` finally names (which may not exist yet), `path` itself
    // when it is no link: the name to open() so that a link is written through, not replaced. A link
    // that cannot be read sets `errorNumber` (ELOOP for too long a chain).
    static QByteArray followLinks(QByteArray path, int* errorNumber);
    // True for a name of the temporary files' pattern.
    static bool isTemporaryName(const QByteArray& name);
    // Removes from `folder` the temporary files of the pattern that no running process owns (their
    // process is gone and no one holds their lock), as a killed run leaves them; how many it removed.
    static int removeStaleTemporaries(const QString& folder);

    // Test seams: how many data syncs commits have made in this process; whether the next writers
    // opened use named temporary files even where unnamed ones are possible.
    static int syncCountForTesting();
    static void namedOnlyForTesting(bool namedOnly);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
