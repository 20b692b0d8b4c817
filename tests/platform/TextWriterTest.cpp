#include "platform/TextWriter.h"

#include "platform/TextReader.h"

#include "fakes/QtPrinting.h"
#include "fakes/TestFiles.h"
#include "platform/EscapedText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TextWriterTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void TearDown() override { TextWriter::failAfterBytesForTesting(-1); }

    static mode_t modeOf(const QString& file) {
        struct stat info {};
        ::lstat(QFile::encodeName(file).constData(), &info);
        return info.st_mode;
    }
};

struct WriteCase {
    const char* rule;
    TextFormat format;
    QStringList lines;
    QByteArray bytes;
    int unmappable = 0; // characters the encoding cannot hold, written as "?"
};

TEST_F(TextWriterTest, WritesLinesInTheChosenFormat) {
    const WriteCase cases[] = {
        {"GB18030 with CR LF",
         {TextEncoding::Gb18030, LineEnd::CrLf},
         {"中文", "𠍀"},
         "\xD6\xD0\xCE\xC4\r\n\x95\x32\xD5\x38\r\n"},
        {"a Unix file gets LF", {TextEncoding::Gb18030, LineEnd::Lf}, {"a", ""}, "a\n\n"},
        {"an old Mac file gets a lone CR", {TextEncoding::Gb18030, LineEnd::Cr}, {"中", ""}, "\xD6\xD0\r\r"},
        {"an old Mac file in UTF-16 BE",
         {TextEncoding::Utf16BE, LineEnd::Cr},
         {"中"},
         QByteArray("\xFE\xFF\x4E\x2D\0\r", 6)},
        {"Big5",
         {TextEncoding::Big5, LineEnd::CrLf},
         {"繁體", "著€▓"},
         "\xC1\x63\xC5\xE9\r\n\xB5\xDB\xA3\xE1\xF9\xFE\r\n"},
        {"Big5 is plain Big5: no HKSCS (着 FED3, 𧉧 8745) or ETEN (＂ C8D0) extension codes",
         {TextEncoding::Big5, LineEnd::CrLf},
         {"着＂𧉧"},
         "???\r\n",
         3},
        {"UTF-8 without BOM", {TextEncoding::Utf8, LineEnd::CrLf}, {"中𠍀"}, "\xE4\xB8\xAD\xF0\xA0\x8D\x80\r\n"},
        {"UTF-8 with BOM", {TextEncoding::Utf8Bom, LineEnd::Lf}, {"中"}, "\xEF\xBB\xBF\xE4\xB8\xAD\n"},
        {"UTF-16 LE with BOM",
         {TextEncoding::Utf16LE, LineEnd::CrLf},
         {"中𠍀"},
         QByteArray("\xFF\xFE\x2D\x4E\x40\xD8\x40\xDF\r\0\n\0", 12)},
        {"UTF-16 BE with BOM", {TextEncoding::Utf16BE, LineEnd::Lf}, {"中"}, QByteArray("\xFE\xFF\x4E\x2D\0\n", 6)},
        {"escapes go back as their bytes",
         {TextEncoding::Gb18030, LineEnd::CrLf},
         {escaped("<81>0<FF>")},
         "\x81"
         "0\xFF\r\n"},
        {"escapes go back as their bytes in UTF-16, a lone one last, without the line end after it",
         {TextEncoding::Utf16LE, LineEnd::CrLf},
         {escaped("<00><D8>A<7F>")},
         QByteArray("\xFF\xFE\0\xD8"
                    "A\0\x7F",
                    7)},
        {"an empty file of no lines has only its BOM", {TextEncoding::Utf8Bom, LineEnd::CrLf}, {}, "\xEF\xBB\xBF"},
        {"a high surrogate that ends a line is written as a question mark before the line end",
         {TextEncoding::Gb18030, LineEnd::CrLf},
         {QStringLiteral("a") + QChar(0xD840), QStringLiteral("b")},
         "a?\r\nb\r\n",
         1},
        {"Big5 writes what it cannot hold as question marks and counts them",
         {TextEncoding::Big5, LineEnd::CrLf},
         {"这中简"},
         "?\xA4\xA4?\r\n",
         2},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.rule);
        const QString target = path(QStringLiteral("out.txt"));
        TextWriter writer;
        ASSERT_TRUE(writer.open(target, c.format));
        for (const QString& line : c.lines)
            writer.writeLine(line);
        ASSERT_TRUE(writer.commit()) << writer.error().description.toStdString();
        EXPECT_EQ(TestFiles::read(target), c.bytes);
        EXPECT_EQ(writer.unmappableCount(), c.unmappable);
    }
}

