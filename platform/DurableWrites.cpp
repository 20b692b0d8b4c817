#include "DurableWrites.h"

#include <QList>

#include <atomic>
#include <utility>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

namespace DurableWrites {

// One batch's ledger: one descriptor on each file system the batch wrote to, kept open until the
// batch ends (syncfs needs one); -1 for a file system whose files sync themselves.
class Ledger {
public:
    std::mutex mutex;
    bool deferring = false;
    std::map<dev_t, int> volumes;

    ~Ledger() {
        for (const auto& volume : volumes) {
            if (volume.second >= 0)
                ::close(volume.second);
        }
    }
};

namespace {

// The process-wide test seams.
std::atomic<int> syncs{0};
std::atomic<int> failWith{0};

thread_local std::shared_ptr<Ledger> currentLedger;

#ifdef __linux__
// Whether the ext4 file system of the device `dev` writes a replaced file's data before the rename
// commits: only with a journal in data=ordered (or data=journal) mode and auto_da_alloc, as the
// kernel lists them in /proc/fs/ext4/<device>/options. Without a journal, with data=writeback or
// noauto_da_alloc, or when the options cannot be read, each file keeps its own sync.
bool ext4KeepsReplacedFilesWhole(dev_t dev) {
    const QByteArray device = "/sys/dev/block/" + QByteArray::number(major(dev)) + ':' + QByteArray::number(minor(dev));
    char target[4096];
    const ssize_t length = ::readlink(device.constData(), target, sizeof target);
    if (length <= 0)
        return false;
    const QByteArray link(target, length);
    const QByteArray optionsFile = "/proc/fs/ext4/" + link.mid(link.lastIndexOf('/') + 1) + "/options";
    const int fd = ::open(optionsFile.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[4096];
    const ssize_t read = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (read <= 0)
        return false;
    const QList<QByteArray> options = QByteArray(text, read).simplified().split(' ');
    return options.contains("auto_da_alloc") && (options.contains("data=ordered") || options.contains("data=journal"));
}
#endif

bool defersOnFileSystemOf([[maybe_unused]] int fd) {
#ifdef __linux__
    struct statfs fs;
    if (::fstatfs(fd, &fs) != 0)
        return false;
    const auto type = static_cast<unsigned long>(fs.f_type);
    bool ext4Ordered = false;
    if (type == EXT4_SUPER_MAGIC) {
        struct stat st;
        ext4Ordered = ::fstat(fd, &st) == 0 && ext4KeepsReplacedFilesWhole(st.st_dev);
    }
    return defersOnType(type, ext4Ordered);
#else
    return false;
#endif
}

int syncAll(const std::vector<int>& fds) {
    int failure = 0;
    for (const int fd : fds) {
#ifdef __linux__
        if (::syncfs(fd) != 0 && failure == 0)
            failure = errno;
#else
        (void)fd;
#endif
    }
    return failure;
}

} // namespace

bool defersOn(const QByteArray& nativePath) {
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool defers = defersOnFileSystemOf(fd);
    ::close(fd);
    return defers;
}

// Whether the batch may leave this file system's syncs to its end. A file replaced by a rename stays
// old or whole new after a power cut only where the file system writes the data before the rename
// commits: ext4 does (with a journal and its default rename-replace rule, auto_da_alloc); tmpfs keeps
// nothing across a power cut anyway. btrfs only starts the write-back of the new data at such a
// rename, without waiting for it, so its files keep their own sync, as on XFS, f2fs, vfat, exFAT,
// NFS, ... On FUSE syncfs() would hand the cached pages to the file system's process without asking
// it to sync.
bool defersOnType([[maybe_unused]] unsigned long type, [[maybe_unused]] bool ext4Ordered) {
#ifdef __linux__
    switch (type) {
    case EXT4_SUPER_MAGIC:
        return ext4Ordered;
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
        return true;
    default:
        return false;
    }
#else
    return false;
#endif
}

void begin() {
    // A batch of this thread that never finished keeps its ledger: this batch's end syncs it too.
    if (!currentLedger)
        currentLedger = std::make_shared<Ledger>();
    const std::lock_guard<std::mutex> lock(currentLedger->mutex);
    currentLedger->deferring = true;
}

bool deferSync(int fd) {
    Ledger* l = currentLedger.get();
    if (!l)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return false;
    const std::lock_guard<std::mutex> lock(l->mutex);
    if (!l->deferring)
        return false;
    auto volume = l->volumes.find(st.st_dev);
    if (volume == l->volumes.end())
        volume = l->volumes.emplace(st.st_dev, defersOnFileSystemOf(fd) ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1).first;
    return volume->second >= 0;
}

void noteRename(const QByteArray& nativePath) {
    Ledger* l = currentLedger.get();
    if (!l)
        return;
    {
        const std::lock_guard<std::mutex> lock(l->mutex);
        if (!l->deferring)
            return;
    }
    const qsizetype slash = nativePath.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : nativePath.left(slash + 1);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    deferSync(fd);
    ::close(fd);
}

bool finish(FileError* error, const std::function<void()>& whileWaiting) {
    const std::shared_ptr<Ledger> l = std::move(currentLedger);
    currentLedger.reset();
    if (!l)
        return true;
    std::vector<int> fds;
    int injected = 0;
    {
        const std::lock_guard<std::mutex> lock(l->mutex);
        l->deferring = false;
        for (const auto& volume : l->volumes) {
            if (volume.second >= 0)
                fds.push_back(volume.second);
        }
        l->volumes.clear();
    }
    syncs += int(fds.size());
    if (!fds.empty())
        injected = failWith.exchange(0);
    int failure = 0;
    if (!fds.empty()) {
        // The sync of a large batch can take a while: the caller's events keep running meanwhile.
        std::future<int> synced = std::async(std::launch::async, syncAll, fds);
        while (synced.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
            if (whileWaiting)
                whileWaiting();
        }
        failure = synced.get();
        for (const int fd : fds)
            ::close(fd);
    }
    if (failure == 0)
        failure = injected;
    if (failure != 0) {
        if (error)
            *error = FileError::fromErrno(failure);
        return false;
    }
    return true;
}

std::shared_ptr<Ledger> current() {
    return currentLedger;
}

Adopt::Adopt(std::shared_ptr<Ledger> ledger) : m_previous(std::exchange(currentLedger, std::move(ledger))) {}

Adopt::~Adopt() {
    currentLedger = std::move(m_previous);
}

int syncCountForTesting() {
    return syncs;
}

void failNextFinishForTesting(int errnoValue) {
    failWith = errnoValue;
}

} // namespace DurableWrites
