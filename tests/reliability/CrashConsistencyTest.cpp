// quillmar-cli killed with SIGKILL at seeded moments in the middle of a batch: every user's file is
// byte for byte either its old content or its new one, a file a batch deletes is gone only once its
// text is safe in another complete file, every backup copy there is is complete, and the next run
// over what the killed one left works (its leftovers in the way or not).

#include "FileTree.h"
#include "SampleTexts.h"
#include "ToolFolders.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using FileTree::Tree;

// What a command does with the files, which decides what a killed run may leave.
enum class Kind {
    InPlace,  // rewrites every file named
    NewFiles, // writes a new file beside every file named
    Merge,    // writes one new file
    Wizard,   // pages to text (deleting the pages), merge (deleting the sources), re-flow
    Rename,   // renames every file, through temporary names where names are taken by other files
};

struct Scenario {
    const char* key;
    Kind kind;
    // The command line after the global options, given the work folder and the files there.
    std::function<QByteArrayList(const QByteArray& work)> arguments;
};

const unsigned DefaultSeed = 20030705;
const int TextFiles = 200;
const int WebPages = 40;

unsigned seed() {
    const char* text = std::getenv("QM_CRASH_SEED");
    return text ? unsigned(std::strtoul(text, nullptr, 10)) : DefaultSeed;
}

Tree pristine() {
    Tree files = SampleTexts::textFiles(TextFiles, seed());
    files.insert(SampleTexts::webPages(WebPages, seed() + 1));
    return files;
}

QByteArrayList filesEndingIn(const QByteArray& work, const char* extension) {
    QByteArrayList paths;
    const Tree files = pristine();
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        if (it.key().endsWith(extension))
            paths.append(work + it.key());
    }
    return paths;
}

QByteArrayList command(std::initializer_list<QByteArray> head, const QByteArrayList& files) {
    return QByteArrayList(head) + files;
}

const Scenario Scenarios[] = {
    {"reflow", Kind::InPlace,
     [](const QByteArray& w) {
         return command({"reflow"}, filesEndingIn(w, ".txt"));
     }},
    {"despace", Kind::InPlace,
     [](const QByteArray& w) {
         return command({"despace"}, filesEndingIn(w, ".txt"));
     }},
    {"replace", Kind::InPlace,
     [](const QByteArray& w) {
         return command({"replace", "--find", "他", "--with", "她們"}, filesEndingIn(w, ".txt"));
     }},
    {"gb", Kind::InPlace,
     [](const QByteArray& w) {
         return command({"gb"}, filesEndingIn(w, ".txt"));
     }},
    {"big5", Kind::InPlace,
     [](const QByteArray& w) {
         // The chapters hold 𠍀, which Big5 cannot: those files are saved as UTF-8 (in a second pass).
         return command({"--unmappable", "utf-8", "big5"}, filesEndingIn(w, ".txt"));
     }},
    {"narrow", Kind::InPlace,
     [](const QByteArray& w) {
         return command({"narrow"}, filesEndingIn(w, ".txt"));
     }},
    {"wide", Kind::InPlace,
     [](const QByteArray& w) {
         return command({"wide"}, filesEndingIn(w, ".txt"));
     }},
    {"html2txt", Kind::NewFiles,
     [](const QByteArray& w) {
         return command({"html2txt"}, filesEndingIn(w, ".htm"));
     }},
    {"merge", Kind::Merge,
     [](const QByteArray& w) {
         return command({"merge", "--output", w + "book.txt"}, filesEndingIn(w, ".txt"));
     }},
    {"wizard", Kind::Wizard,
     [](const QByteArray& w) {
         return QByteArrayList{"wizard", w, "--html", "--delete-html", "--merge", "book", "--delete-merged", "--para"};
     }},
    // "000.txt" becomes "001.txt", which another file holds until it has moved on: every rename goes
    // through a temporary name.
    {"rename", Kind::Rename,
     [](const QByteArray& w) {
         return command({"rename", "--template", "###", "--start", "1"}, filesEndingIn(w, ".txt"));
     }},
};

// What a killed program may leave besides the users' files: the temporary file of a write or a copy
// it was making, hidden beside its target.
bool isLeftover(const QByteArray& path) {
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    return name.startsWith('.') && name.endsWith(".qmtmp");
}

bool isRenameTemporary(const QByteArray& path) {
    return path.startsWith(".quillmar-rename-");
}

