#pragma once

#include "FileError.h"

#include <QByteArray>
#include <functional>

// Makes what a batch wrote durable once, at the batch's end, instead of one data sync per file.
//
// While a batch runs (between begin() and finish()), the writers hand their data sync over with
// deferSync(): the file system the file lives on is noted, and finish() syncs each noted file
// system once with syncfs(), which also makes every rename and new name on it durable. A file is
// still replaced atomically (temporary file, rename), so a killed program leaves every file old or
// new; only a power cut before finish() can lose what the batch wrote since it began.
//
// Only file systems that keep a replaced file old or whole new across a power cut without its own
// sync (ext4, btrfs; tmpfs) are left to the end; on the others (XFS, f2fs, vfat, NFS, FUSE, ...) and
// on systems without syncfs(), deferSync() declines and the writer syncs the file itself, as it does
// outside a batch. Any thread may call deferSync() and noteRename().
namespace DurableWrites {

// True when a batch leaves the syncs of the file system holding `nativePath` to its end.
bool defersOn(const QByteArray& nativePath);

// A batch starts: data syncs are deferred to finish() from now on.
void begin();

// True when the data sync of the written file open at `fd` is taken over by the running batch; false
// when the caller must sync it itself.
bool deferSync(int fd);

// The running batch renamed an entry into `nativePath` (bytes as the system takes them): the folder's
// file system is synced at the end too. Outside a batch nothing happens.
void noteRename(const QByteArray& nativePath);

// The batch ends: syncs every file system it wrote to and stops deferring. The blocking calls run on
// a thread of their own; `whileWaiting` runs every few milliseconds meanwhile (a window lets its
// events run). False, with `error` set, when a file system reported that data could not be written.
bool finish(FileError* error = nullptr, const std::function<void()>& whileWaiting = {});

// Test seams: how many file systems finish() has synced in this process, and the error number the
// next finish() that syncs anything reports as if a sync had failed (0: none).
int syncCountForTesting();
void failNextFinishForTesting(int errnoValue);

} // namespace DurableWrites
