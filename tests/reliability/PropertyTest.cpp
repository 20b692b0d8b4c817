// The promises about users' files as one stateful property: random folders of real Chinese text in
// every encoding the program reads (and binaries, empty files, names that are not UTF-8, pages whose
// ".txt" collide, links in and out of the folder, a FIFO, a read-only file), and random sequences of
// commands run by the built command-line tool, with the user's own edits between them. The model is
// a map of the tree (name -> bytes, mode) taken before and after each step; after each step:
//   outside    files no command named (nor its outputs) are as they were, in the folder and outside it;
//   preview    a dry run, a diff or the change preview changes nothing anywhere (tree, app folder, trash);
//   restore    restoring a batch brings each file it touched and not changed since back to its state
//              before the batch; a file changed since stays as it is unless forced;
//   jobs       --jobs N gives the rows and bytes of --jobs 1 (run on a copy of the folders);
//   kill       after a SIGKILL every file is old or new, and restoring the batch gives the old tree;
//   together   two runs at once over the same files: each file holds both edits, or one edit and a
//              red row for the other.
// QM_PROPERTY_KNOWN_FAULTS (a comma-separated list; unset: DefaultKnownFaults) names the situations
// the run leaves out while their faults are being mended; "QM_PROPERTY_KNOWN_FAULTS= " runs them all.
// RC_PARAMS sets the number of sequences and the seed; a failure prints the seed and the shrunk steps.

#include "CliProcess.h"
#include "platform/FileName.h"
#include "core/AppState.h"
#include "core/Settings.h"
#include "runner/ChangePreview.h"
#include "runner/NameRules.h"

#include <QByteArrayList>
#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <array>
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <iostream>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// The situations a run can leave out by name while a fault in them is being mended (none today):
//   fifo-argument  a FIFO named on the command line
//   read-only      a read-only file among the inputs
//   preview        the change preview of every command
//   together       two replacements at once over the same files
//   restore-link, restore-twice  restoring a batch that named a file through a link or the same file twice
//   kill-restore, kill-tempfile  the restore after a SIGKILL, and the kill's hidden temporary files
const char* const DefaultKnownFaults = "";

QSet<QByteArray> knownFaults() {
    const QByteArray list = qEnvironmentVariableIsSet("QM_PROPERTY_KNOWN_FAULTS")
                                ? qgetenv("QM_PROPERTY_KNOWN_FAULTS")
                                : QByteArray(DefaultKnownFaults);
    QSet<QByteArray> faults;
    for (const QByteArray& fault : list.split(','))
        if (!fault.trimmed().isEmpty())
            faults.insert(fault.trimmed());
    return faults;
}

bool known(const char* fault) {
    static const QSet<QByteArray> faults = knownFaults();
    return faults.contains(fault);
}

// One entry of the tree: a file with its bytes and permission bits, a link with its target, or a FIFO.
struct Node {
    char type = 'f';
    QByteArray bytes;
    mode_t mode = 0;
    bool operator==(const Node&) const = default;
};
using Tree = std::map<QByteArray, Node>; // path below the case folder -> entry

void walk(const QByteArray& base, const QByteArray& relative, Tree& tree) {
    DIR* dir = ::opendir((base + relative).constData());
    if (!dir)
        return;
    while (dirent* entry = ::readdir(dir)) {
        const QByteArray name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const QByteArray path = relative + '/' + name;
        struct stat st;
        if (::lstat((base + path).constData(), &st) != 0)
            continue;
        Node node;
        node.mode = st.st_mode & 07777;
        if (S_ISDIR(st.st_mode)) {
            walk(base, path, tree);
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            node.type = 'l';
            node.bytes.resize(4096);
            node.bytes.resize(std::max<ssize_t>(0, ::readlink((base + path).constData(), node.bytes.data(), 4096)));
            node.mode = 0;
        } else if (S_ISFIFO(st.st_mode)) {
            node.type = 'p';
        } else {
            QFile file(QFile::decodeName(base + path));
            node.bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
        }
        tree[path] = node;
    }
    ::closedir(dir);
}

std::string show(const Tree& tree) {
    std::string text;
    for (const auto& [path, node] : tree)
        text += path.toStdString() + " " + node.type + " " + std::to_string(node.mode) + " " +
                node.bytes.left(40).toHex().toStdString() + "\n";
    return text;
}

