// Big inputs, slow (ctest label "big"): a 1 GB text file goes through re-flow and find-and-replace
// in bounded memory, and a folder of 20,000 files goes through the tool without a failure.

#include "FileTree.h"
#include "ToolFolders.h"

#include <iostream>
#include <sys/stat.h>

namespace {

const qint64 Gigabyte = qint64(1) << 30;
const long MemoryBoundKb = 64 * 1024;

// On the disk, not in memory: these files are what a user's disk holds.
class BigInputTest : public ToolFolders<> {
protected:
    BigInputTest() : ToolFolders({"--no-backup"}) {}
};

TEST_F(BigInputTest, gigabyteFileGoesThroughReflowAndReplaceInBoundedMemory) {
    // The file, its working copy and the new file being written lie side by side for a moment.
    if (FileTree::freeSpace(work) < 3 * Gigabyte + Gigabyte / 4)
        GTEST_SKIP() << "less than 3 GB free";
    const QByteArray path = work + "big.txt";
    {
        // Short lines that re-flow joins into paragraphs, and one sentence end per four lines.
        const QByteArray block =
            QByteArray("他推开门走了进去\r\n天色已晚 他说\r\n第一章\r\n　　你来了。\r\n").repeated(2048);
        FILE* file = std::fopen(path.constData(), "wb");
        ASSERT_NE(file, nullptr);
        for (qint64 written = 0; written < Gigabyte; written += block.size())
            ASSERT_EQ(std::fwrite(block.constData(), 1, size_t(block.size()), file), size_t(block.size()));
        ASSERT_EQ(std::fclose(file), 0);
    }
    struct stat info;
    ASSERT_EQ(::stat(path.constData(), &info), 0);
    const qint64 inputSize = info.st_size;

    const CliOutcome reflow = run({"reflow", path});
    EXPECT_TRUE(reflow.exitedWith(0)) << reflow.describe();
    EXPECT_LT(reflow.peakRssKb, MemoryBoundKb);
    ASSERT_EQ(::stat(path.constData(), &info), 0);
    EXPECT_GT(info.st_size, inputSize / 2);
    EXPECT_LT(info.st_size, inputSize);
    std::cout << "[ figures  ] reflow of " << inputSize << " bytes: " << reflow.seconds << " s, peak RSS "
              << reflow.peakRssKb << " kB" << std::endl;

    const CliOutcome replace = run({"replace", "--find", "他", "--with", "她们", path});
    EXPECT_TRUE(replace.exitedWith(0)) << replace.describe();
    EXPECT_LT(replace.peakRssKb, MemoryBoundKb);
    std::cout << "[ figures  ] replace in " << info.st_size << " bytes: " << replace.seconds << " s, peak RSS "
              << replace.peakRssKb << " kB" << std::endl;
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(app + "tempfile.tmp")));
}

TEST_F(BigInputTest, twentyThousandFilesGoThroughTheTool) {
    const int count = 20000;
    QByteArrayList paths;
    for (int i = 0; i < count; ++i) {
        const QByteArray path = work + "chapter" + QByteArray::number(i).rightJustified(5, '0') + ".txt";
        ASSERT_TRUE(FileTree::writeFile(path, "第" + QByteArray::number(i) + "章\r\n中 文\r\n"));
        paths.append(path);
    }
    const CliOutcome despace = run(QByteArrayList{"despace"} + paths);
    EXPECT_TRUE(despace.exitedWith(0)) << despace.describe().substr(0, 2000);
    EXPECT_EQ(despace.count(QStringLiteral("blue")), count + 1) << "a row per file and the total time";
    EXPECT_EQ(FileTree::readFile(paths.last()), "第19999章\r\n中文\r\n");
    std::cout << "[ figures  ] despace of " << count << " files named on the command line: " << despace.seconds
              << " s, peak RSS " << despace.peakRssKb << " kB" << std::endl;

    const CliOutcome wizard = run({"wizard", work, "--para"});
    EXPECT_TRUE(wizard.exitedWith(0)) << wizard.describe().substr(0, 2000);
    EXPECT_EQ(wizard.count(QStringLiteral("blue")), count);
    EXPECT_EQ(wizard.count(QStringLiteral("red")), 0);
    std::cout << "[ figures  ] wizard re-flow of a folder of " << count << " files: " << wizard.seconds
              << " s, peak RSS " << wizard.peakRssKb << " kB" << std::endl;
}

} // namespace
