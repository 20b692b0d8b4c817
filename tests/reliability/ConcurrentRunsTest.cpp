// Two and three runs of the tool at once over the same app folder (and so the same backup tree),
// each on its own folder of a few hundred files: every file must end exactly as a run on its own
// would leave it, and every backup copy must be the file it was.

#include "FileTree.h"
#include "SampleTexts.h"
#include "ToolFolders.h"

#include <QFile>
#include <QProcess>
#include <memory>
#include <vector>

namespace {

class ConcurrentRunsTest : public ToolFolders<> {};

TEST_F(ConcurrentRunsTest, runsSharingTheAppFolderNeverMixTheirFiles) {
    constexpr int FilesPerRun = 200;
    for (const int runs : {2, 3}) {
        for (const QByteArray& backup : {QByteArray("--no-backup"), QByteArray("--backup")}) {
            SCOPED_TRACE(std::to_string(runs) + " runs " + backup.toStdString());
            FileTree::clear(app);
            FileTree::clear(work);
            // The expected result of each folder: the same command run alone over a twin of it.
            std::vector<FileTree::Tree> originals;
            std::vector<FileTree::Tree> expected;
            for (int r = 0; r < runs; ++r) {
                const FileTree::Tree files = SampleTexts::textFiles(FilesPerRun, unsigned(1000 * runs + r));
                originals.push_back(files);
                const QByteArray twin = work + "twin" + QByteArray::number(r) + "/";
                ASSERT_TRUE(FileTree::write(twin, files));
                ASSERT_TRUE(FileTree::write(work + "run" + QByteArray::number(r) + "/", files));
                QByteArrayList arguments{"--no-backup", "wide"};
                for (const QByteArray& name : files.keys())
                    arguments.append(twin + name);
                const CliOutcome alone = run(arguments);
                ASSERT_TRUE(alone.exitedWith(0)) << alone.describe();
                expected.push_back(FileTree::read(twin));
            }

            std::vector<std::unique_ptr<QProcess>> processes;
            for (int r = 0; r < runs; ++r) {
                QStringList arguments{"--app-dir", QString::fromUtf8(app), "--quiet", QString::fromUtf8(backup),
                                      "wide"};
                for (const QByteArray& name : originals[size_t(r)].keys())
                    arguments.append(QString::fromUtf8(work + "run" + QByteArray::number(r) + "/" + name));
                processes.push_back(std::make_unique<QProcess>());
                processes.back()->start(QStringLiteral(QM_BIN_DIR "/quillmar-cli"), arguments);
            }
            for (const auto& process : processes) {
                ASSERT_TRUE(process->waitForFinished(120000));
                EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardOutput().toStdString();
            }

            for (int r = 0; r < runs; ++r)
                EXPECT_TRUE(FileTree::read(work + "run" + QByteArray::number(r) + "/") == expected[size_t(r)])
                    << "run " << r << " holds another run's text or a wrong result";
            // Every backup copy is the original of the file it names, in one numbered folder per run.
            const FileTree::Tree backups = FileTree::read(app + "backup/");
            int copies = 0;
            for (auto it = backups.begin(); it != backups.end(); ++it) {
                if (it.value() == FileTree::Folder)
                    continue;
                const QByteArray name = it.key().mid(it.key().lastIndexOf('/') + 1);
                bool matches = false;
                for (const FileTree::Tree& files : originals)
                    matches = matches || files.value(name) == it.value();
                EXPECT_TRUE(matches) << it.key().toStdString();
                ++copies;
            }
            if (backup == "--backup") {
                EXPECT_GT(copies, 0);
            }
            EXPECT_FALSE(QFile::exists(QString::fromUtf8(app + "tempfile.tmp")));
        }
    }
}

} // namespace
