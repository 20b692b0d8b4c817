#include "CliProcess.h"

#include <dirent.h>

#include <QElapsedTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Ids {
    uid_t uid = 0;
    gid_t gid = 0;
    bool found = false;
};

Ids nobodyIds() {
    Ids ids;
    const passwd* user = ::getpwnam("nobody");
    const group* nogroup = ::getgrnam("nogroup");
    if (user) {
        ids.uid = user->pw_uid;
        ids.gid = nogroup ? nogroup->gr_gid : user->pw_gid;
        ids.found = true;
    }
    return ids;
}

void drain(int& fd, QByteArray& into) {
    char buffer[65536];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, got);
    } else if (got == 0 || errno != EINTR) {
        ::close(fd);
        fd = -1;
    }
}

int chownEntry(const char* path, const struct stat*, int, struct FTW*) {
    const Ids ids = nobodyIds();
    return ::lchown(path, ids.uid, ids.gid);
}

} // namespace

QByteArray cliPath() {
    return QByteArray(QM_BIN_DIR "/quillmar-cli");
}

bool canRunAsNobody() {
    return ::geteuid() == 0 && nobodyIds().found;
}

void giveToNobody(const QString& path) {
    ::nftw(path.toUtf8().constData(), chownEntry, 16, FTW_PHYS);
}

bool writesNewFileBelow(pid_t tool, const QByteArray& folder) {
    QByteArray below = folder;
    while (below.endsWith('/'))
        below.chop(1);
    below += '/';
    const QByteArray fds = "/proc/" + QByteArray::number(tool) + "/fd";
    DIR* dir = ::opendir(fds.constData());
    if (!dir)
        return false;
    bool writing = false;
    while (const dirent* entry = ::readdir(dir)) {
        char target[4096];
        const ssize_t length = ::readlinkat(::dirfd(dir), entry->d_name, target, sizeof target);
        if (length <= 0)
            continue;
        const QByteArray path(target, length);
        const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
        if (path.startsWith(below) && ((name.startsWith('#') && name.endsWith(" (deleted)")) ||
                                       (name.startsWith('.') && name.endsWith(".qmtmp"))))
            writing = true;
    }
    ::closedir(dir);
    return writing;
}

QList<CliRow> CliOutcome::rows() const {
    QList<CliRow> result;
    for (const QByteArray& line : out.split('\n')) {
        const QStringList fields = QString::fromUtf8(line).split(u'\t');
        if (fields.size() == 4)
            result.append({fields[0], fields[1], fields[2], fields[3]});
    }
    return result;
}

int CliOutcome::count(const QString& mark) const {
    int n = 0;
    for (const CliRow& row : rows())
        n += row.mark == mark ? 1 : 0;
    return n;
}

std::string CliOutcome::describe() const {
    return "exit " + std::to_string(exitCode) + ", signal " + std::to_string(signal) + "\nstdout:\n" +
           out.left(4000).toStdString() + "\nstderr:\n" + err.left(4000).toStdString();
}

CliOutcome runCli(const CliOptions& options) {
    CliOutcome outcome;
    const QByteArray program = cliPath();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.constData()));
    for (const QByteArray& argument : options.arguments)
        argv.push_back(const_cast<char*>(argument.constData()));
    argv.push_back(nullptr);
    const Ids nobody = nobodyIds();

    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return outcome;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = ::fork();
    if (pid < 0)
        return outcome;
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::dup2(outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, STDIN_FILENO);
        if (options.fileSizeLimit >= 0) {
            struct sigaction ignore = {};
            ignore.sa_handler = SIG_IGN;
            ::sigaction(SIGXFSZ, &ignore, nullptr);
            const rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (options.asNobody) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(nobody.gid, nobody.gid, nobody.gid) != 0 ||
                ::setresuid(nobody.uid, nobody.uid, nobody.uid) != 0)
                ::_exit(125);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    outcome.started = true;
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    int fds[2] = {outPipe[0], errPipe[0]};
    while (fds[0] >= 0 || fds[1] >= 0) {
        int timeout = -1;
        if (options.killAfterMs >= 0 && !outcome.killed) {
            timeout = std::max<int>(0, options.killAfterMs - int(clock.elapsed()));
            if (timeout == 0) {
                ::kill(pid, options.killSignal);
                outcome.killed = true;
                timeout = -1;
            }
        }
        if (options.killWhen && !outcome.killed) {
            if (options.killWhen(pid)) {
                ::kill(pid, options.killSignal);
                outcome.killed = true;
            } else {
                timeout = 1;
            }
        }
        pollfd polled[2] = {{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}};
        const int ready = ::poll(polled, 2, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (polled[0].revents)
            drain(fds[0], outcome.out);
        if (polled[1].revents)
            drain(fds[1], outcome.err);
    }
    int status = 0;
    rusage usage = {};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    outcome.seconds = clock.elapsed() / 1000.0;
    outcome.peakRssKb = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
        outcome.killed = false;
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
        outcome.killed = outcome.killed && outcome.signal == SIGKILL;
    }
    return outcome;
}
