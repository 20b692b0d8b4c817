#include "platform/AtomicFile.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/DurableWrites.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void TearDown() override { AtomicFile::namedOnlyForTesting(false); }

    QTemporaryDir m_dir;
    // A folder on tmpfs, whose syncs a batch defers, where there is one.
    QTemporaryDir m_shm{QStringLiteral("/dev/shm/quillmar-test-XXXXXX")};
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray native(const QString& name) const { return FileName::encode(path(name)); }
    QByteArray in(const QByteArray& name) const { return FileName::encode(m_dir.path()) + '/' + name; }
    static bool defers(const QTemporaryDir& dir) {
        return dir.isValid() && DurableWrites::defersOn(FileName::encode(dir.path()));
    }
    QList<const QTemporaryDir*> places() const {
        QList<const QTemporaryDir*> all{&m_dir};
        if (defers(m_shm) && !defers(m_dir))
            all.append(&m_shm);
        return all;
    }

    // Writes `bytes` as the new content of `name` in `dir` and commits it.
    static AtomicFile::Report write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes,
                                    FileSync sync, bool* ok = nullptr) {
        AtomicFile file;
        bool done = file.open(FileName::encode(dir.filePath(name)), 0644) &&
                    FileOps::writeAll(file.fd(), bytes.constData(), bytes.size()) &&
                    file.commit(AtomicFile::Mode::Replace, sync);
        if (ok)
            *ok = done;
        return file.report();
    }

    // A process number no process has: a child that has ended and been waited for.
    static pid_t goneProcess() {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        return child;
    }
};

// Where the batch's one sync at its end may stand for a file's own sync: ext4 as mounted by default,
// and tmpfs. btrfs starts writing the new data at a rename over a file without waiting for it.
TEST_F(AtomicFileTest, OnlyFileSystemsThatWriteDataBeforeTheRenameDeferTheirSyncs) {
    const struct {
        const char* name;
        unsigned long type;
        bool ext4Ordered;
        bool defers;
    } cases[] = {
        {"ext4, journal in ordered mode with auto_da_alloc", EXT4_SUPER_MAGIC, true, true},
        {"ext4 with data=writeback or noauto_da_alloc", EXT4_SUPER_MAGIC, false, false},
        {"tmpfs", TMPFS_MAGIC, false, true},
        {"btrfs", BTRFS_SUPER_MAGIC, false, false},
        {"XFS", XFS_SUPER_MAGIC, false, false},
        {"f2fs", F2FS_SUPER_MAGIC, false, false},
        {"vfat", MSDOS_SUPER_MAGIC, false, false},
        {"NFS", NFS_SUPER_MAGIC, false, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DurableWrites::defersOnType(c.type, c.ext4Ordered), c.defers) << c.name;
}

// A sync the batch cannot take over (no batch, or a file system that does not defer) is made at once;
// the copies of FileOps keep that rule too (backups and restored files were left unsynced).
TEST_F(AtomicFileTest, ASyncThatCannotBeDeferredIsMadeAtOnce) {
    for (const QTemporaryDir* dir : places()) {
        SCOPED_TRACE(dir->path().toStdString());
        const auto at = [dir](const char* name) { return dir->filePath(QLatin1String(name)); };
        TestFiles::write(at("source.txt"), "source");
        const struct {
            const char* rule;
            bool inBatch;
            FileSync sync;
            bool synced; // outside a batch, or where the file system does not defer
        } cases[] = {
            {"now, outside a batch", false, FileSync::Now, true},
            {"now, inside a batch", true, FileSync::Now, true},
            {"with the batch, but none runs", false, FileSync::WithBatch, true},
            {"with the batch, inside one", true, FileSync::WithBatch, !defers(*dir)},
            {"never", false, FileSync::Never, false},
            {"never, inside a batch", true, FileSync::Never, false},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.rule);
            if (c.inBatch)
                DurableWrites::begin();
            int syncs = AtomicFile::syncCountForTesting();
            bool ok = false;
            const AtomicFile::Report report = write(*dir, "a.txt", "new", c.sync, &ok);
            EXPECT_TRUE(ok);
            EXPECT_EQ(report.synced, c.synced);
            EXPECT_EQ(report.deferred, c.inBatch && c.sync == FileSync::WithBatch && !c.synced);
            EXPECT_EQ(AtomicFile::syncCountForTesting() - syncs, c.synced ? 1 : 0);

            syncs = AtomicFile::syncCountForTesting();
            ASSERT_TRUE(FileOps::copyFile(at("source.txt"), at("copy.txt"), nullptr, {}, c.sync));
            QFile::remove(at("new.txt"));
            ASSERT_TRUE(FileOps::copyFileNew(at("source.txt"), at("new.txt"), nullptr, {}, c.sync));
            EXPECT_EQ(AtomicFile::syncCountForTesting() - syncs, c.synced ? 2 : 0) << "copies";
            if (c.inBatch) {
                EXPECT_TRUE(DurableWrites::finish());
            }
        }
        EXPECT_EQ(TestFiles::read(at("new.txt")), QByteArray("source"));
    }
}

