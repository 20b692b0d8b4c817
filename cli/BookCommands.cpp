#include "BookCommands.h"

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

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <cstdio>
#include <functional>

namespace BookCommands {
namespace {

void printError(const QString& text) {
    std::fputs(FileName::encode(QStringLiteral("quillmar-cli: ") + text + u'\n').constData(), stderr);
}

void print(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// Reads every line of `path` into `take`; false with `error` set when the file cannot be read.
bool readLines(const QString& path, const std::function<void(const QString&)>& take, FileError* error,
               TextFormat* format = nullptr) {
    TextReader reader;
    if (!reader.open(path)) {
        *error = reader.error();
        return false;
    }
    if (format)
        *format = reader.format();
    QString line;
    while (reader.readLine(line))
        take(line);
    *error = reader.error();
    return !error->isSet();
}

int lineEndLength(const TextFormat& format) {
    return format.lineEnd == LineEnd::CrLf ? 2 : 1;
}

bool findChapters(const QString& path, QList<Heading>* headings, FileError* error) {
    TextFormat format;
    {
        TextReader reader;
        if (!reader.open(path)) {
            *error = reader.error();
            return false;
        }
        format = reader.format();
    }
    ChapterFinder finder(lineEndLength(format));
    if (!readLines(path, [&](const QString& line) { finder.addLine(line); }, error))
        return false;
    *headings = finder.finish();
    return true;
}

QByteArray jsonLine(const Heading& heading) {
    QJsonObject object{{"line", heading.line},
                       {"offset", heading.offset},
                       {"level", int(heading.level)},
                       {"number", heading.number ? QJsonValue(qint64(*heading.number)) : QJsonValue()},
                       {"label", heading.label},
                       {"title", heading.title},
                       {"text", heading.text},
                       {"doubtful", heading.doubtful}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

void reportError(JobEnv& env, const QString& name, const FileError& error) {
    env.sink.ReportProgress(0, name, QStringLiteral("错误") + QString::number(error.number), error.description,
                            Mark::Red);
}

void report(JobEnv& env, const QList<BookCheck::Finding>& findings) {
    for (const BookCheck::Finding& finding : findings)
        env.sink.ReportProgress(0, finding.where, BookCheck::faultText(finding.fault), finding.details, Mark::Yellow);
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

int checkFile(JobEnv& env, const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    QList<Heading> headings;
    FileError error;
    if (!findChapters(path, &headings, &error)) {
        reportError(env, name, error);
        return 1;
    }
    BookCheck check(BookCheck::entriesOf(headings));
    if (!readLines(path, [&](const QString& line) { check.addLine(line); }, &error)) {
        reportError(env, name, error);
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
        qint64 headingLine = 0; // in the file; 0 when it has none
    };
    QList<File> files;
    QList<BookCheck::Entry> entries;
    int status = 0;
    qint64 fed = 0;
    for (const QString& name : names) {
        QList<Heading> headings;
        FileError error;
        qint64 lines = 0;
        if (!findChapters(folder + name, &headings, &error) ||
            !readLines(folder + name, [&](const QString&) { ++lines; }, &error)) {
            reportError(env, name, error);
            status = 1;
            continue;
        }
        Heading heading;
        const auto chapter = std::find_if(headings.begin(), headings.end(),
                                          [](const Heading& h) { return h.level == Heading::Level::Chapter; });
        if (chapter != headings.end())
            heading = *chapter;
        files.append({name, chapter != headings.end() ? heading.line : 0});
        heading.level = Heading::Level::Chapter;
        heading.line = fed + 1;
        heading.sequence = 0;
        const QList<BookCheck::Entry> own = BookCheck::entriesOf({heading});
        entries.append({heading, name, own.first().laterPage || isLaterPageName(name, stems)});
        fed += 1 + lines - (files.back().headingLine > 0 ? 1 : 0);
    }
    BookCheck check(entries);
    for (const File& file : files) {
        check.addLine(QString());
        qint64 line = 0;
        FileError error;
        readLines(
            folder + file.name,
            [&](const QString& text) {
                if (++line != file.headingLine)
                    check.addLine(text);
            },
            &error);
    }
    const QList<BookCheck::Finding> findings = check.finish();
    report(env, findings);
    return findings.isEmpty() ? status : 1;
}

} // namespace

int printChapters(const QString& book, bool json) {
    QList<Heading> headings;
    FileError error;
    if (!findChapters(FileName::absolutePath(book), &headings, &error)) {
        printError(QStringLiteral("chapters: ") + book + QStringLiteral(": ") + error.description);
        return 1;
    }
    for (const Heading& heading : headings) {
        if (json)
            print(jsonLine(heading));
        else
            print(FileName::encode(TabRow::line({QString::number(heading.line), QString::number(int(heading.level)),
                                                 heading.number ? QString::number(*heading.number) : QString(),
                                                 heading.text, heading.doubtful ? QStringLiteral("doubtful") : QString()})));
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
    env.sink.ReportProgress(-1, QString(), QString(), QString(), QString());
    return status;
}

} // namespace BookCommands
