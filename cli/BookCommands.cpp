#include "BookCommands.h"

#include "CliStop.h"
#include "TabRow.h"
#include "core/AppState.h"
#include "core/ChapterOrder.h"
#include "core/ProgressSink.h"
#include "engine/BookCheck.h"
#include "engine/ChapterFinder.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/FolderListing.h"
#include "platform/TextReader.h"
#include "runner/BookPasses.h"
#include "runner/EpubRunner.h"
#include "runner/SplitRunner.h"
#include "runner/StopRows.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cstdio>
#include <functional>

namespace BookCommands {
namespace {

using BookPasses::readAgain;
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

void report(JobEnv& env, const QList<BookCheck::Finding>& findings) {
    for (const BookCheck::Finding& finding : findings)
        env.sink.ReportProgress(0, ResultRow::about(Outcome::Note, finding.where, BookCheck::faultText(finding.fault),
                                                     finding.details));
}

// "565590_2.txt" is the second page of "565590.txt" when that file is there too.
bool isLaterPageName(const QString& name, const QSet<QString>& stems) {
    const QString stem = name.left(name.lastIndexOf(u'.'));
    const qsizetype underscore = stem.lastIndexOf(u'_');
    if (underscore <= 0)
        return false;
    bool ok = false;
    const int page = stem.mid(underscore + 1).toInt(&ok);
    return ok && page >= 2 && stems.contains(stem.left(underscore));
}

// The bar runs over both passes: finding the chapters, then checking them.
ReadProgress passProgress(JobEnv& env, int pass) {
    return stoppable([&env, pass](qint64 done, qint64 total) {
        if (total > 0)
            env.sink.moveBar(int((pass * 100 + done * 100 / total) / 2));
    });
}

int checkFile(JobEnv& env, const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    Scan book;
    FileError error;
    if (!scan(path, &book, &error, passProgress(env, 0))) {
        reportFileError(env, name, path, error);
        return 1;
    }
    if (book.headings.isEmpty()) {
        printError(QStringLiteral("check: no chapters found in ") + name);
        return 0;
    }
    BookCheck check(BookCheck::entriesOf(book.headings));
    if (!readAgain(
            path, book.format, [&](const QString& line) { check.addLine(line); }, &error, passProgress(env, 1))) {
        reportFileError(env, name, path, error);
        return 1;
    }
    const QList<BookCheck::Finding> findings = check.finish();
    report(env, findings);
    return findings.isEmpty() ? 0 : 1;
}

// A folder of chapter files: each file one chapter, named by its file, numbered by its first chapter
// heading. The files are fed to the check one after the other, each behind a line of its own that
// stands for its heading (the file's own heading line is left out).
int checkFolder(JobEnv& env, const QString& folder) {
    QStringList names = FolderListing::listFiles(folder, QStringLiteral("*.txt"));
    ChapterOrder::sort(names);
    QSet<QString> stems;
    for (const QString& name : names)
        stems.insert(name.left(name.lastIndexOf(u'.')));

    struct File {
        QString name;
        TextFormat format;
        qint64 headingLine = 0; // in the file; 0 when it has none
    };
    QList<File> files;
    QList<BookCheck::Entry> entries;
    int status = 0;
    qint64 fed = 0;
    for (const QString& name : names) {
        Scan chapter;
        FileError error;
        if (!scan(folder + name, &chapter, &error, stoppable({}))) {
            reportFileError(env, name, folder + name, error);
            if (error.isStopped())
                return 1;
            status = 1;
            continue;
        }
        const auto found = std::find_if(chapter.headings.begin(), chapter.headings.end(),
                                        [](const Heading& h) { return h.level == Heading::Level::Chapter; });
        Heading heading = found != chapter.headings.end() ? *found : Heading();
        files.append({name, chapter.format, found != chapter.headings.end() ? heading.line : 0});
        heading.line = fed + 1;
        heading.sequence = 0;
        const bool laterPage = BookCheck::entriesOf({heading}).first().laterPage || isLaterPageName(name, stems);
        entries.append({heading, name, laterPage});
        fed += 1 + chapter.lines - (files.back().headingLine > 0 ? 1 : 0);
    }
    BookCheck check(entries);
    for (const File& file : files) {
        check.addLine(QString());
        qint64 line = 0;
        FileError error;
        const auto take = [&](const QString& text) {
            if (++line != file.headingLine)
                check.addLine(text);
        };
        if (!readAgain(folder + file.name, file.format, take, &error, stoppable({}))) {
            reportFileError(env, file.name, folder + file.name, error);
            return 1;
        }
    }
    const QList<BookCheck::Finding> findings = check.finish();
    report(env, findings);
    return findings.isEmpty() ? status : 1;
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
    int status = 0;
    if (FileOps::folderExists(path)) {
        env.state.CurrentFolder = path.endsWith(u'/') ? path : path + u'/';
        status = checkFolder(env, env.state.CurrentFolder);
    } else {
        env.state.CurrentFolder = path.left(path.lastIndexOf(u'/') + 1);
        status = checkFile(env, path);
    }
    env.sink.complete();
    return status;
}

int splitBook(JobEnv& env, const QString& book, const QString& into) {
    const QString path = FileName::absolutePath(book);
    QString folder = into.isEmpty() ? QString() : FileName::absolutePath(into);
    if (folder.isEmpty()) {
        const QString name = path.mid(path.lastIndexOf(u'/') + 1);
        const qsizetype dot = name.lastIndexOf(u'.');
        folder =
            path.left(path.lastIndexOf(u'/') + 1) + (dot > 0 ? name.left(dot) : name + QStringLiteral("-chapters"));
    }
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