TEST_F(TextWriterTest, ABig5FileKeepsItsOwnExtensionCodesAndNamesTheFirstCharactersItCannotHold) {
    // The source line held 着 as FED3 and ① as C6A1; the new text adds 㗎 (HKSCS 8C6D) and ＂, which the
    // file did not hold, and a second 㗎.
    const QString target = path(QStringLiteral("out.txt"));
    TextWriter writer;
    ASSERT_TRUE(writer.open(target, {TextEncoding::Big5, LineEnd::CrLf}));
    writer.keepExtensionCodesOf(u"看着①");
    writer.writeLine(u"着①㗎＂㗎");
    EXPECT_EQ(writer.unmappableCount(), 3);
    EXPECT_EQ(writer.unmappableSample(), (std::vector<char32_t>{U'㗎', U'＂'}));
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(TestFiles::read(target), QByteArray("\xFE\xD3\xC6\xA1???\r\n"));
    EXPECT_EQ(writer.unmappableCount(), 3);
}

TEST_F(TextWriterTest, PiecesAreJoinedAndTheirCrLfBecomesTheFormatsLineEnd) {
    const QString character = QStringLiteral("𠍀");
    const struct {
        const char* rule;
        TextFormat format;
        QList<QStringView> pieces;
        QByteArray bytes;
    } cases[] = {
        {"CR LF stays CR LF", {TextEncoding::Utf8, LineEnd::CrLf}, {u"a\r\nb\rc", u"\nd"}, "a\r\nb\rc\nd"},
        {"CR LF becomes LF, a lone CR stays", {TextEncoding::Utf8, LineEnd::Lf}, {u"a\r\nb\rc", u"\nd"}, "a\nb\rc\nd"},
        {"CR LF becomes CR, a lone LF stays",
         {TextEncoding::Utf8, LineEnd::Cr},
         {u"a\r\nb\nc\r", u"\nd\r\n"},
         "a\rb\nc\r\nd\r"},
        {"a surrogate pair split across writes stays one character",
         {TextEncoding::Gb18030, LineEnd::CrLf},
         {QStringView(character).left(1), QStringView(character).mid(1)},
         "\x95\x32\xD5\x38"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule);
        const QString target = path(QStringLiteral("out.txt"));
        TextWriter writer;
        ASSERT_TRUE(writer.open(target, c.format));
        for (const QStringView piece : c.pieces)
            writer.write(piece);
        ASSERT_TRUE(writer.commit());
        EXPECT_EQ(TestFiles::read(target), c.bytes);
    }
}

TEST_F(TextWriterTest, NothingReachesTheTargetBeforeCommit) {
    const QString target = path(QStringLiteral("a.txt"));
    ASSERT_TRUE(TestFiles::write(target, "old"));
    {
        TextWriter writer;
        ASSERT_TRUE(writer.open(target, {}));
        writer.writeLine(u"new");
        EXPECT_EQ(TestFiles::read(target), QByteArray("old"));
    }
    EXPECT_EQ(TestFiles::read(target), QByteArray("old"));
    EXPECT_EQ(TestFiles::filesIn(m_dir.path()), QStringList{"a.txt"});
}

