#include "MergeFiles.h"

#include "WritePass.h"

#include "core/WorkPulse.h"
#include "platform/TextRawCopy.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QCoreApplication>
#include <cerrno>
#include <functional>
#include <optional>
#include <vector>

namespace {

bool fail(TransformReport* report, const FileError& error) {
    if (report)
        report->error = error.isSet() ? error : FileError::fromErrno(EIO);
    return false;
}

// The share of the list done once file `index` is joined, rounded down; a one-file list is done at once.
int percentDone(qsizetype index, qsizetype lastIndex) {
    return lastIndex <= 0 ? 100 : int(qint64(index) * 100 / lastIndex);
}

// Appends every line of the open source to `out`, each followed by the target's line end, except
// that the last source's last line keeps what it has: the result ends as that source ends. A source
// whose bytes already are what the target needs is copied without being decoded, from what the reader
// already holds.
bool appendSource(TextReader& source, TextWriter& out, bool lastSource, FileError& error) {
    const TextRawCopy::LastLine lastLine =
        lastSource ? TextRawCopy::LastLine::AsItStands : TextRawCopy::LastLine::Ended;
    if (TextRawCopy::canAppend(source.format(), out.format()))
        return TextRawCopy::append(source, out, &error, nullptr, lastLine);
    const bool keepExtensions =
        source.format().encoding == TextEncoding::Big5 && out.format().encoding == TextEncoding::Big5;
    QString line;
    while (source.readLine(line)) {
        if (keepExtensions)
            out.keepExtensionCodesOf(line);
        out.write(line);
        if (source.lineEnded() || lastLine == TextRawCopy::LastLine::Ended)
            out.writeLineEnd();
    }
    error = source.error();
    return !error.isSet();
}

// The files of one merge and what its first pass learned of each, so that a second pass in a wider
// encoding reads them without examining them again.
class Merge {
public:
    // `questionMarks`: characters no encoding of the target can hold are written as "?".
    Merge(const QStringList& files, const QString& targetPath, ProgressSink& sink,
          std::function<bool(FileError&)> beforeReplace, bool questionMarks)
        : m_files(files), m_targetPath(targetPath), m_sink(sink), m_beforeReplace(std::move(beforeReplace)),
          m_questionMarks(questionMarks) {
        m_learned.resize(size_t(files.size()));
    }

    // The encoding that holds every character when `encoding` does not.
    static TextEncoding widerThan(TextEncoding encoding) {
        return isUnicodeEncoding(encoding) ? TextEncoding::Utf8 : TextEncoding::Gb18030;
    }

    // Examines every source and joins it into the target in the first source's format, with one row
    // per file. A pass that met characters that format cannot hold is cancelled while a wider
    // encoding remains; `pass.format` tells the format.
    WritePass first() { return pass(std::nullopt); }
    // Joins the sources again, as the first pass found them, into the target in `format`.
    WritePass again(const TextFormat& format) { return pass(format); }
    // The source a failed pass could not read; empty when the failure was the target's.
    const QString& failedSource() const { return m_failedSource; }

private:
    // What the first pass learned of one source; `whole` holds a small one's bytes when kept.
    struct Learned {
        TextFormat format;
        QByteArray whole;
    };
    // Memory a merge may spend on keeping sources between its passes.
    static constexpr qsizetype KeepBudget = 8 * 1024 * 1024;

    WritePass pass(std::optional<TextFormat> format);
    bool openSource(TextReader& source, qsizetype index, bool examine);
    // Keeps a small source's bytes for a second pass while one may follow, within the budget.
    void keepForAgain(const TextReader& source, qsizetype index);

