#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <csignal>
#include <functional>
#include <sys/types.h>

// Runs the built quillmar-cli as a child process under conditions a user's machine may impose: a
// file-size limit (a disk that is full for every file beyond a size), another user, or a SIGKILL at
// a chosen moment. Arguments are bytes, so that file names that are not UTF-8 reach the program as
// they are.
struct CliOptions {
    QByteArrayList arguments;  // after the program name
    qint64 fileSizeLimit = -1; // RLIMIT_FSIZE in bytes; SIGXFSZ is ignored so that write() fails with EFBIG
    bool asNobody = false;     // run as nobody:nogroup without supplementary groups (needs root)
    int killAfterMs = -1;      // SIGKILL after this many milliseconds, if still running
    // SIGKILL as soon as this turns true (asked every millisecond or so while the tool runs, with
    // the tool's process id).
    std::function<bool(pid_t tool)> killWhen;
    // What killAfterMs and killWhen send instead of SIGKILL (SIGINT, SIGTERM: a request to stop).
    int killSignal = SIGKILL;
};

struct CliRow {
    QString text;
    QString status;
    QString reason;
    QString mark;
};

struct CliOutcome {
    bool started = false;
    bool killed = false; // ended by our SIGKILL
    int exitCode = -1;   // when it exited on its own
    int signal = 0;      // when a signal ended it
    QByteArray out;
    QByteArray err;
    long peakRssKb = 0;
    double seconds = 0;

    // The progress rows printed on stdout ("text TAB status TAB reason TAB mark").
    QList<CliRow> rows() const;
    int count(const QString& mark) const;
    bool exitedWith(int code) const { return started && !killed && signal == 0 && exitCode == code; }
    // What to print when a check fails.
    std::string describe() const;
};

CliOutcome runCli(const CliOptions& options);

QByteArray cliPath();
// True when the tests run as root and the nobody user exists, so that permission cases can be run.
bool canRunAsNobody();
// True while the process `tool` has a new file open below `folder` that has no name yet or only a
// temporary one (the writer's O_TMPFILE file or its ".name.<pid>-<random>.qmtmp").
bool writesNewFileBelow(pid_t tool, const QByteArray& folder);
// Hands a tree to nobody:nogroup (files keep their modes).
void giveToNobody(const QString& path);