TEST_F(TextWriterTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const QString target = path(QStringLiteral("a.txt"));
    ASSERT_TRUE(TestFiles::write(target, "old"));
    TextWriter::failAfterBytesForTesting(10);
    TextWriter writer;
    ASSERT_TRUE(writer.open(target, {}));
    for (int i = 0; i < 100000; ++i)
        writer.writeLine(u"第一行");
    EXPECT_FALSE(writer.commit());
    EXPECT_EQ(writer.error().number, ENOSPC);
    EXPECT_FALSE(writer.error().description.isEmpty());
    EXPECT_EQ(TestFiles::read(target), QByteArray("old"));
    EXPECT_EQ(TestFiles::filesIn(m_dir.path()), QStringList{"a.txt"});
}

TEST_F(TextWriterTest, AFolderThatVanishesFailsTheCommit) {
    const QString folder = path(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(TestFiles::write(folder + "/a.txt", "old"));

    TextWriter removed;
    ASSERT_TRUE(removed.open(folder + "/a.txt", {}));
    removed.writeLine(u"new");
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(removed.commit());
    EXPECT_EQ(removed.error().number, ENOENT);
    EXPECT_FALSE(QFileInfo::exists(folder));

    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(TestFiles::write(folder + "/a.txt", "old"));
    TextWriter moved;
    ASSERT_TRUE(moved.open(folder + "/a.txt", {}));
    moved.writeLine(u"new");
    ASSERT_TRUE(QDir().rename(folder, path(QStringLiteral("elsewhere"))));
    EXPECT_FALSE(moved.commit());
    EXPECT_EQ(TestFiles::treeOf(m_dir.path()), QStringList{"elsewhere/a.txt"});
    EXPECT_EQ(TestFiles::read(path(QStringLiteral("elsewhere/a.txt"))), QByteArray("old"));
}

TEST_F(TextWriterTest, OpenFailsWhereNoFileCanBe) {
    TextWriter writer;
    EXPECT_FALSE(writer.open(path(QStringLiteral("missing/a.txt")), {}));
    EXPECT_EQ(writer.error().number, ENOENT);
    EXPECT_FALSE(writer.commit());

    EXPECT_FALSE(writer.open(m_dir.path(), {}));
    EXPECT_EQ(writer.error().number, EISDIR);
    EXPECT_TRUE(TestFiles::filesIn(m_dir.path()).isEmpty());
}

TEST_F(TextWriterTest, KeepsPermissionBitsOfTheFileItReplaces) {
    const QString target = path(QStringLiteral("a.txt"));
    ASSERT_TRUE(TestFiles::write(target, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    TextWriter writer;
    ASSERT_TRUE(writer.open(target, {}));
    writer.writeLine(u"new");
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(modeOf(target) & 07777, 0640u);

    // A new file gets what the umask leaves of 0666, like any other new file.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const QString fresh = path(QStringLiteral("b.txt"));
    ASSERT_TRUE(writer.open(fresh, {}));
    ASSERT_TRUE(writer.commit());
    EXPECT_EQ(modeOf(fresh) & 07777, 0666u & ~mask);
}

// The rewrite of another user's file (by a user allowed to set owners) keeps its owner, group and
// every mode bit: the owner is set before the bits, as a change of owner clears set-group-ID.
TEST_F(TextWriterTest, KeepsOwnerGroupAndAllModeBitsWhereTheUserMaySetThem) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the superuser may give a file to another user";
    const QString target = path(QStringLiteral("a.txt"));
    ASSERT_TRUE(TestFiles::write(target, "old"));
    const QByteArray native = QFile::encodeName(target);
    ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(native.constData(), 02674), 0);
    TextWriter writer;
    ASSERT_TRUE(writer.open(target, {}));
    writer.writeLine(u"new");
    ASSERT_TRUE(writer.commit());
    struct stat st {};
    ASSERT_EQ(::stat(native.constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 02674u);
    EXPECT_EQ(TestFiles::read(target), QByteArray("new\r\n"));
}

TEST_F(TextWriterTest, WritesThroughASymbolicLink) {
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("real"))));
    const QString real = path(QStringLiteral("real/a.txt"));
    ASSERT_TRUE(TestFiles::write(real, "old"));
    const QString link = path(QStringLiteral("link.txt"));
    ASSERT_EQ(::symlink("real/a.txt", QFile::encodeName(link).constData()), 0);

    TextWriter writer;
    ASSERT_TRUE(writer.open(link, {}));
    writer.writeLine(u"new");
    ASSERT_TRUE(writer.commit());
    EXPECT_TRUE(S_ISLNK(modeOf(link)));
    EXPECT_EQ(TestFiles::read(real), QByteArray("new\r\n"));
    EXPECT_EQ(TestFiles::treeOf(m_dir.path()), (QStringList{"link.txt", "real/a.txt"}));
}

} // namespace