    const QStringList& m_files;
    const QString& m_targetPath;
    ProgressSink& m_sink;
    std::function<bool(FileError&)> m_beforeReplace;
    bool m_questionMarks;
    std::vector<Learned> m_learned;
    bool m_keep = false; // a second pass may follow: small sources are kept
    qsizetype m_kept = 0;
    QString m_failedSource;
};

bool Merge::openSource(TextReader& source, qsizetype index, bool examine) {
    Learned& learned = m_learned[size_t(index)];
    if (!examine)
        return source.reopen(m_files[index], learned.format, learned.whole);
    if (!source.open(m_files[index]))
        return false;
    learned.format = source.format();
    return true;
}

void Merge::keepForAgain(const TextReader& source, qsizetype index) {
    const QByteArrayView whole = source.wholeFile();
    if (m_keep && !whole.isEmpty() && m_kept + whole.size() <= KeepBudget) {
        m_learned[size_t(index)].whole = whole.toByteArray();
        m_kept += whole.size();
    }
}

WritePass Merge::pass(std::optional<TextFormat> format) {
    const bool examine = !format;
    WritePass pass;
    TextWriter out;
    const auto openTarget = [&](const TextFormat& targetFormat) {
        pass.format = targetFormat;
        m_keep = examine && widerThan(targetFormat.encoding) != targetFormat.encoding;
        if (!out.open(m_targetPath, targetFormat)) {
            pass.error = out.error();
            return false;
        }
        out.setBeforeReplace(m_beforeReplace);
        return true;
    };
    if ((format || m_files.isEmpty()) && !openTarget(format.value_or(TextFormat{})))
        return pass;
    const qsizetype lastIndex = m_files.size() - 1;
    for (qsizetype i = 0; i <= lastIndex; ++i) {
        // A large source moves the bar through its own share of the list, and a stop inside it leaves
        // the target as it was.
        WorkPulse pulse(m_sink, i == 0 ? 0 : percentDone(i - 1, lastIndex), percentDone(i, lastIndex));
        TextReader source;
        source.setProgress([&pulse](qint64 done, qint64 total) { return pulse.beat(done, total); });
        if (!openSource(source, i, examine)) {
            pass.error = source.error();
            m_failedSource = m_files[i];
            return pass;
        }
        if (i == 0 && !format && !openTarget(source.format()))
            return pass;
        if (examine)
            keepForAgain(source, i);
        if (!appendSource(source, out, i == lastIndex, pass.error)) {
            if (source.error().isSet())
                m_failedSource = m_files[i];
            return pass;
        }
        if (out.error().isSet()) {
            pass.error = out.error();
            return pass;
        }
        if (examine) {
            m_sink.ReportProgress(percentDone(i, lastIndex),
                                  ResultRow::of(Outcome::Done, m_files[i],
                                                QCoreApplication::translate("MergeFiles", "合并完成"), QString(),
                                                m_files[i]));
        }
        m_sink.processEvents();
        if (m_sink.stopRequested()) {
            pass.error = FileError::stopped();
            return pass;
        }
    }
    // The first pass gives up on unmappable characters while a wider encoding remains.
    const bool lastPass = !examine || widerThan(pass.format.encoding) == pass.format.encoding;
    finishPass(out, m_questionMarks && lastPass, pass);
    return pass;
}

} // namespace

bool MergeFiles(const QStringList& files, const QString& targetPath, ProgressSink& sink, TransformReport* report) {
    TransformReport own;
    TransformReport& result = report ? *report : own;
    Merge merge(files, targetPath, sink, result.beforeReplace,
                result.unmappablePolicy == UnmappablePolicy::QuestionMark);
    WritePass pass = merge.first();
    const TextFormat format = pass.format;
    const TextEncoding wider = Merge::widerThan(format.encoding);
    result.intendedEncoding = format.encoding;
    result.unmappable = pass.unmappable;
    result.unmappableSample = pass.unmappableSample;
    if (pass.outcome == PassOutcome::Unmappable && wider != format.encoding) {
        result.savedAs = wider;
        pass = merge.again(TextFormat{wider, format.lineEnd});
    }
    if (pass.outcome == PassOutcome::Failed) {
        result.errorFile = merge.failedSource();
        return fail(report, pass.error);
    }
    if (pass.outcome == PassOutcome::Unmappable)
        return fail(report, FileError::withText(EILSEQ, unmappableDescription(result)));
    result.unchanged = pass.unchanged;
    return true;
}