// One batch's end syncs what that batch wrote and takes only its own errors, whatever another batch
// of the same process does meanwhile.
TEST_F(AtomicFileTest, EachBatchSyncsAndAnswersForItsOwnWritesOnly) {
    const QTemporaryDir& dir = defers(m_dir) ? m_dir : m_shm;
    if (!defers(dir))
        GTEST_SKIP() << "no file system here defers its syncs";
    DurableWrites::begin();
    ASSERT_TRUE(write(dir, "a.txt", "of the first batch", FileSync::WithBatch).deferred);

    const int syncs = DurableWrites::syncCountForTesting();
    std::thread other([] {
        DurableWrites::failNextFinishForTesting(EIO);
        DurableWrites::begin();
        EXPECT_TRUE(DurableWrites::finish()) << "a batch that wrote nothing syncs nothing and fails nothing";
    });
    other.join();
    EXPECT_EQ(DurableWrites::syncCountForTesting(), syncs);

    FileError error;
    EXPECT_FALSE(DurableWrites::finish(&error)) << "the first batch's own sync reports the error";
    EXPECT_EQ(error.number, EIO);
    EXPECT_EQ(DurableWrites::syncCountForTesting(), syncs + 1);
}

// Nothing under the target's name before the commit, nothing left after a cancel; where the file
// system has unnamed files, not even a temporary name.
TEST_F(AtomicFileTest, NothingIsLeftBehindBeforeTheCommitOrAfterACancel) {
    for (const bool namedOnly : {false, true}) {
        SCOPED_TRACE(namedOnly ? "named temporary file" : "unnamed where possible");
        AtomicFile::namedOnlyForTesting(namedOnly);
        TestFiles::write(path("a.txt"), "old");
        AtomicFile file;
        ASSERT_TRUE(file.open(native("a.txt"), 0644));
        ASSERT_TRUE(FileOps::writeAll(file.fd(), "new", 3));
        const QStringList during = TestFiles::filesIn(m_dir.path());
        if (namedOnly || !file.report().unnamed) {
            ASSERT_EQ(during.size(), 2);
            EXPECT_TRUE(AtomicFile::isTemporaryName(FileName::encode(during.first()))) << during.first().toStdString();
        } else {
            EXPECT_EQ(during, QStringList{"a.txt"});
        }
        file.cancel();
        EXPECT_EQ(TestFiles::filesIn(m_dir.path()), QStringList{"a.txt"});
        EXPECT_EQ(TestFiles::read(path("a.txt")), QByteArray("old"));

        ASSERT_TRUE(file.open(native("a.txt"), 0644));
        ASSERT_TRUE(FileOps::writeAll(file.fd(), "new", 3));
        EXPECT_FALSE(file.commit(AtomicFile::Mode::NoReplace, FileSync::Never)) << "no-replace keeps an entry";
        EXPECT_EQ(TestFiles::read(path("a.txt")), QByteArray("old"));
        ASSERT_TRUE(file.open(native("a.txt"), 0644));
        ASSERT_TRUE(FileOps::writeAll(file.fd(), "new", 3));
        ASSERT_TRUE(file.commit(AtomicFile::Mode::Replace, FileSync::Never));
        EXPECT_EQ(TestFiles::read(path("a.txt")), QByteArray("new"));
        EXPECT_EQ(TestFiles::filesIn(m_dir.path()), QStringList{"a.txt"});
    }
}

// What a killed run left is removed; what a running writer (here or in another process) still
// writes, and whatever is not of the pattern, stays.
TEST_F(AtomicFileTest, StaleTemporaryFilesAreRemovedAndLiveOnesKept) {
    const QByteArray gone = QByteArray::number(goneProcess());
    const QByteArray alive = QByteArray::number(::getppid());
    const struct {
        QByteArray name;
        bool removed;
    } cases[] = {
        {".a.txt." + gone + "-k3x9.qmtmp", true},
        {".a.txt." + alive + "-k3x9.qmtmp", false},
        {".a.txt." + QByteArray::number(::getpid()) + "-k3x9.qmtmp", false},
        {".a.txt.k3x9.qmtmp", false},          // no process named: not ours to judge
        {"a.txt." + gone + "-k3x9.qmtmp", false}, // not hidden
        {".a.txt." + gone + "-k3x9.qmtmp~", false},
        {".a.txt." + gone + "-K3X9.qmtmp", false},
    };
    for (const auto& c : cases)
        ASSERT_TRUE(TestFiles::write(FileName::decode(in(c.name)), "x"));
    // A file of a gone process that someone still holds locked, and a FIFO under the pattern.
    const QByteArray locked = ".b.txt." + gone + "-a1.qmtmp";
    TestFiles::write(FileName::decode(in(locked)), "x");
    const int holder = ::open(in(locked).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const QByteArray fifo = ".c.txt." + gone + "-a1.qmtmp";
    ASSERT_EQ(::mkfifo(in(fifo).constData(), 0600), 0);

    EXPECT_EQ(AtomicFile::removeStaleTemporaries(m_dir.path()), 1);
    ::close(holder);
    for (const auto& c : cases)
        EXPECT_EQ(QFile::exists(FileName::decode(in(c.name))), !c.removed) << c.name.constData();
    EXPECT_TRUE(QFile::exists(FileName::decode(in(locked))));
    EXPECT_TRUE(FileOps::exists(FileName::decode(in(fifo))));
}

} // namespace
