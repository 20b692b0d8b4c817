// Writes that fail half-way, in every kind of job: the tool runs with a file-size limit (every file
// it writes beyond that size fails with EFBIG, as on a disk that is full for it), or on a small
// memory file system that is nearly full (ENOSPC). The file that cannot be written keeps its old
// content, its row is red, no temporary file is left, and the next file of the batch is done.

#include "FileTree.h"
#include "ToolFolders.h"

#include <functional>
#include <sys/mount.h>
#include <unistd.h>

namespace {

using FileTree::Tree;

// 2,000 lines "。" ended by a lone CR in a file that also holds a CR LF (so it is a CR LF file, not an
// old Mac file): 8,000 bytes that every job writes back as 10,000 (each line end becomes CR LF), so a
// limit between the two lets the working copy and the backup be made and fails the rewrite.
// Something for every command to change ("中 文們们Ａa行"), then lone CRs that grow into CR LF: a
// file whose text stays the same is not written at all.
const QByteArray Growing = QByteArray("\xE4\xB8\xAD \xE6\x96\x87\xE5\x80\x91\xE4\xBB\xAC\xEF\xBC\xA1"
                                      "a\xE8\xA1\x8C\r\n") +
                           QByteArray("\xE3\x80\x82\r").repeated(2000);
const QByteArray Small = "短行。\r\n";
const qint64 Limit = 9000;

QByteArray page(const QByteArray& text) {
    return "<html><body>\r\n<p>" + text + "</p>\r\n</body></html>\r\n";
}

const QByteArray BigPage = page(QByteArray("\xE6\x96\x87\xE5\xAD\x97 \xE6\x96\x87\xE5\xAD\x97\r\n").repeated(1200));
const QByteArray SmallPage = page("一页。");

struct Job {
    const char* rule;
    std::function<QByteArrayList(const QByteArray& work)> arguments;
    QByteArray failing; // the file whose writing fails; it must keep its content (or stay absent)
    QByteArray passing; // a file after it in the batch, whose row must say it was done
};

QByteArrayList twoTexts(const char* command, const QByteArray& work) {
    return {command, work + "a.txt", work + "b.txt"};
}

const Job Jobs[] = {
    {"reflow", [](const QByteArray& w) { return twoTexts("reflow", w); }, "a.txt", "b.txt"},
    {"despace", [](const QByteArray& w) { return twoTexts("despace", w); }, "a.txt", "b.txt"},
    {"gb", [](const QByteArray& w) { return twoTexts("gb", w); }, "a.txt", "b.txt"},
    {"big5", [](const QByteArray& w) { return twoTexts("big5", w); }, "a.txt", "b.txt"},
    {"narrow", [](const QByteArray& w) { return twoTexts("narrow", w); }, "a.txt", "b.txt"},
    {"wide", [](const QByteArray& w) { return twoTexts("wide", w); }, "a.txt", "b.txt"},
    {"replace",
     [](const QByteArray& w) {
         return QByteArrayList{"replace", "--find", "行", "--with", "列", w + "a.txt", w + "b.txt"};
     },
     "a.txt", "b.txt"},
    {"html2txt",
     [](const QByteArray& w) {
         return QByteArrayList{"html2txt", w + "a.htm", w + "b.htm"};
     },
     "a.txt", "b.htm"},
    {"merge",
     [](const QByteArray& w) {
         return QByteArrayList{"merge", "--output", w + "book.txt", w + "a.txt", w + "b.txt"};
     },
     "book.txt", ""},
    {"wizard",
     [](const QByteArray& w) {
         return QByteArrayList{"wizard", w, "--html", "--merge", "book", "--delete-merged", "--para"};
     },
     "a.txt", "b.txt"},
};

Tree startFiles() {
    return {{"a.txt", Growing}, {"b.txt", Small}, {"a.htm", BigPage}, {"b.htm", SmallPage}, {"book.txt", "旧书。\r\n"}};
}

class WriteFailureTest : public ToolFolders<::testing::TestWithParam<Job>> {
protected:
    void TearDown() override {
        if (m_mounted)
            ::umount2(work.constData(), MNT_DETACH);
    }

