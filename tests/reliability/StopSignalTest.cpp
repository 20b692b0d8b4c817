// SIGINT and SIGTERM in the middle of a large file: the tool stops at its next safe point, leaves
// the file as it was, says so, leaves no half-made file and exits with 128 + the signal.

#include "FileTree.h"
#include "SampleTexts.h"
#include "ToolFolders.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <random>

namespace {

class StopSignalTest : public ToolFolders<> {};

TEST_F(StopSignalTest, aSignalStopsTheRunAndLeavesEveryFileWhole) {
    std::mt19937 random(7);
    const QByteArray big = SampleTexts::largeText(random, 24 * 1024 * 1024);
    const struct {
        int signal;
        int exitCode;
    } rows[] = {{SIGINT, 130}, {SIGTERM, 143}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signal);
        FileTree::clear(app);
        FileTree::clear(work);
        FileTree::writeFile(work + "big.txt", big);
        FileTree::writeFile(work + "small.txt", "短\r\n行。\r\n");
        CliOptions options;
        options.killSignal = row.signal;
        // The rewrite of the large file is under way: its new content is being written beside it.
        const QByteArray temp = app + "tempfile.tmp";
        options.killWhen = [folder = work](pid_t tool) { return writesNewFileBelow(tool, folder); };

        // One file after the other: the small file has not started when the signal comes.
        const CliOutcome outcome =
            run({"--jobs", "1", "--backup", "reflow", work + "big.txt", work + "small.txt"}, options);

        ASSERT_TRUE(outcome.exitedWith(row.exitCode)) << outcome.describe();
        const QList<CliRow> printed = outcome.rows();
        ASSERT_EQ(printed.size(), 2) << outcome.describe();
        EXPECT_EQ(printed[0].text + "|" + printed[0].status + "|" + printed[0].reason,
                  "big.txt|未完成|已停止，文件保持原样");
        EXPECT_EQ(printed[1].text + "|" + printed[1].status + "|" + printed[1].reason, "small.txt|未处理|已停止");
        EXPECT_TRUE(FileTree::readFile(work + "big.txt") == big) << "the file in work was changed";
        EXPECT_EQ(FileTree::readFile(work + "small.txt"), "短\r\n行。\r\n");
        QByteArrayList left = FileTree::files(work);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (QByteArrayList{"big.txt", "small.txt"})) << "a half-made file was left";
        EXPECT_FALSE(QFile::exists(QString::fromUtf8(temp))) << "the working copy was left behind";
    }
}

} // namespace
