#include "BookCommands.h"

#include "CliStop.h"
#include "TabRow.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/ProgressSink.h"
#include "engine/ChapterFinder.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "runner/BookPasses.h"
#include "runner/CheckRunner.h"
#include "runner/EpubRunner.h"
#include "runner/SplitRunner.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <functional>

namespace BookCommands {
namespace {

using BookPasses::scan;
using Scan = BookPasses::Scan;

void printError(const QString& text) {
    std::fputs(FileName::encode(QStringLiteral("quillmar-cli: ") + text + u'\n').constData(), stderr);
}

void print(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// Every read stops at once on SIGINT or SIGTERM (main then exits 128 + the signal); `progress` is
// told the share of the file read.
ReadProgress stoppable(const std::function<void(qint64 done, qint64 total)>& progress) {
    return [progress](qint64 done, qint64 total) {
        if (progress)
            progress(done, total);
        return CliStop::signalNumber() == 0;
    };
}

QByteArray jsonLine(const Heading& heading) {
    QJsonObject object{
        {"line", heading.line},        {"offset", heading.offset},
        {"level", int(heading.level)}, {"number", heading.number ? QJsonValue(qint64(*heading.number)) : QJsonValue()},
        {"label", heading.label},      {"title", heading.title},
        {"text", heading.text},        {"doubtful", heading.doubtful}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

int printChapters(const QString& book, bool json) {
    Scan scanned;
    FileError error;
    if (!scan(FileName::absolutePath(book), &scanned, &error, stoppable({}))) {
        printError(QStringLiteral("chapters: ") + book + QStringLiteral(": ") + error.description);
        return 1;
    }
    const QList<Heading>& headings = scanned.headings;
    for (const Heading& heading : headings) {
        if (json)
            print(jsonLine(heading));
        else
            print(FileName::encode(
                TabRow::line({QString::number(heading.line), QString::number(int(heading.level)),
                              heading.number ? QString::number(*heading.number) : QString(), heading.text,
                              heading.doubtful ? QStringLiteral("doubtful") : QString()})));
    }
    std::fflush(stdout);
    return 0;
}

int checkBook(JobEnv& env, const QString& bookOrFolder) {
    const QString path = FileName::absolutePath(bookOrFolder);
    CheckRunner::Outcome outcome;
    if (FileOps::folderExists(path)) {
        env.state.CurrentFolder = path.endsWith(u'/') ? path : path + u'/';
        outcome = CheckRunner::checkFolder(env, env.state.CurrentFolder);
    } else {
        env.state.CurrentFolder = path.left(path.lastIndexOf(u'/') + 1);
        outcome = CheckRunner::checkBook(env, path);
        if (outcome == CheckRunner::Outcome::NoChapters)
            CheckRunner::reportNoChapters(env, path.mid(path.lastIndexOf(u'/') + 1), path);
    }
    env.sink.complete();
    // Only a book or folder that was checked and found clean passes.
    return outcome == CheckRunner::Outcome::Clean ? 0 : 1;
}

QString splitFolder(const QString& book, const QString& into) {
    if (!into.isEmpty())
        return FileName::absolutePath(into);
    const QString path = FileName::absolutePath(book);
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return path.left(path.lastIndexOf(u'/') + 1) + (dot > 0 ? name.left(dot) : name + QStringLiteral("-chapters"));
}

int splitBook(JobEnv& env, const QString& book, const QString& folder) {
    const QString path = FileName::absolutePath(book);
    env.state.CurrentFolder = path.left(path.lastIndexOf(u'/') + 1);
    const bool split = SplitRunner::run(env, path, folder);
    env.sink.complete();
    return split ? 0 : 1;
}

int makeEpub(JobEnv& env, EpubOptions options, bool sort) {
    for (QString& input : options.inputs)
        input = FileName::absolutePath(input);
    if (sort) {
        std::stable_sort(options.inputs.begin(), options.inputs.end(), [](const QString& a, const QString& b) {
            return ChapterOrder::lessThan(a.mid(a.lastIndexOf(u'/') + 1), b.mid(b.lastIndexOf(u'/') + 1));
        });
    }
    options.output = FileName::absolutePath(options.output);
    if (!options.cover.isEmpty())
        options.cover = FileName::absolutePath(options.cover);
    env.state.CurrentFolder = options.output.left(options.output.lastIndexOf(u'/') + 1);
    // Whether the run failed is told by its rows (Outcomes::isFailure), as for every other command.
    EpubRunner::run(env, options);
    env.sink.complete();
    return 0;
}

} // namespace BookCommands