    // A memory file system at the work folder with room for `pages` more pages, when this machine lets
    // us mount one.
    bool mountNearlyFull(int pages) {
        if (::geteuid() != 0 ||
            ::mount("tmpfs", work.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0755") != 0)
            return false;
        m_mounted = true;
        if (!FileTree::write(work, startFiles()))
            return false;
        const qint64 page = 4096;
        const qint64 filler = FileTree::freeSpace(work) - pages * page;
        return filler > 0 && FileTree::writeFile(work + "filler.bin", QByteArray(filler, 'x')) &&
               FileTree::freeSpace(work) == pages * page;
    }

    void expectSafeFailure(const Job& job, const Tree& before, const CliOutcome& outcome, const char* why) {
        const Tree after = FileTree::read(work);
        EXPECT_TRUE(outcome.exitedWith(1)) << outcome.describe();
        EXPECT_GE(outcome.count(QStringLiteral("red")), 1) << outcome.describe();
        EXPECT_TRUE(outcome.out.contains(why)) << outcome.describe();
        EXPECT_EQ(after.value(job.failing, "<absent>"), before.value(job.failing, "<absent>"))
            << job.failing.toStdString() << " changed";
        for (auto it = after.cbegin(); it != after.cend(); ++it)
            EXPECT_FALSE(it.key().endsWith(".qmtmp")) << "left behind: " << it.key().toStdString();
        for (auto it = before.cbegin(); it != before.cend(); ++it)
            EXPECT_TRUE(after.contains(it.key())) << it.key().toStdString() << " is gone";
        if (!job.passing.isEmpty()) {
            bool done = false;
            for (const CliRow& row : outcome.rows())
                done = done || (row.text.endsWith(QString::fromUtf8(job.passing)) && row.mark == u"blue");
            EXPECT_TRUE(done) << "the batch did not go on with " << job.passing.toStdString() << "\n"
                              << outcome.describe();
        }
        // The wizard backs up what its earlier stages made; the commands back up the files as they were.
        if (job.rule == std::string("wizard"))
            return;
        const Tree backups = FileTree::read(app + "backup");
        for (auto it = backups.cbegin(); it != backups.cend(); ++it) {
            if (it.value() == FileTree::Folder || it.key().endsWith("/quillmar-journal.txt"))
                continue;
            EXPECT_EQ(it.value(), before.value(it.key().mid(it.key().lastIndexOf('/') + 1)))
                << "backup " << it.key().toStdString();
        }
    }

private:
    bool m_mounted = false;
};

TEST_P(WriteFailureTest, fileSizeLimitLeavesTheFileAndGoesOn) {
    const Job& job = GetParam();
    const Tree before = startFiles();
    ASSERT_TRUE(FileTree::write(work, before));
    CliOptions limited;
    limited.fileSizeLimit = Limit;
    const CliOutcome outcome = run(job.arguments(work), limited);
    expectSafeFailure(job, before, outcome, "File too large");
}

TEST_P(WriteFailureTest, fullDiskLeavesTheFileAndGoesOn) {
    const Job& job = GetParam();
    // Two pages free: the small files fit, the 10,000 bytes of the big one do not.
    if (!mountNearlyFull(2))
        GTEST_SKIP() << "cannot mount a memory file system here";
    const Tree before = FileTree::read(work);
    // One file after the other: files worked on at once would share the little space left.
    const CliOutcome outcome = run(QByteArrayList{"--jobs", "1"} + job.arguments(work));
    expectSafeFailure(job, before, outcome, "No space left on device");
}

INSTANTIATE_TEST_SUITE_P(Jobs, WriteFailureTest, ::testing::ValuesIn(Jobs),
                         [](const ::testing::TestParamInfo<Job>& param) { return std::string(param.param.rule); });

} // namespace