// The paths where two trees differ.
QSet<QByteArray> differences(const Tree& a, const Tree& b) {
    QSet<QByteArray> paths;
    for (const auto& [path, node] : a)
        if (!b.contains(path) || !(b.at(path) == node))
            paths.insert(path);
    for (const auto& [path, node] : b)
        if (!a.contains(path))
            paths.insert(path);
    return paths;
}

QByteArrayList corpus() {
    QFile file(QStringLiteral(QM_TEST_DATA "/property/zh-lines.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {"中文"};
    return file.readAll().trimmed().split('\n');
}

QByteArray encoded(const QString& text, int encoding) {
    static const char* const names[] = {"GB18030", "Big5", "UTF-8", "UTF-16LE"};
    QStringEncoder encoder(names[encoding], QStringConverter::Flag::Default);
    const QByteArray bytes = encoder.encode(text);
    return encoding == 3 ? QByteArray("\xff\xfe") + bytes : bytes;
}

// The work folder's names: pages whose ".txt" collide, a name that is not UTF-8, a link in and a
// link out, a FIFO.
const QByteArrayList Names = {"a.txt",  "b.txt", "c5.htm", "c5.html", "q.htm",          "q.html",
                              "q.txt",  "甲.txt", "e.TXT",  "f.txt",   "bk\xb0\xa1.txt"};

// One element of a list, picked (and shrunk) by RapidCheck.
template <class List> const auto& pick(const List& list) {
    return list[*rc::gen::inRange<size_t>(0, size_t(list.size()))];
}

// How long a command may run before it counts as blocked.
constexpr int RunLimitMs = 120000;

struct Counters {
    std::atomic<int> sequences{0};
    std::atomic<int> steps{0};
} counters;

// One random folder and the steps run on it.
class Sequence {
public:
    Sequence() : m_root(QDir::tempPath() + QStringLiteral("/quillmar-property-XXXXXX")) {
        base = QFile::encodeName(m_root.path()) + "/live/";
        for (const char* folder : {"work", "outside", "app", "data"})
            QDir().mkpath(QFile::decodeName(base + folder));
        qputenv("XDG_DATA_HOME", base + "data");
    }

    void makeTree() {
        static const QByteArrayList lines = corpus();
        for (const QByteArray& name : Names) {
            if (!*rc::gen::inRange(0, 3))
                continue;
            const int kind = *rc::gen::inRange(0, 7);
            QByteArray bytes;
            if (kind == 6) {
                bytes = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
            } else if (kind < 6) {
                QString text;
                const int first = *rc::gen::inRange(0, int(lines.size()));
                for (int n = 0; n < *rc::gen::inRange(1, 6); ++n)
                    text += QString::fromUtf8(lines.at((first + n) % lines.size())) + (kind == 5 ? "\r\n" : "\n");
                if (name.endsWith(".htm") || name.endsWith(".html"))
                    text = QStringLiteral("<html><body><p>") + text + QStringLiteral("</p><a href=x>链接</a></body></html>");
                bytes = encoded(text, kind % 4);
            }
            write("work/" + name, bytes);
        }
        write("outside/s.txt", encoded(QStringLiteral("外面的文件\n不能改\n"), 0));
        if (*rc::gen::inRange(0, 2))
            ::symlink("a.txt", (base + "work/l.txt").constData());
        if (*rc::gen::inRange(0, 2))
            ::symlink("../outside/s.txt", (base + "work/o.txt").constData());
        if (*rc::gen::inRange(0, 2))
            ::mkfifo((base + "work/p.txt").constData(), 0644);
        const QByteArrayList files = workFiles(false);
        if (!files.isEmpty() && *rc::gen::inRange(0, 2) && !known("read-only"))
            ::chmod((base + "work/" + pick(files)).constData(), 0444);
    }

    // One random step and its checks.
    void step() {
        const int kind = *rc::gen::inRange(0, 12);
        if (kind <= 4)
            batch(false);
        else if (kind == 5)
            batch(true);
        else if (kind == 6)
            userEdit();
        else if (kind == 7)
            restore();
        else if (kind == 8)
            prune();
        else if (kind == 9 && !known("kill"))
            kill();
        else if (kind == 10 && !known("preview"))
            preview();
        else if (!known("together"))
            together();
        ++counters.steps;
    }

private:
    struct Batch {
        QByteArray id;
        Tree before;
        Tree after;
        bool namedLink = false;  // a file was named through a link
        bool namedTwice = false; // a file was named twice
    };

    void write(const QByteArray& path, const QByteArray& bytes) {
        QFile file(QFile::decodeName(base + path));
        RC_ASSERT(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    Tree tree(const QByteArray& at, std::initializer_list<const char*> folders = {"work", "outside", "data"}) const {
        Tree result;
        for (const char* folder : folders)
            walk(at, folder, result);
        return result;
    }

    // The names in the work folder; FIFOs only when asked for.
    QByteArrayList workFiles(bool withFifo) const {
        QByteArrayList names;
        for (const auto& [path, node] : tree(base, {"work"}))
            if (node.type != 'p' || withFifo)
                names.append(path.mid(5));
        return names;
    }

    CliOutcome cli(const QByteArray& at, const QByteArrayList& arguments, int killAfterMs = -1) const {
        CliOptions options;
        options.arguments = QByteArrayList{"--app-dir", at + "app", "--quiet", "--backup"} + arguments;
        // A run that blocks (on a FIFO, say) ends as killed, and the step fails, instead of the test hanging.
        // The limit is far beyond any run's time: a batch's end syncs its file system, which on a disk
        // busy with other programs' writes (a build beside the test) can take many seconds.
        options.killAfterMs = killAfterMs >= 0 ? killAfterMs : RunLimitMs;
        const CliOutcome outcome = runCli(options);
        if (killAfterMs < 0 && outcome.killed)
            RC_LOG() << "still running after " << outcome.seconds << " s: "
                     << options.arguments.join(' ').toStdString() << "\n" << outcome.describe() << "\n";
        RC_ASSERT(killAfterMs >= 0 || !outcome.killed);
        return outcome;
    }

    // The journal of a batch of the live app folder, as text ("" for none).
    std::string journalOf(const QByteArray& id) const {
        if (id.isEmpty())
            return std::string();
        QFile journal(QFile::decodeName(base + "app/backup/" + id + "/quillmar-journal.txt"));
        return journal.open(QIODevice::ReadOnly) ? journal.readAll().toStdString() : std::string("<no journal>\n");
    }

    QByteArrayList batchIds(const QByteArray& at) const {
        QByteArrayList ids;
        for (const QByteArray& line : cli(at, {"backups"}).out.split('\n'))
            if (!line.isEmpty())
                ids.append(line.left(line.indexOf('\t')));
        return ids;
    }

    // A random batch command over random files of the work folder (the same file twice, links and
    // pages that collide included), as its arguments with `at` the case folder.
    QByteArrayList command(const QByteArray& at) {
        const QByteArrayList names = workFiles(!known("fifo-argument"));
        QByteArrayList files;
        if (names.isEmpty())
            return {"reflow", at + "work/none.txt"};
        for (int n = *rc::gen::inRange(1, 5); n > 0; --n)
            files.append(at + "work/" + pick(names));
        static const char* const batches[] = {"html2txt", "reflow", "despace", "gb", "big5", "narrow", "wide"};
        switch (const int kind = *rc::gen::inRange(0, 10)) {
        case 7:
            return QByteArrayList{"replace", "--find", "的", "--with", "之"} + files;
        case 8:
            return QByteArrayList{"merge", "--output", at + "work/m.txt"} + files;
        case 9:
            return {"wizard", at + "work", "--html", "--merge", "book", "--para", "--code", "big5"};
        default:
            return QByteArrayList{batches[kind]} + files;
        }
    }

    // What a command may change: the files it names (and their link targets), the pages' ".txt",
    // a merge's output; a wizard the files of the work folder and those it makes there (never a link).
    QSet<QByteArray> mayChange(const QByteArrayList& arguments, const Tree& before, const Tree& after) const {
        QSet<QByteArray> paths;
        const bool wizard = arguments.first() == "wizard";
        const bool merge = arguments.first() == "merge";
        for (const auto& [path, node] : after)
            if (wizard && path.startsWith("work/") && (!before.contains(path) || before.at(path).type == 'f'))
                paths.insert(path);
        for (qsizetype i = merge ? 2 : 1; i < (merge ? 3 : arguments.size()); ++i) {
            const QByteArray path = arguments.at(i).mid(base.size());
            paths.insert(path);
            const auto found = before.find(path);
            if (found != before.end() && found->second.type == 'l')
                paths.insert(QDir::cleanPath(QFile::decodeName("work/" + found->second.bytes)).toUtf8());
            if (arguments.first() == "html2txt")
                paths.insert(FileName::encode(webPageOutputName(FileName::decode(path))));
        }
        return paths;
    }

    static QString rowsOf(const CliOutcome& outcome, const QByteArray& at) {
        static const QRegularExpression seconds(QStringLiteral("[0-9.]+ 秒"));
        return QString::fromUtf8(outcome.out).replace(QString::fromUtf8(at), QString()).replace(seconds, QString());
    }

    // A batch on the folders and, for the comparison, with one worker on a copy of them; or a dry run.
    void batch(bool dryRun) {
        const QByteArray copy = QFile::encodeName(m_root.path()) + "/copy/";
        std::system(("rm -rf '" + copy + "' && cp -a '" + base + "' '" + copy + "'").constData());
        const QByteArrayList arguments = command(base);
        const int jobs = *rc::gen::inRange(1, 5);
        const QByteArray answer = *rc::gen::element<QByteArray>("--yes", "--no");
        QByteArrayList flags{answer, "--jobs", QByteArray::number(jobs)};
        if (dryRun)
            flags.append(*rc::gen::element<QByteArray>("--dry-run", "--diff"));
        RC_LOG() << "step: " << (flags + arguments).join(' ').toStdString() << "\n";
        const Tree before = tree(base);
        const Tree appBefore = tree(base, {"app"});
        const QByteArrayList idsBefore = batchIds(base);
        const CliOutcome outcome = cli(base, flags + arguments);
        RC_ASSERT(outcome.started && !outcome.killed && outcome.signal == 0);
        const Tree after = tree(base);
        if (dryRun) {
            RC_ASSERT(after == before);
            RC_ASSERT(tree(base, {"app"}) == appBefore);
            return;
        }
        for (const QByteArray& path : differences(before, after)) {
            RC_LOG() << "changed: " << path.toStdString() << "\n";
            RC_ASSERT(mayChange(arguments, before, after).contains(path));
        }

        QByteArrayList copyArguments;
        for (const QByteArray& argument : arguments)
            copyArguments.append(argument.startsWith(base) ? copy + argument.mid(base.size()) : argument);
        const CliOutcome one = cli(copy, QByteArrayList{answer, "--jobs", "1"} + copyArguments);
        if (rowsOf(outcome, base) != rowsOf(one, copy))
            RC_LOG() << "rows, jobs " << jobs << ":\n"
                     << rowsOf(outcome, base).toStdString() << "jobs 1:\n"
                     << rowsOf(one, copy).toStdString();
        RC_ASSERT(rowsOf(outcome, base) == rowsOf(one, copy));
        RC_ASSERT(outcome.exitCode == one.exitCode);
        const Tree oneTree = tree(copy);
        if (oneTree != after)
            RC_LOG() << "jobs " << jobs << ":\n" << show(after) << "jobs 1:\n" << show(oneTree);
        RC_ASSERT(oneTree == after);

        const QByteArrayList ids = batchIds(base);
        if (arguments.first() != "wizard" && ids.size() == idsBefore.size() + 1) {
            Batch made{ids.first(), before, after};
            for (const QByteArray& argument : arguments) {
                const auto found = before.find(argument.mid(base.size()));
                made.namedLink |= found != before.end() && found->second.type == 'l';
                made.namedTwice |= argument.startsWith(base) && arguments.count(argument) > 1;
            }
            m_batches.push_back(made);
        }
    }

    // The user rewrites a file of the folder with an editor.
    void userEdit() {
        const QByteArrayList names = workFiles(false);
        if (names.isEmpty())
            return;
        const QByteArray name = pick(names);
        RC_LOG() << "step: the user edits " << name.toStdString() << "\n";
        const Tree before = tree(base);
        if (before.at("work/" + name).type != 'f' || !(before.at("work/" + name).mode & S_IWUSR))
            return;
        write("work/" + name, before.at("work/" + name).bytes + encoded(QStringLiteral("用户加的一行\n"), 2));
    }

    // A random earlier batch, all of it or some of its files, forced or not.
    void restore() {
        if (m_batches.empty())
            return;
        const Batch& batch = pick(m_batches);
        if ((batch.namedLink && known("restore-link")) || (batch.namedTwice && known("restore-twice")))
            return;
        const bool force = *rc::gen::arbitrary<bool>();
        QSet<QByteArray> touched = differences(batch.before, batch.after);
        QByteArrayList arguments{"--yes", "restore", batch.id};
        // Some files are asked for by the names the batch journalled; a batch that reached a file
        // through a link journalled the link's name, not the one the tree shows changed, so such a
        // batch is restored whole.
        if (!batch.namedLink && *rc::gen::arbitrary<bool>()) {
            QSet<QByteArray> some;
            for (const QByteArray& path : touched)
                if (path.startsWith("work/") && *rc::gen::arbitrary<bool>()) {
                    some.insert(path);
                    arguments.append(path.mid(5));
                }
            if (some.isEmpty())
                return;
            touched = some;
        }
        if (force)
            arguments.append("--force");
        RC_LOG() << "step: " << arguments.join(' ').toStdString() << "\n";
        const Tree now = tree(base);
        cli(base, arguments);
        const Tree after = tree(base);
        for (const QByteArray& path : differences(now, after)) {
            RC_LOG() << "restore changed " << path.toStdString() << "\n";
            RC_ASSERT(touched.contains(path));
        }
        for (const QByteArray& path : touched) {
            const auto state = [](const Tree& tree, const QByteArray& at) {
                const auto found = tree.find(at);
                return found == tree.end() ? std::optional<Node>() : std::optional<Node>(found->second);
            };
            const bool unchangedSince = state(now, path) == state(batch.after, path);
            // A file the batch made and someone changed since is the user's work: even a forced
            // restore leaves it.
            const bool madeByBatch = !state(batch.before, path).has_value();
            RC_LOG() << "restored " << path.toStdString() << (unchangedSince ? "" : " (changed since)") << "\n";
            if (unchangedSince || (force && !madeByBatch))
                RC_ASSERT(state(after, path) == state(batch.before, path));
            else
                RC_ASSERT(state(after, path) == state(now, path));
        }
    }

    void prune() {
        RC_LOG() << "step: backups prune\n";
        const Tree before = tree(base);
        cli(base, {"--yes", "backups", "prune", "--older-than", "0"});
        RC_ASSERT(tree(base) == before);
        m_batches.clear();
    }

    // The change preview of every entry of the folder, for one command: nothing changes anywhere.
    void preview() {
        static const std::array commands{BatchCommand::Reflow, BatchCommand::RemoveSpaces,
                                                BatchCommand::CodePage, BatchCommand::Width};
        const BatchCommand command = pick(commands);
        const int direction = *rc::gen::inRange(0, 2);
        RC_LOG() << "step: the change preview of " << int(command) << "/" << direction << " on every file\n";
        AppState state;
        state.setAppFolder(QFile::decodeName(base + "app"));
        Settings::LoadDefaultSettings(state);
        const Tree before = tree(base, {"work", "outside", "data", "app"});
        for (const QByteArray& name : workFiles(false))
            ChangePreview::of(state, command, direction, FileName::decode(base + "work/" + name));
        RC_ASSERT(tree(base, {"work", "outside", "data", "app"}) == before);
    }

    // A SIGKILL at a random moment of an in-place batch: every file is old or new, and a restore of
    // the batch it left brings the old tree back.
    void kill() {
        const QByteArray copy = QFile::encodeName(m_root.path()) + "/copy/";
        std::system(("rm -rf '" + copy + "' && cp -a '" + base + "' '" + copy + "'").constData());
        const QByteArrayList names = workFiles(false);
        if (names.isEmpty())
            return;
        const QByteArray command = *rc::gen::element<QByteArray>("reflow", "gb", "wide", "despace");
        QByteArrayList files;
        for (const QByteArray& name : names)
            files.append("work/" + name);
        const int ms = *rc::gen::inRange(0, 60);
        RC_LOG() << "step: " << command.toStdString() << " killed after " << ms << " ms\n";
        const Tree before = tree(base);
        const QByteArrayList idsBefore = batchIds(base);
        QByteArrayList live{command};
        QByteArrayList copied{command};
        for (const QByteArray& file : files) {
            live.append(base + file);
            copied.append(copy + file);
        }
        const CliOutcome killed = cli(base, live, ms);
        RC_LOG() << (killed.killed ? "killed" : "ended before the kill") << " after " << killed.seconds << " s\n";
        cli(copy, copied);
        const Tree after = tree(base);
        const Tree done = tree(copy);
        for (const QByteArray& path : differences(before, after)) {
            RC_LOG() << "left: " << path.toStdString() << "\n";
            // A kill between naming the new file and renaming it over the old one leaves the hidden
            // temporary file; it is no user's data, and the next batch in the folder removes it.
            if (path.endsWith(".qmtmp"))
                continue;
            RC_ASSERT(done.contains(path) && after.contains(path) && done.at(path) == after.at(path));
        }
        if (known("kill-restore"))
            return;
        // The killed run's batch, if it opened one: the batch that started last, which the list shows
        // first (and "restore last" undoes) however early the kill came.
        const QByteArrayList ids = batchIds(base);
        QByteArray killedBatch;
        for (const QByteArray& id : ids)
            if (!idsBefore.contains(id))
                killedBatch = id;
        const bool restoring = !killedBatch.isEmpty();
        CliOutcome undo;
        if (restoring) {
            RC_LOG() << "the killed run's batch " << killedBatch.toStdString() << ", listed first: "
                     << ids.first().toStdString() << "\n";
            RC_ASSERT(ids.first() == killedBatch);
            undo = cli(base, {"--yes", "restore", killedBatch});
        }
        Tree restored = tree(base);
        // The restore works in the folder and so removes what the kill left there; without a batch to
        // restore (backups off) the leftover waits for the next batch.
        if (!restoring || known("kill-tempfile"))
            std::erase_if(restored, [](const auto& entry) { return entry.first.endsWith(".qmtmp"); });
        if (restored != before) {
            for (const QByteArray& path : differences(before, restored))
                RC_LOG() << "not restored: " << path.toStdString() << "\n";
            RC_LOG() << "the killed run's journal:\n" << journalOf(killedBatch) << "the restore:\n" << undo.describe()
                     << "\n";
        }
        RC_ASSERT(restored == before);
    }

    // Two replacements at once over the same files: each file holds both edits (in some order), or
    // one and a red row for the other.
    void together() {
        const QByteArrayList names = workFiles(false);
        if (names.isEmpty())
            return;
        RC_LOG() << "step: two replacements at once\n";
        QByteArrayList files;
        for (const QByteArray& name : names)
            files.append(base + "work/" + name);
        const Tree before = tree(base);
        CliOutcome first;
        CliOutcome second;
        // Each run ends within the limit (a check that fails on this thread only, never on the other).
        std::thread other([&] {
            first = cli(base, QByteArrayList{"--jobs", "2", "replace", "--find", "的", "--with", "之"} + files, RunLimitMs);
        });
        second = cli(base, QByteArrayList{"--jobs", "2", "replace", "--find", "一", "--with", "壹"} + files, RunLimitMs);
        other.join();
        RC_ASSERT(!first.killed && !second.killed);
        const Tree after = tree(base);
        for (const QByteArray& path : differences(before, after)) {
            const QString text = QString::fromUtf8(after.at(path).bytes);
            const bool firstLost = text.contains(u'的') && before.at(path).bytes.contains("的");
            const bool secondLost = text.contains(u'一') && before.at(path).bytes.contains("一");
            const QString name = QString::fromUtf8(base + path);
            const auto red = [&](const CliOutcome& run) {
                for (const CliRow& row : run.rows())
                    if (row.text == name && row.mark == QStringLiteral("red"))
                        return true;
                return false;
            };
            // Only UTF-8 files are judged here: their text is readable without the detector.
            if (QString::fromUtf8(before.at(path).bytes).toUtf8() != before.at(path).bytes)
                continue;
            RC_ASSERT(!firstLost || red(first));
            RC_ASSERT(!secondLost || red(second));
        }
    }

    QTemporaryDir m_root;
    QByteArray base;
    std::vector<Batch> m_batches;
};

TEST(PropertyTest, RandomCommandSequencesKeepEveryPromiseAboutTheUsersFiles) {
    const bool passed = rc::check("random folders and command sequences", [] {
        Sequence sequence;
        sequence.makeTree();
        for (int n = *rc::gen::inRange(1, 8); n > 0; --n)
            sequence.step();
        ++counters.sequences;
    });
    std::cout << "property: " << counters.sequences << " sequences, " << counters.steps << " steps passed\n";
    EXPECT_TRUE(passed);
}

} // namespace
