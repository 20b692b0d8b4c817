#include "EpubRunner.h"

#include "BookPasses.h"
#include "JournalSteps.h"
#include "StopRows.h"
#include "core/ProgressSink.h"
#include "core/WorkPulse.h"
#include "engine/BatchJournal.h"
#include "engine/EpubBuilder.h"
#include "engine/FileJob.h"
#include "platform/ChineseConverter.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUuid>
#include <vector>

namespace EpubRunner {
namespace {

QString stemOf(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

int differences(const QString& a, const QString& b) {
    int count = int(std::abs(a.size() - b.size()));
    for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
        count += a[i] != b[i] ? 1 : 0;
    return count;
}

// Feeds one input's lines to the builder: a heading line opens its volume or chapter page, every
// other line is text. `stemChapter`: the input is one chapter file that has no heading of its own.
void feed(EpubBuilder& builder, const QList<Heading>& headings, const QString& stemChapter, qint64 line,
          const QString& text, qsizetype& next) {
    if (line == 1 && !stemChapter.isEmpty())
        builder.startChapter(stemChapter);
    bool heading = false;
    for (; next < headings.size() && headings[next].line == line; ++next) {
        const QString words = BookPasses::headingText(headings[next], text);
        // A line the user made a heading that holds nothing stays a (blank) line.
        if (words.isEmpty())
            continue;
        heading = true;
        if (headings[next].level == Heading::Level::Volume)
            builder.startVolume(words);
        else
            builder.startChapter(words);
    }
    if (!heading)
        builder.addLine(text);
}

} // namespace

void readOpening(const QStringList& opening, QString* title, QString* author) {
    static const QRegularExpression bookTitle(
        QStringLiteral("^(?:书名|書名)?[：:]?\\s*《([^》]+)》|^(?:书名|書名)[：:]\\s*(.+)$"));
    static const QRegularExpression bookAuthor(QStringLiteral("(?:作者|作\\s*者|著者)[：:]\\s*(\\S.*)$"));
    for (const QString& line : opening) {
        if (title->isEmpty()) {
            const QRegularExpressionMatch match = bookTitle.match(line);
            if (match.hasMatch())
                *title = (match.captured(1).isEmpty() ? match.captured(2) : match.captured(1)).trimmed();
        }
        if (author->isEmpty()) {
            const QRegularExpressionMatch match = bookAuthor.match(line);
            if (match.hasMatch())
                *author = match.captured(1).trimmed();
        }
    }
}

QString languageOf(const QString& sample) {
    ChineseConverter& converter = ChineseConverter::instance();
    if (sample.isEmpty() || !converter.isAvailable(ChineseConverter::ToSimplified) ||
        !converter.isAvailable(ChineseConverter::ToTraditional))
        return QStringLiteral("zh-CN");
    const int toSimplified = differences(sample, converter.convert(sample, ChineseConverter::ToSimplified));
    const int toTraditional = differences(sample, converter.convert(sample, ChineseConverter::ToTraditional));
    return toSimplified > toTraditional ? QStringLiteral("zh-TW") : QStringLiteral("zh-CN");
}

namespace {

// Builds the book within the running batch.
bool build(JobEnv& env, const EpubOptions& options) {
    const QString folder = options.output.left(options.output.lastIndexOf(u'/') + 1);
    const QString name = options.output.mid(folder.size());
    // The question and its row are about the book that is there already; a book that was not there is
    // written only where none has appeared meanwhile (another run's), never over it unasked.
    if (!BeginFileJob(env, options.output, name, folder))
        return false;
    const bool replace = FileOps::exists(options.output);
    if (!options.cover.isEmpty() && !EpubBuilder::isCoverImage(options.cover)) {
        env.sink.ReportProgress(
            0,
            ResultRow::of(Outcome::Refused, options.cover, QCoreApplication::translate("EpubRunner", "错误"),
                          QCoreApplication::translate("EpubRunner", "封面须是 JPEG、PNG 或 GIF 图片"), options.cover));
        return false;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        reportFileError(env, options.output, options.output, FileError::withText(EIO, scratch.errorString()));
        return false;
    }

    // First pass: the chapters of every input, and what the first one's opening says.
    const qsizetype count = options.inputs.size();
    std::vector<BookPasses::Scan> scans(static_cast<size_t>(count));
    for (qsizetype i = 0; i < count; ++i) {
        WorkPulse pulse(env.sink, int(i * 50 / count), int((i + 1) * 50 / count));
        FileError error;
        if (!BookPasses::scan(options.inputs[i], &scans[size_t(i)], &error,
                              [&pulse](qint64 got, qint64 total) { return pulse.beat(got, total); })) {
            reportFileError(env, options.inputs[i], options.inputs[i], error);
            return false;
        }
        // Only the first input's opening says what the book is.
        if (i > 0) {
            scans[size_t(i)].opening.clear();
            scans[size_t(i)].sample.clear();
        }
    }
    if (count == 1 && !options.edits.isEmpty())
        scans[0].headings = BookPasses::edited(scans[0].headings, options.edits);
    EpubMetadata meta;
    meta.title = options.title;
    meta.author = options.author;
    if (count > 0 && (meta.title.isEmpty() || meta.author.isEmpty())) {
        QString title, author;
        readOpening(scans[0].opening, &title, &author);
        meta.title = !meta.title.isEmpty() ? meta.title
                     : !title.isEmpty()    ? title
                                           : stemOf(count == 1 ? options.inputs[0] : options.output);
        meta.author = !meta.author.isEmpty() ? meta.author : author;
    }
    meta.language =
        !options.language.isEmpty() ? options.language : languageOf(count > 0 ? scans[0].sample : QString());
    meta.identifier = QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    meta.modified = env.clock.now().toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
    meta.vertical = options.vertical;
    meta.coverPath = options.cover;

    // Second pass: the text, page by page.
    EpubBuilder builder(meta, scratch.path() + u'/');
    for (qsizetype i = 0; i < count; ++i) {
        const BookPasses::Scan& scan = scans[size_t(i)];
        const bool headed = std::any_of(scan.headings.begin(), scan.headings.end(),
                                        [](const Heading& h) { return h.level == Heading::Level::Chapter; });
        const QString stemChapter = count > 1 && !headed ? stemOf(options.inputs[i]) : QString();
        qint64 line = 0;
        qsizetype next = 0;
        WorkPulse pulse(env.sink, int(50 + i * 45 / count), int(50 + (i + 1) * 45 / count));
        FileError error;
        bool stopped = false;
        const auto take = [&](const QString& text) {
            if (stopped)
                return;
            // At each heading the window's events run, and a stop leaves the book unwritten.
            if (next < scan.headings.size() && scan.headings[next].line == line + 1) {
                env.sink.processEvents();
                stopped = env.sink.stopRequested();
            }
            if (!stopped)
                feed(builder, scan.headings, stemChapter, ++line, text, next);
        };
        const bool read =
            BookPasses::readAgain(options.inputs[i], scan.format, take, &error,
                                  [&](qint64 got, qint64 total) { return !stopped && pulse.beat(got, total); });
        if (!read || stopped) {
            reportFileError(env, options.inputs[i], options.inputs[i], stopped ? FileError::stopped() : error);
            return false;
        }
        if (line == 0 && !stemChapter.isEmpty())
            builder.startChapter(stemChapter);
    }

    // The line of intent comes first: for a new file here, for one that is replaced from the backup
    // step right before it is.
    IntendedChange intended;
    if (!IntendToCreate(env, folder, name, options.output, intended))
        return false;
    FileError error;
    if (replace && FileOps::exists(options.output) &&
        !BackUpBeforeReplace(env, options.output, options.output, nullptr, &intended)(error))
        return false;
    if (!builder.finish(options.output, &error, replace)) {
        BatchJournal::withdraw(env, name, intended.intended);
        env.sink.ReportProgress(0, ResultRow::of(Outcome::Refused, options.output,
                                                 QCoreApplication::translate("EpubRunner", "未完成"), error.description,
                                                 options.output));
        return false;
    }
    JournalSteps::written(env, folder, name, intended);
    env.sink.ReportProgress(100, ResultRow::of(Outcome::Done, options.output,
                                               QCoreApplication::translate("EpubRunner", "制作完成"), QString(),
                                               options.output));
    if (builder.droppedCharacters() > 0)
        env.sink.ReportProgress(
            100, ResultRow::of(Outcome::Note, options.output, QCoreApplication::translate("EpubRunner", "注意"),
                               QCoreApplication::translate("EpubRunner", "%1 个字符无法写入电子书，已略去")
                                   .arg(builder.droppedCharacters()),
                               options.output));
    return true;
}

} // namespace

bool run(JobEnv& env, const EpubOptions& options) {
    const QString folder = options.output.left(options.output.lastIndexOf(u'/') + 1);
    BatchJournal::begin(env, QStringLiteral("epub → ") + options.output.mid(folder.size()), folder);
    const bool built = build(env, options);
    BatchJournal::end(env);
    return built;
}

bool bookBeside(JobEnv& env, const QString& mergedText, bool ownBatch) {
    EpubOptions options;
    options.inputs = {mergedText};
    const qsizetype slash = mergedText.lastIndexOf(u'/');
    const qsizetype dot = mergedText.lastIndexOf(u'.');
    options.output = (dot > slash + 1 ? mergedText.left(dot) : mergedText) + QStringLiteral(".epub");
    return ownBatch ? run(env, options) : build(env, options);
}

} // namespace EpubRunner