QByteArray baseName(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray textOf(const QByteArray& page) {
    return page.left(page.size() - 4) + ".txt";
}

Tree withoutLeftovers(const Tree& tree) {
    Tree kept;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it) {
        if (!isLeftover(it.key()))
            kept.insert(it.key(), it.value());
    }
    return kept;
}

QByteArrayList sortedContents(const Tree& tree) {
    QByteArrayList contents = tree.values();
    std::sort(contents.begin(), contents.end());
    return contents;
}

struct Figures {
    int kills = 0;
    int killedMidRun = 0;
    qint64 filesChecked = 0;
    qint64 backupsChecked = 0;
    int leftovers = 0;
    int restores = 0;
};

class CrashConsistencyTest : public ToolFolders<::testing::TestWithParam<Scenario>> {
protected:
    void SetUp() override {
        // Memory-backed when there is one with room enough (a container's /dev/shm may hold only
        // 64 MB): the tool syncs every file it writes, which on a disk makes a batch of a few hundred
        // files take seconds, and a kill does not care where the bytes are.
        const bool memory = ::access("/dev/shm", W_OK) == 0 && FileTree::freeSpace("/dev/shm") > roomNeeded();
        makeFolders(memory ? QStringLiteral("/dev/shm") : QDir::tempPath());
    }

    virtual qint64 roomNeeded() const { return qint64(32) << 20; }

    void reset(const Tree& files) {
        FileTree::clear(work);
        ASSERT_TRUE(FileTree::write(work, files));
    }

    // The state a complete run leaves, starting from `files`.
    Tree reference(const Tree& files, const QByteArrayList& arguments, double* seconds = nullptr) {
        reset(files);
        const CliOutcome outcome = run(arguments);
        EXPECT_TRUE(outcome.exitedWith(0)) << outcome.describe();
        if (seconds)
            *seconds = outcome.seconds;
        return FileTree::read(work);
    }

    // Every file of the work folder holds one of the contents it may hold; a file that is gone from the
    // folder is safe in a complete file made from it.
    void checkWork(const Tree& state, const QList<Tree>& versions, Figures& figures) {
        const Tree& before = versions.first();
        const Tree& done = versions.last();
        for (auto it = state.cbegin(); it != state.cend(); ++it) {
            if (isLeftover(it.key())) {
                ++figures.leftovers;
                continue;
            }
            ++figures.filesChecked;
            bool known = false;
            bool matches = false;
            for (const Tree& version : versions) {
                known = known || version.contains(it.key());
                matches = matches || version.value(it.key(), "<absent>") == it.value();
            }
            EXPECT_TRUE(known) << "a file no run makes: " << it.key().toStdString();
            EXPECT_TRUE(!known || matches)
                << it.key().toStdString() << " is neither old nor new (" << it.value().size() << " bytes)";
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (state.contains(it.key()))
                continue;
            ++figures.filesChecked;
            const Kind kind = GetParam().kind;
            ASSERT_EQ(kind, Kind::Wizard) << it.key().toStdString() << " is lost";
            // A page goes once its text file is written; a text file once the merged book is written.
            const bool bookDone =
                state.contains("book.txt") && (state.value("book.txt") == versions[2].value("book.txt") ||
                                               state.value("book.txt") == done.value("book.txt"));
            if (it.key().endsWith(".htm") && state.contains(textOf(it.key())))
                EXPECT_EQ(state.value(textOf(it.key())), versions[1].value(textOf(it.key()))) << it.key().toStdString();
            else
                EXPECT_TRUE(bookDone) << it.key().toStdString() << " is gone before the merged file was complete";
        }
    }

    // The killed run's batch, restored, gives back the tree the run started from: a file the kill
    // caught between its change and the journal's done line too. The work folder is then put back as
    // the kill left it, for the next run.
    void checkRestore(const Tree& killedState, const Tree& start, Figures& figures) {
        const CliOutcome listed = run({"backups"});
        const QByteArray id = listed.out.left(listed.out.indexOf('\t'));
        if (id.isEmpty()) {
            EXPECT_EQ(withoutLeftovers(killedState), start) << "no batch was opened, yet a file changed";
            return;
        }
        const CliOutcome restored = run({"restore", id, "--force"});
        EXPECT_EQ(restored.count(QStringLiteral("red")), 0) << restored.describe();
        EXPECT_EQ(withoutLeftovers(FileTree::read(work)), start) << "the restore of " << id.toStdString();
        ++figures.restores;
        reset(killedState);
        FileTree::clear(app + "backup");
    }

