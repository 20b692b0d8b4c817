#include "SplitRunner.h"

#include "BookPasses.h"
#include "JournalSteps.h"
#include "StopRows.h"
#include "core/ChapterOrder.h"
#include "core/PathHelpers.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/BatchJournal.h"
#include "engine/FileJob.h"
#include "platform/FileName.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QCoreApplication>
#include <optional>

namespace SplitRunner {
namespace {

constexpr qsizetype MaxTitleLength = 60;

// A heading's words as a part of a file name: no "/", "\" or control characters, at most
// MaxTitleLength characters.
QString nameWords(const QString& text) {
    QString words;
    for (const QChar c : text)
        words += (c == u'/' || c == u'\\' || c.category() == QChar::Other_Control) ? u' ' : c;
    return words.simplified().left(MaxTitleLength).trimmed();
}

QString numbered(qsizetype counter, int width, const QString& words) {
    QString name = QStringLiteral("%1").arg(counter, width, 10, QLatin1Char('0'));
    if (!words.isEmpty())
        name += u' ' + words;
    return name + QStringLiteral(".txt");
}

// True when chapter reading order keeps the names in the order given.
bool sortsInPlace(const QList<Piece>& pieces) {
    QStringList names;
    for (const Piece& piece : pieces)
        names.append(piece.name);
    QStringList sorted = names;
    ChapterOrder::sort(sorted);
    return sorted == names;
}

// True when the file at `path`, written in `format`, read alone (its encoding told from its bytes, as
// a merge reads it) gives other text: a short chapter of box-drawing lines in GB18030 may read as Big5.
// `readAs` learns the encoding it is taken for. Files with a byte order mark cannot be taken amiss.
bool readsAloneAsOtherText(const QString& path, const TextFormat& format, TextEncoding* readAs) {
    const TextEncoding encoding = format.encoding;
    if (encoding == TextEncoding::Utf8Bom || encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
        return false;
    TextReader alone;
    if (!alone.open(path) || alone.format().encoding == encoding)
        return false;
    *readAs = alone.format().encoding;
    TextReader asWritten;
    if (!asWritten.reopen(path, format))
        return false;
    QString aloneLine;
    QString writtenLine;
    for (;;) {
        const bool more = alone.readLine(aloneLine);
        if (more != asWritten.readLine(writtenLine))
            return true;
        if (!more)
            return false;
        if (aloneLine != writtenLine)
            return true;
    }
}

// The file of the split being written.
class PieceWriter {
public:
    PieceWriter(JobEnv& env, const QString& folder, const TextFormat& format)
        : m_env(env), m_folder(folder), m_format(format) {}

    // Starts `name`; a file the user would not have replaced is skipped (its lines are dropped).
    bool start(const QString& name) {
        if (!finish())
            return false;
        m_name = name;
        const QString path = m_folder + name;
        if (!prepareFolder())
            return false;
        if (!BeginFileJob(m_env, path, name, m_folder))
            return true; // its row is written; the other files go on
        m_intended = IntendedChange();
        if (!IntendToCreate(m_env, m_folder, name, path, m_intended))
            return false;
        m_writer.emplace();
        if (!m_writer->open(path, m_format)) {
            BatchJournal::withdraw(m_env, name, m_intended.intended);
            reportFileError(m_env, path, path, m_writer->error());
            m_writer.reset();
            return false;
        }
        m_writer->setBeforeReplace(BackUpBeforeReplace(m_env, path, path, nullptr, &m_intended));
        return true;
    }
    void write(QStringView text) {
        if (m_writer)
            m_writer->write(text);
    }
    bool finish() {
        if (!m_writer)
            return true;
        const QString path = m_folder + m_name;
        const bool written = m_writer->commit();
        if (written) {
            ++m_written;
            JournalSteps::written(m_env, m_folder, m_name, m_intended);
            m_env.sink.ReportProgress(0, ResultRow::of(Outcome::Done, path,
                                                       QCoreApplication::translate("SplitRunner", "拆分完成"),
                                                       QString(), path));
            TextEncoding readAs = m_format.encoding;
            if (readsAloneAsOtherText(path, m_format, &readAs)) {
                m_env.sink.ReportProgress(
                    0, ResultRow::of(Outcome::Note, path, QCoreApplication::translate("SplitRunner", "注意"),
                                     QCoreApplication::translate(
                                         "SplitRunner", "单独读取时会被当作 %1 编码：合并这些文件时请指定按 %2 读取，"
                                                        "否则这一章的文字会变")
                                         .arg(encodingName(readAs), encodingName(m_format.encoding)),
                                     path));
            }
        } else {
            BatchJournal::withdraw(m_env, m_name, m_intended.intended);
            reportFileError(m_env, path, path, m_writer->error());
        }
        m_writer.reset();
        return written;
    }
    void cancel() {
        if (m_writer)
            BatchJournal::withdraw(m_env, m_name, m_intended.intended);
        m_writer.reset();
    }
    // Removes the folder the split made when no file went into it (a stop before the first, a failure).
    void removeUnusedFolder() {
        if (m_madeFolder && m_written == 0)
            FileOps::removeFolder(m_folder);
    }

private:
    // The folder is made with the first file, so that a split that writes nothing leaves none behind.
    bool prepareFolder() {
        if (m_folderReady)
            return true;
        m_madeFolder = !FileOps::folderExists(m_folder);
        FileError error;
        if (!FileOps::createFolderPath(m_folder, &error)) {
            reportFileError(m_env, m_folder, m_folder, error);
            return false;
        }
        m_folderReady = true;
        return true;
    }

    JobEnv& m_env;
    QString m_folder;
    TextFormat m_format;
    QString m_name;
    IntendedChange m_intended;
    std::optional<TextWriter> m_writer;
    bool m_folderReady = false;
    bool m_madeFolder = false;
    int m_written = 0;
};

} // namespace

QList<Piece> plan(const QList<Heading>& headings, qint64 lines, const QString& bookStem) {
    struct Start {
        qint64 line;
        QString words;
    };
    QList<Start> starts;
    std::optional<Heading> volume; // a volume heading not yet followed by a chapter
    const auto volumeAlone = [&] {
        if (volume)
            starts.append({volume->line, volume->title.isEmpty() ? volume->text : volume->title});
        volume.reset();
    };
    for (const Heading& heading : headings) {
        if (heading.level == Heading::Level::Volume) {
            volumeAlone();
            volume = heading;
            continue;
        }
        // A volume's number would count before the counter in reading order: chapters are named by
        // their own words only.
        starts.append({volume ? volume->line : heading.line, heading.text});
        volume.reset();
    }
    volumeAlone();
    if (lines > 0 && (starts.isEmpty() || starts.first().line > 1))
        starts.prepend({1, bookStem});

    const bool front = !starts.isEmpty() && (headings.isEmpty() || starts.first().line < headings.first().line);
    const int width = std::max(4, int(QString::number(starts.size()).size()));
    QList<Piece> pieces;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype counter = front ? i : i + 1;
        QString name = numbered(counter, width, nameWords(starts[i].words));
        // Words the file system cannot keep as they are (FileName::isPlainFileName) are left out.
        if (!FileName::isPlainFileName(name))
            name = numbered(counter, width, QString());
        pieces.append({starts[i].line, name});
    }
    // Words that would upset the order (a number in a title that outranks the counter) are left out.
    if (!sortsInPlace(pieces)) {
        for (qsizetype i = 0; i < pieces.size(); ++i)
            pieces[i].name = numbered(front ? i : i + 1, width, QString());
    }
    return pieces;
}

bool run(JobEnv& env, const QString& book, const QString& folder) {
    const QString into = AddBackslash(folder);
    const QString bookName = book.mid(book.lastIndexOf(u'/') + 1);
    BatchJournal::begin(env, QStringLiteral("split → ") + bookName, into);
    const auto done = [&](bool result) {
        BatchJournal::end(env);
        return result;
    };
    FileError error;
    BookPasses::Scan scan;
    WorkPulse scanPulse(env.sink, 0, 50);
    if (!BookPasses::scan(book, &scan, &error,
                          [&scanPulse](qint64 got, qint64 total) { return scanPulse.beat(got, total); })) {
        reportFileError(env, book, book, error);
        return done(false);
    }
    if (scan.lines == 0) {
        // Nothing is written, and the row says why.
        env.sink.ReportProgress(
            0, ResultRow::of(Outcome::Skipped, book, QCoreApplication::translate("SplitRunner", "拆分完成"),
                             QCoreApplication::translate("SplitRunner", "书中没有文字：无从拆分"), book));
        return done(true);
    }
    const QList<Piece> pieces = plan(scan.headings, scan.lines, bookName.left(bookName.lastIndexOf(u'.')));

    PieceWriter writer(env, into, scan.format);
    const auto finished = [&](bool result) {
        writer.removeUnusedFolder();
        return done(result);
    };
    qsizetype next = 0;
    qint64 line = 0;
    bool ok = true;
    WorkPulse writePulse(env.sink, 50, 100);
    bool stopped = false;
    // Each line goes with its own end as the book holds it (a CR LF book's lone CRs too, none after a
    // last line that has none), into the file of the chapter it belongs to.
    const auto take = [&](const QString& text, std::optional<LineEnd> end) {
        ++line;
        if (!ok)
            return;
        if (next < pieces.size() && pieces[next].line == line) {
            // Between two files the window's events run, and a stop leaves the next file unwritten.
            env.sink.processEvents();
            stopped = env.sink.stopRequested();
            ok = !stopped && writer.start(pieces[next++].name);
        }
        writer.write(text);
        if (end)
            writer.write(lineEndText(*end));
    };
    if (!BookPasses::readAgain(book, scan.format, take, &error,
                               [&](qint64 got, qint64 total) { return ok && writePulse.beat(got, total); })) {
        writer.cancel();
        if (ok || stopped)
            reportFileError(env, book, book, stopped ? FileError::stopped() : error);
        return finished(false);
    }
    if (stopped) {
        writer.cancel();
        reportStopped(env.sink, QString());
        return finished(false);
    }
    return finished(writer.finish() && ok);
}

} // namespace SplitRunner
