#pragma once

#include "FileError.h"

#include <QByteArray>
#include <functional>
#include <memory>

// Makes what a batch wrote durable once, at the batch's end, instead of one data sync per file.
//
// While a batch runs (between begin() and finish()), the writers hand their data sync over with
// deferSync(): the file system the file lives on is noted, and finish() syncs each noted file
// system once with syncfs(), which also makes every rename and new name on it durable. A file is
// still replaced atomically (temporary file, rename), so a killed program leaves every file old or
// new; only a power cut before finish() can lose what the batch wrote since it began.
//
// Each batch keeps a ledger of its own: begin() makes a new one current on the calling thread, and
// the worker threads a batch starts (parallelMap, streamInOrder) adopt the ledger of the thread
// that started them. A batch's finish() syncs only the file systems its own writers noted and
// reports only their errors, whatever other batches of the process run meanwhile.
//
// Only file systems that keep a replaced file old or whole new across a power cut without its own
// sync (ext4 with its defaults; tmpfs) are left to the end; on the others (btrfs, XFS, f2fs, vfat,
// NFS, FUSE, ...) and on systems without syncfs(), deferSync() declines and the writer syncs the
// file itself, as it does outside a batch. Any thread may call deferSync() and noteRename().
namespace DurableWrites {

class Ledger;

// True when a batch leaves the syncs of the file system holding `nativePath` to its end.
bool defersOn(const QByteArray& nativePath);

// The rule behind defersOn() for a file system of type `type` (statfs's f_type). `ext4Ordered`:
// the ext4 mount writes a replaced file's data before the rename (journal, data=ordered or
// data=journal, auto_da_alloc).
bool defersOnType(unsigned long type, bool ext4Ordered);

// A batch starts on the calling thread: data syncs are deferred to finish() from now on. File
// systems noted by a batch of this thread that never finished stay noted: this batch's end syncs
// them too.
void begin();

// True when the data sync of the written file open at `fd` is taken over by the calling thread's
// running batch; false when the caller must sync it itself.
bool deferSync(int fd);

// The running batch renamed an entry into `nativePath` (bytes as the system takes them): the folder's
// file system is synced at the end too. Outside a batch nothing happens.
void noteRename(const QByteArray& nativePath);

// The calling thread's batch ends: syncs every file system it wrote to and stops deferring. The
// blocking calls run on a thread of their own; `whileWaiting` runs every few milliseconds meanwhile
// (a window lets its events run). False, with `error` set, when a file system reported that data
// could not be written. Without a running batch it does nothing and gives true.
bool finish(FileError* error = nullptr, const std::function<void()>& whileWaiting = {});

// The batch the calling thread writes for (null: none), to hand to the threads it starts.
std::shared_ptr<Ledger> current();

// Makes `ledger` the calling thread's batch while it lives (a worker thread adopts its starter's).
class Adopt {
public:
    explicit Adopt(std::shared_ptr<Ledger> ledger);
    ~Adopt();
    Adopt(const Adopt&) = delete;
    Adopt& operator=(const Adopt&) = delete;

private:
    std::shared_ptr<Ledger> m_previous;
};

// Test seams: how many file systems finish() has synced in this process, and the error number the
// next finish() that syncs anything reports as if a sync had failed (0: none).
int syncCountForTesting();
void failNextFinishForTesting(int errnoValue);

} // namespace DurableWrites
