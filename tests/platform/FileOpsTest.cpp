#include "platform/FileOps.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileOpsTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

    static mode_t modeOf(const QString& file) {
        struct stat st {};
        ::lstat(QFile::encodeName(file).constData(), &st);
        return st.st_mode;
    }
};

TEST_F(FileOpsTest, CopyGivesTheSameBytesAndReplacesAnOldTarget) {
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = char(i * 131 % 251);
    TestFiles::write(path("big.bin"), big);
    TestFiles::write(path("copy.bin"), "an older and different content");

    FileError error;
    ASSERT_TRUE(FileOps::copyFile(path("big.bin"), path("copy.bin"), &error)) << error.description.toStdString();
    EXPECT_TRUE(TestFiles::read(path("copy.bin")) == big);
    EXPECT_FALSE(error.isSet());
}

TEST_F(FileOpsTest, CopyReplacesAPlantedLinkInsteadOfWritingThroughIt) {
    TestFiles::write(path("source.txt"), "new");
    TestFiles::write(path("victim.txt"), "must stay");
    ASSERT_EQ(::symlink(QFile::encodeName(path("victim.txt")).constData(),
                        QFile::encodeName(path("tempfile.tmp")).constData()),
              0);

    ASSERT_TRUE(FileOps::copyFile(path("source.txt"), path("tempfile.tmp")));
    EXPECT_EQ(TestFiles::read(path("victim.txt")), QByteArray("must stay"));
    EXPECT_TRUE(S_ISREG(modeOf(path("tempfile.tmp"))));
    EXPECT_EQ(TestFiles::read(path("tempfile.tmp")), QByteArray("new"));
}

TEST_F(FileOpsTest, CopyOfAMissingSourceFailsWithEnoentAndKeepsTheTarget) {
    TestFiles::write(path("target.txt"), "old");
    FileError error;
    EXPECT_FALSE(FileOps::copyFile(path("gone.txt"), path("target.txt"), &error));
    EXPECT_EQ(error.number, ENOENT);
    EXPECT_EQ(error.description, QStringLiteral("No such file or directory"));
    EXPECT_EQ(TestFiles::read(path("target.txt")), QByteArray("old"));
}

TEST_F(FileOpsTest, CopyThatFailsHalfwayLeavesNoPartialTarget) {
    TestFiles::write(path("source.bin"), QByteArray(256 * 1024, 'x'));
    // A file-size limit makes the write fail part of the way through, like a full disk.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    FileError error;
    const bool copied = FileOps::copyFile(path("source.bin"), path("target.bin"), &error);

    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(copied);
    EXPECT_EQ(error.number, EFBIG);
    EXPECT_FALSE(FileOps::exists(path("target.bin")));
}

// A file is rewritten only with its write permission, and never made writable: even the superuser
// (the tests' user), whom the system lets write anything, leaves a read-only file alone.
TEST_F(FileOpsTest, OnlyAFileWithWritePermissionMayBeRewrittenAndItsBitsStay) {
    const struct {
        mode_t mode;
        int errorNumber;
    } cases[] = {{0644, 0}, {0600, 0}, {0200, 0}, {0444, EACCES}, {0400, EACCES}, {0000, EACCES}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        TestFiles::write(path("f.txt"), "x");
        ASSERT_EQ(::chmod(QFile::encodeName(path("f.txt")).constData(), c.mode), 0);
        FileError error;
        EXPECT_EQ(FileOps::mayRewrite(path("f.txt"), &error), c.errorNumber == 0);
        EXPECT_EQ(error.number, c.errorNumber);
        EXPECT_EQ(modeOf(path("f.txt")) & 07777, c.mode);
        ::chmod(QFile::encodeName(path("f.txt")).constData(), 0644);
    }
    FileError error;
    EXPECT_FALSE(FileOps::mayRewrite(path("gone.txt"), &error));
    EXPECT_EQ(error.number, ENOENT);
}

TEST_F(FileOpsTest, TreeSizeAndRemovalIncludeReadOnlyEntriesButNeverFollowLinks) {
    QDir(m_dir.path()).mkpath(QStringLiteral("backup/20030705-14/000"));
    QDir(m_dir.path()).mkpath(QStringLiteral("outside"));
    TestFiles::write(path("backup/20030705-14/000/a.txt"), QByteArray(1000, 'a'));
    TestFiles::write(path("backup/20030705-14/000/b.txt"), QByteArray(536, 'b'));
    TestFiles::write(path("backup/top.txt"), QByteArray(24, 'c'));
    TestFiles::write(path("outside/keep.txt"), QByteArray(5000, 'k'));
    ASSERT_EQ(
        ::symlink(QFile::encodeName(path("outside")).constData(), QFile::encodeName(path("backup/link")).constData()),
        0);
    ::chmod(QFile::encodeName(path("backup/20030705-14/000/a.txt")).constData(), 0444);
    ::chmod(QFile::encodeName(path("backup/20030705-14/000")).constData(), 0555);

    EXPECT_EQ(FileOps::folderSize(path("backup/")), 1560);
    EXPECT_EQ(FileOps::folderSize(path("missing/")), 0);

    FileError error;
    ASSERT_TRUE(FileOps::removeTree(path("backup/"), &error)) << error.description.toStdString();
    EXPECT_FALSE(FileOps::exists(path("backup")));
    EXPECT_EQ(TestFiles::read(path("outside/keep.txt")).size(), 5000);
    EXPECT_TRUE(FileOps::removeTree(path("backup/")));
}

} // namespace

namespace {

// Drives without an atomic no-replace rename (vfat, ntfs-3g, FUSE) still rename, and still never
// replace a file.
TEST_F(FileOpsTest, RenameNeverReplacesAlsoWhereTheFileSystemLacksTheAtomicWay) {
    for (const bool unsupported : {false, true}) {
        SCOPED_TRACE(unsupported ? "EINVAL from renameat2" : "renameat2");
        FileOps::noReplaceRenameUnsupportedForTesting(unsupported);
        TestFiles::write(path("a.txt"), "a");
        TestFiles::write(path("taken.txt"), "taken");
        FileError error;
        EXPECT_FALSE(FileOps::renameNoReplace(path("a.txt"), path("taken.txt"), &error));
        EXPECT_EQ(error.number, EEXIST);
        EXPECT_EQ(TestFiles::read(path("taken.txt")), QByteArray("taken"));
        EXPECT_EQ(TestFiles::read(path("a.txt")), QByteArray("a"));

        ASSERT_TRUE(FileOps::renameNoReplace(path("a.txt"), path("b.txt"), &error));
        EXPECT_EQ(TestFiles::read(path("b.txt")), QByteArray("a"));
        EXPECT_FALSE(FileOps::exists(path("a.txt")));
        ::unlink(QFile::encodeName(path("b.txt")).constData());
    }
    FileOps::noReplaceRenameUnsupportedForTesting(false);
}

} // namespace