namespace {

// A result that equals the file leaves the file itself (same inode, so its date too) and runs no
// hook; a different result runs the hook first, and a failing hook keeps the old file.
TEST_F(TextWriterTest, AnUnchangedResultLeavesTheFileAndTheHookRunsOnlyBeforeARealReplacement) {
    struct Case {
        const char* rule;
        QStringList lines;
        bool hookSucceeds;
        bool committed;
        bool unchanged;
        QByteArray after;
        int hookCalls;
    };
    const Case cases[] = {
        {"the same bytes", {"中文", "b"}, true, true, true, "中文\r\nb\r\n", 0},
        {"a longer result", {"中文", "b", "c"}, true, true, false, "中文\r\nb\r\nc\r\n", 1},
        {"a shorter result", {"中文"}, true, true, false, "中文\r\n", 1},
        {"one byte differs", {"中文", "c"}, true, true, false, "中文\r\nc\r\n", 1},
        {"a failing hook keeps the old file", {"x"}, false, false, false, "中文\r\nb\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        ASSERT_TRUE(TestFiles::write(path("a.txt"), "中文\r\nb\r\n"));
        struct stat before {};
        ::stat(QFile::encodeName(path("a.txt")).constData(), &before);

        TextWriter writer;
        ASSERT_TRUE(writer.open(path("a.txt"), {TextEncoding::Utf8, LineEnd::CrLf}));
        int hookCalls = 0;
        writer.setBeforeReplace([&](FileError& error) {
            ++hookCalls;
            EXPECT_EQ(TestFiles::read(path("a.txt")), QByteArray("中文\r\nb\r\n")) << "the hook sees the old file";
            if (!c.hookSucceeds)
                error = FileError::fromErrno(EACCES);
            return c.hookSucceeds;
        });
        for (const QString& line : c.lines)
            writer.writeLine(line);
        EXPECT_EQ(writer.commit(), c.committed);
        EXPECT_EQ(writer.unchanged(), c.unchanged);
        EXPECT_EQ(hookCalls, c.hookCalls);
        EXPECT_EQ(TestFiles::read(path("a.txt")), c.after);
        if (!c.committed) {
            EXPECT_EQ(writer.error().number, EACCES);
        }
        struct stat after {};
        ::stat(QFile::encodeName(path("a.txt")).constData(), &after);
        EXPECT_EQ(after.st_ino == before.st_ino, c.unchanged || !c.committed);
        EXPECT_EQ(TestFiles::filesIn(m_dir.path()), QStringList{"a.txt"}) << "no temporary file is left";
    }
}


// A writer never takes a file from someone else: a file the user may not write, one another job
// works on, one that changed or was replaced since the job read it, and a name that appeared since
// the writer opened are all left to their owner, with the cause.
TEST_F(TextWriterTest, AFileTheJobDoesNotOwnAnyMoreIsNeverReplaced) {
    const QString target = path(QStringLiteral("a.txt"));
    const QByteArray other = "the other program's edit\r\n";
    const auto edit = [&] { ASSERT_TRUE(TestFiles::write(target, other)); };
    const auto replace = [&] {
        ASSERT_TRUE(TestFiles::write(path(QStringLiteral("b.txt")), other));
        ASSERT_EQ(::rename(QFile::encodeName(path(QStringLiteral("b.txt"))).constData(),
                           QFile::encodeName(target).constData()),
                  0);
    };
    // The same size, only its modification time tells (to the nanosecond).
    const auto touch = [&] {
        ASSERT_TRUE(TestFiles::write(target, "old\r\n"));
        const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 1}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(target).constData(), times, 0), 0);
    };
    const std::function<void()> nothing = [] {};
    struct Case {
        const char* rule;
        bool exists;
        std::function<void()> afterRead;   // between the reader's open and the writer's
        std::function<void()> afterOpen;   // between the writer's open and its commit
        bool opens;
        int errorNumber;
        const char* reason; // when not the system's own
        QByteArray after;
    };
    const Case cases[] = {
        {"nothing happened", true, nothing, nothing, true, 0, nullptr, "new\r\n"},
        {"edited after the job read it", true, edit, nothing, true, EAGAIN, "文件在处理时被另一个程序更改", other},
        {"replaced after the job read it", true, replace, nothing, true, EAGAIN, "文件在处理时被另一个程序更改", other},
        {"edited while the job writes", true, nothing, edit, true, EAGAIN, "文件在处理时被另一个程序更改", other},
        {"replaced while the job writes", true, nothing, replace, true, EAGAIN, "文件在处理时被另一个程序更改",
         other},
        {"only its time changed", true, nothing, touch, true, EAGAIN, "文件在处理时被另一个程序更改", "old\r\n"},
        {"deleted while the job writes", true, nothing, [&] { QFile::remove(target); }, true, ENOENT, nullptr,
         "<missing>"},
        {"made by another program while the job writes", false, nothing, edit, true, EEXIST, nullptr, other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        QFile::remove(target);
        if (c.exists) {
            ASSERT_TRUE(TestFiles::write(target, "old\r\n"));
        }
        TextReader reader;
        ASSERT_EQ(reader.open(target), c.exists);
        c.afterRead();
        TextWriter writer;
        ASSERT_TRUE(writer.open(target, {TextEncoding::Utf8, LineEnd::CrLf}));
        if (c.exists)
            writer.expectTarget(reader.identity());
        writer.writeLine(u"new");
        c.afterOpen();
        EXPECT_EQ(writer.commit(), c.errorNumber == 0);
        EXPECT_EQ(writer.error().number, c.errorNumber);
        if (c.reason) {
            EXPECT_EQ(writer.error().description, QString::fromUtf8(c.reason));
        }
        EXPECT_EQ(TestFiles::read(target), c.after);
        EXPECT_EQ(TestFiles::filesIn(m_dir.path()).filter(QStringLiteral(".qmtmp")), QStringList());
    }
}

TEST_F(TextWriterTest, AFileTheUserMayNotWriteOrAnotherJobWorksOnIsRefusedAtOpen) {
    const QString target = path(QStringLiteral("a.txt"));
    ASSERT_TRUE(TestFiles::write(target, "old\r\n"));
    {
        TextWriter first;
        ASSERT_TRUE(first.open(target, {}));
        TextWriter second;
        EXPECT_FALSE(second.open(target, {}));
        EXPECT_EQ(second.error().number, EAGAIN);
        EXPECT_EQ(second.error().description, QStringLiteral("文件正由另一个任务处理"));
        first.writeLine(u"first");
        EXPECT_TRUE(first.commit());
        EXPECT_TRUE(second.open(target, {})) << "the lock goes with the first writer";
    }
    EXPECT_EQ(TestFiles::read(target), QByteArray("first\r\n"));

    // Read-only, even for the superuser: the file is neither made writable nor replaced.
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    TextWriter writer;
    EXPECT_FALSE(writer.open(target, {}));
    EXPECT_EQ(writer.error().number, EACCES);
    EXPECT_EQ(modeOf(target) & 07777, 0444u);
    EXPECT_EQ(TestFiles::read(target), QByteArray("first\r\n"));
}

} // namespace