    // Every backup copy holds a content its file had before the run changed it.
    void checkBackups(const QList<Tree>& versions, Figures& figures) {
        const Tree backups = FileTree::read(app + "backup");
        for (auto it = backups.cbegin(); it != backups.cend(); ++it) {
            if (it.value() == FileTree::Folder || it.key().endsWith("/quillmar-journal.txt"))
                continue;
            if (isLeftover(it.key())) {
                ++figures.leftovers;
                continue;
            }
            ++figures.backupsChecked;
            const QByteArray name = baseName(it.key());
            bool matches = false;
            for (const Tree& version : versions)
                matches = matches || version.value(name, "<absent>") == it.value();
            EXPECT_TRUE(matches) << "backup " << it.key().toStdString() << " is not a complete copy";
        }
    }
};

TEST_P(CrashConsistencyTest, killedAtAnyMomentLosesNothing) {
    const Scenario& scenario = GetParam();
    const QByteArrayList arguments = scenario.arguments(work);
    const Tree start = pristine();

    double seconds = 0;
    QList<Tree> versions{start};
    if (scenario.kind == Kind::Wizard) {
        versions.append(reference(start, {"wizard", work, "--html"}));
        versions.append(reference(start, {"wizard", work, "--html", "--merge", "book"}));
    }
    versions.append(reference(start, arguments, &seconds));
    const Tree twice = scenario.kind == Kind::InPlace ? reference(versions.last(), arguments) : Tree();
    FileTree::clear(app);

    // As many kills as fit in about three seconds of this machine, at least four, at most thirty; the
    // moments spread over the whole run, start-up included.
    const char* wanted = std::getenv("QM_CRASH_KILLS");
    const int kills = wanted ? std::atoi(wanted) : std::clamp(int(3.0 / (seconds * 1.8 + 0.05)), 4, 30);
    std::mt19937 random(seed() + unsigned(scenario.kind) * 101 + unsigned(qHash(QByteArray(scenario.key))));
    Figures figures;
    for (int trial = 0; trial < kills; ++trial) {
        const int delay = int(random() % unsigned(seconds * 1000 * 1.1 + 1));
        SCOPED_TRACE(std::string(scenario.key) + " killed after " + std::to_string(delay) + " ms (seed " +
                     std::to_string(seed()) + ")");
        reset(start);
        // Only the backups of the killed run are looked at; its other leftovers stay in the way.
        FileTree::clear(app + "backup");
        CliOptions timed;
        timed.killAfterMs = delay;
        const CliOutcome killed = run(arguments, timed);
        ASSERT_TRUE(killed.started);
        ++figures.kills;
        figures.killedMidRun += killed.killed ? 1 : 0;
        const Tree state = FileTree::read(work);

        if (scenario.kind == Kind::Rename) {
            // Each file is there once, under its old name, its new one or a temporary one.
            Tree files;
            for (auto it = state.cbegin(); it != state.cend(); ++it) {
                ++figures.filesChecked;
                if (isRenameTemporary(it.key()))
                    ++figures.leftovers;
                else
                    EXPECT_TRUE(start.contains(it.key()) || versions.last().contains(it.key()))
                        << it.key().toStdString();
                files.insert(it.key(), it.value());
            }
            EXPECT_EQ(sortedContents(files), sortedContents(start)) << "a file was lost or doubled";
            continue;
        }
        checkWork(state, versions, figures);
        checkBackups(scenario.kind == Kind::InPlace ? QList<Tree>{start} : versions, figures);
        if (scenario.kind != Kind::Wizard)
            checkRestore(state, start, figures);

        // The next run, over whatever the killed one left.
        const CliOutcome next = run(arguments);
        EXPECT_TRUE(next.exitedWith(0)) << next.describe();
        EXPECT_EQ(next.count(QStringLiteral("red")), 0) << next.describe();
        const Tree after = withoutLeftovers(FileTree::read(work));
        switch (scenario.kind) {
        case Kind::InPlace:
            for (auto it = after.cbegin(); it != after.cend(); ++it) {
                ++figures.filesChecked;
                EXPECT_TRUE(it.value() == versions.last().value(it.key()) || it.value() == twice.value(it.key()))
                    << "after the next run " << it.key().toStdString();
            }
            EXPECT_EQ(after.keys(), versions.last().keys());
            break;
        case Kind::NewFiles:
        case Kind::Merge:
            figures.filesChecked += after.size();
            EXPECT_EQ(after, versions.last()) << "the next run did not finish the job";
            break;
        case Kind::Wizard:
        case Kind::Rename:
            break;
        }
    }
    std::cout << "[ figures  ] " << scenario.key << ": " << figures.kills << " kills (" << figures.killedMidRun
              << " in mid-run), " << figures.filesChecked << " files and " << figures.backupsChecked
              << " backups checked, " << figures.restores << " restores, " << figures.leftovers
              << " leftovers, a full run " << seconds << " s" << std::endl;
}

