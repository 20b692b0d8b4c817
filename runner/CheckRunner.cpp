#include "CheckRunner.h"

#include "BookPasses.h"
#include "StopRows.h"
#include "core/ChapterOrder.h"
#include "core/ProgressSink.h"
#include "engine/BookCheck.h"
#include "platform/FolderListing.h"

#include <QCoreApplication>
#include <QSet>

namespace CheckRunner {
namespace {

using BookPasses::readAgain;
using BookPasses::scan;
using Scan = BookPasses::Scan;

void report(JobEnv& env, const QList<BookCheck::Finding>& findings) {
    for (const BookCheck::Finding& finding : findings)
        env.sink.ReportProgress(0, ResultRow::about(::Outcome::Note, finding.where, BookCheck::faultText(finding.fault),
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

// The bar runs over both passes: finding the chapters, then checking them; a stop ends the read.
ReadProgress passProgress(JobEnv& env, int pass) {
    return [&env, pass](qint64 done, qint64 total) {
        if (total > 0)
            env.sink.moveBar(int((pass * 100 + done * 100 / total) / 2));
        return !env.sink.stopRequested();
    };
}

ReadProgress stoppable(JobEnv& env) {
    return [&env](qint64, qint64) { return !env.sink.stopRequested(); };
}

} // namespace

Outcome checkBook(JobEnv& env, const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    Scan book;
    FileError error;
    if (!scan(path, &book, &error, passProgress(env, 0))) {
        reportFileError(env, name, path, error);
        return Outcome::Failed;
    }
    if (book.headings.isEmpty())
        return Outcome::NoChapters;
    BookCheck check(BookCheck::entriesOf(book.headings));
    if (!readAgain(
            path, book.format, [&](const QString& line) { check.addLine(line); }, &error, passProgress(env, 1))) {
        reportFileError(env, name, path, error);
        return Outcome::Failed;
    }
    const QList<BookCheck::Finding> findings = check.finish();
    report(env, findings);
    return findings.isEmpty() ? Outcome::Clean : Outcome::Found;
}

// A folder of chapter files: each file one chapter, named by its file, numbered by its first chapter
// heading. The files are fed to the check one after the other, each behind a line of its own that
// stands for its heading (the file's own heading line is left out).
Outcome checkFolder(JobEnv& env, const QString& folder) {
    QStringList names = FolderListing::listFiles(folder, QStringLiteral("*.txt"));
    if (names.isEmpty()) {
        env.sink.ReportProgress(
            0, ResultRow::of(::Outcome::Note, folder, QCoreApplication::translate("CheckRunner", "检查完成"),
                             QCoreApplication::translate("CheckRunner", "未找到章节文件：无从检查"), folder));
        return Outcome::NoChapters;
    }
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
    bool failed = false;
    qint64 fed = 0;
    for (const QString& name : names) {
        Scan chapter;
        FileError error;
        if (!scan(folder + name, &chapter, &error, stoppable(env))) {
            reportFileError(env, name, folder + name, error);
            if (error.isStopped())
                return Outcome::Failed;
            failed = true;
            continue;
        }
        const auto found = std::find_if(chapter.headings.begin(), chapter.headings.end(),
                                        [](const Heading& h) { return h.level == Heading::Level::Chapter; });
        // The volume headings before the chapter's (a split puts a volume into its first chapter's
        // file) tell where a book's chapter numbers start again.
        for (auto volume = chapter.headings.begin(); volume != found; ++volume) {
            Heading heading = *volume;
            heading.line = fed + 1;
            entries.append({heading, name, false});
        }
        Heading heading = found != chapter.headings.end() ? *found : Heading();
        files.append({name, chapter.format, found != chapter.headings.end() ? heading.line : 0});
        heading.line = fed + 1;
        const bool laterPage = BookCheck::entriesOf({heading}).first().laterPage || isLaterPageName(name, stems);
        entries.append({heading, name, laterPage});
        fed += 1 + chapter.lines - (files.back().headingLine > 0 ? 1 : 0);
    }
    // Numbered as one book's headings: per volume where each volume starts again.
    QList<Heading> headings;
    for (const BookCheck::Entry& entry : entries)
        headings.append(entry.heading);
    ChapterFinder::numberSequences(headings);
    for (qsizetype i = 0; i < entries.size(); ++i)
        entries[i].heading.sequence = headings[i].sequence;
    BookCheck check(entries);
    for (const File& file : files) {
        check.addLine(QString());
        qint64 line = 0;
        FileError error;
        const auto take = [&](const QString& text) {
            if (++line != file.headingLine)
                check.addLine(text);
        };
        if (!readAgain(folder + file.name, file.format, take, &error, stoppable(env))) {
            reportFileError(env, file.name, folder + file.name, error);
            return Outcome::Failed;
        }
    }
    const QList<BookCheck::Finding> findings = check.finish();
    report(env, findings);
    return failed ? Outcome::Failed : findings.isEmpty() ? Outcome::Clean : Outcome::Found;
}

void reportNoChapters(JobEnv& env, const QString& text, const QString& path) {
    // Left as it is, and counted so in the summing-up.
    env.sink.ReportProgress(
        0, ResultRow::of(::Outcome::Skipped, text, QCoreApplication::translate("CheckRunner", "检查完成"),
                         QCoreApplication::translate("CheckRunner", "未找到章节标题：无从检查"), path));
}

void checkFiles(JobEnv& env, const QString& folder, const QStringList& names) {
    for (const QString& name : names) {
        env.sink.processEvents();
        if (env.sink.stopRequested()) {
            reportStopped(env.sink, name);
            return;
        }
        switch (checkBook(env, folder + name)) {
        case Outcome::Clean:
            env.sink.ReportProgress(
                0, ResultRow::of(::Outcome::Done, name, QCoreApplication::translate("CheckRunner", "检查完成"),
                                 QCoreApplication::translate("CheckRunner", "未发现问题"), folder + name));
            break;
        case Outcome::NoChapters:
            reportNoChapters(env, name, folder + name);
            break;
        case Outcome::Found:
            // The findings' rows came first; this row counts the file as checked in the summing-up.
            env.sink.ReportProgress(
                0, ResultRow::of(::Outcome::Done, name, QCoreApplication::translate("CheckRunner", "检查完成"),
                                 QCoreApplication::translate("CheckRunner", "发现问题，见上面的行"), folder + name));
            break;
        case Outcome::Failed:
            break;
        }
    }
}

} // namespace CheckRunner