// A kill the very moment a backup copy or a new file is being written, for a file big enough to take
// a while: what the kill catches half-made is at most a hidden temporary file (nothing where the
// file system has unnamed files), never a backup copy or a user's file. A backup is a copy only
// where the backup folder is on another file system than the file (on the same one it is a hard
// link, made at once): that row puts the app folder there.
class KillWhileWritingTest : public CrashConsistencyTest {
protected:
    // The file, its working copy, its backup and the new file.
    qint64 roomNeeded() const override { return qint64(256) << 20; }

    // A folder for an app folder on another file system than the work folder; "" when there is none.
    static QString otherFileSystemThan(const QByteArray& folder) {
        struct stat here;
        if (::stat(folder.constData(), &here) != 0)
            return QString();
        for (const QString& candidate : {QStringLiteral("/dev/shm"), QDir::tempPath()}) {
            struct stat there;
            if (::stat(QFile::encodeName(candidate).constData(), &there) == 0 && there.st_dev != here.st_dev &&
                ::access(QFile::encodeName(candidate).constData(), W_OK) == 0 &&
                FileTree::freeSpace(candidate.toUtf8()) > (qint64(64) << 20))
                return candidate;
        }
        return QString();
    }
};

TEST_F(KillWhileWritingTest, backupCopyAndNewFileAreNeverLeftHalfMade) {
    std::mt19937 random(seed());
    const QByteArray big = SampleTexts::largeText(random, 24 * 1024 * 1024);
    const Tree start{{"big.txt", big}};
    const QString elsewhere = otherFileSystemThan(work);
    std::unique_ptr<QTemporaryDir> otherApp;
    if (!elsewhere.isEmpty())
        otherApp = std::make_unique<QTemporaryDir>(elsewhere + QStringLiteral("/quillmar-app-XXXXXX"));
    const struct {
        const char* rule;
        QByteArray appFolder;
        QByteArray watched; // the kill comes when a file other than big.txt shows below this folder
    } rows[] = {
        {"a backup copy being made on another file system", otherApp ? otherApp->path().toUtf8() + "/" : QByteArray(),
         otherApp ? otherApp->path().toUtf8() + "/backup" : QByteArray()},
        {"the new file being written", app, work},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        if (row.appFolder.isEmpty()) {
            std::cout << "[ skipped  ] " << row.rule << ": no second file system" << std::endl;
            continue;
        }
        int caught = 0;
        for (int attempt = 0; attempt < 5 && caught == 0; ++attempt) {
            reset(start);
            FileTree::clear(row.appFolder);
            CliOptions options;
            options.arguments = {"--app-dir", row.appFolder, "--quiet", "--backup", "reflow", work + "big.txt"};
            const QByteArray watched = row.watched;
            options.killWhen = [watched](pid_t tool) { return writesNewFileBelow(tool, watched); };
            const CliOutcome outcome = runCli(options);
            if (!outcome.killed)
                continue;
            ++caught;
            EXPECT_TRUE(FileTree::readFile(work + "big.txt") == big) << "the file itself was changed";
            for (const QByteArray& path : FileTree::files(row.appFolder + "backup")) {
                if (path.contains("quillmar-journal.txt"))
                    continue;
                if (!isLeftover(path)) {
                    EXPECT_TRUE(FileTree::readFile(row.appFolder + "backup/" + path) == big)
                        << "a half-made backup " << path.toStdString();
                }
            }
            for (const QByteArray& path : FileTree::files(work))
                EXPECT_TRUE(path == "big.txt" || isLeftover(path)) << path.toStdString();
        }
        EXPECT_GT(caught, 0) << "the kill never caught a file being written";
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, CrashConsistencyTest, ::testing::ValuesIn(Scenarios),
                         [](const ::testing::TestParamInfo<Scenario>& param) { return std::string(param.param.key); });

} // namespace
