#include "Transformations.h"

#include "ChapterFinder.h"
#include "HtmlLineConverter.h"
#include "LineTransform.h"
#include "ParagraphReflower.h"
#include "SpaceRemoval.h"
#include "WidthConversion.h"
#include "platform/ByteLineReader.h"
#include "platform/HtmlCharset.h"
#include "platform/TextDecoder.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QCoreApplication>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace {

QString pieceBuffer() {
    QString piece;
    piece.reserve(4096);
    return piece;
}

LineTransformOptions withPulse(WorkPulse* pulse) {
    LineTransformOptions options;
    options.pulse = pulse;
    return options;
}

} // namespace

bool HtmlToText(const QString& sourcePath, const QString& targetPath, bool dropLinks, TransformReport* report,
                HtmlRules rules, WorkPulse* pulse) {
    LineTransformOptions options = withPulse(pulse);
    // An encoding the user forces wins over what the page declares.
    if (!TextReader::decodingRules().forced)
        options.declaredEncoding = declaredHtmlCharset(sourcePath);
    const LineHandlerFactory makeHandler = [dropLinks, rules]() -> LineHandler {
        return [converter = HtmlLineConverter(dropLinks, rules), piece = pieceBuffer()](QString& line,
                                                                                        TextWriter& out) mutable {
            converter.convertLine(line, piece);
            if (!piece.isEmpty())
                out.write(piece);
        };
    };
    return transformLines(sourcePath, targetPath, makeHandler, report, options);
}

bool ReflowParagraphs(const QString& sourcePath, const QString& targetPath, int /*level*/, TransformReport* report,
                      WorkPulse* pulse) {
    // Every level reflows as level 0: the others are names on the sliders without a behaviour.
    const LineHandlerFactory makeHandler = []() -> LineHandler {
        return [reflower = ParagraphReflower(), piece = pieceBuffer()](QString& line, TextWriter& out) mutable {
            reflower.reflowLine(line, piece);
            if (!piece.isEmpty())
                out.write(piece);
        };
    };
    return transformLines(sourcePath, targetPath, makeHandler, report, withPulse(pulse));
}

bool RemoveSpaces(const QString& sourcePath, const QString& targetPath, TransformReport* report, WorkPulse* pulse) {
    QString kept = pieceBuffer();
    TextChanges changes;
    LineTransformOptions options = withPulse(pulse);
    options.changes = &changes;
    return transformLines(
        sourcePath, targetPath,
        [&](QString& line, TextWriter& out) {
            removeIsolatedSpaces(line, kept);
            changes.note(kept.size() != line.size());
            out.writeLine(kept);
        },
        report, options);
}

bool ConvertWidth(const QString& sourcePath, const QString& targetPath, int direction, TransformReport* report,
                  WorkPulse* pulse, bool keepChinese) {
    TextChanges changes;
    LineTransformOptions options = withPulse(pulse);
    options.changes = &changes;
    const WidthKeep keep = keepChinese ? WidthKeep::ChinesePunctuation : WidthKeep::Nothing;
    return transformLines(
        sourcePath, targetPath,
        [direction, keep, &changes](QString& line, TextWriter& out) {
            changes.note(direction == 0 ? toHalfWidth(line, keep) : toFullWidth(line));
            out.writeLine(line);
        },
        report, options);
}

namespace {

// Feeds the finder the lines of a file in an encoding whose line ends never stand inside a character,
// read as bytes: a line is decoded only when its first characters may start a heading.
bool feedByteLines(const QString& path, const TextFormat& format, ChapterFinder& finder) {
    ByteLineReader reader;
    if (!reader.open(path, format))
        return false;
    const TextDecoder decoder(format.encoding);
    constexpr qsizetype GlanceBytes = 4; // the first character of most lines, which are no headings
    constexpr qsizetype HeadBytes = 16;  // an indent of a few 　 and the first character after it
    char16_t head[HeadBytes];
    std::vector<char16_t> units;
    QByteArrayView bytes;
    // The first character that is not blank among the first `size` bytes, or nothing. A character
    // cut off there stays undecoded, so a shorter look finds the same character as a longer one.
    const auto firstCharacter = [&](const uchar* data, qsizetype size, bool whole, QStringView& start) {
        qsizetype written = 0;
        decoder.decode(data, size, whole, head, &written);
        start = QStringView(head, written);
        qsizetype first = 0;
        while (first < start.size() && BookText::isBlank(start[first]))
            ++first;
        return first < start.size() ? std::optional<QChar>(start[first]) : std::nullopt;
    };
    while (reader.readLine(bytes)) {
        const auto* data = reinterpret_cast<const uchar*>(bytes.data());
        QStringView start;
        const qsizetype glanceSize = std::min(bytes.size(), GlanceBytes);
        const std::optional<QChar> glanced = firstCharacter(data, glanceSize, glanceSize == bytes.size(), start);
        if (glanced && !ChapterFinder::mayStartHeading(*glanced)) {
            finder.addPlainLine();
            continue;
        }
        const qsizetype headSize = std::min(bytes.size(), HeadBytes);
        const std::optional<QChar> found = firstCharacter(data, headSize, headSize == bytes.size(), start);
        if (found && !ChapterFinder::mayStartHeading(*found)) {
            finder.addPlainLine();
        } else if (headSize == bytes.size()) {
            finder.addLine(start);
        } else {
            if (units.size() < size_t(bytes.size()))
                units.resize(size_t(bytes.size()));
            qsizetype written = 0;
            decoder.decode(data, bytes.size(), true, units.data(), &written);
            finder.addLine(QStringView(units.data(), written));
        }
    }
    return !reader.error().isSet();
}

// The lines of `path`, read in `format`, that the chapter finder takes for headings, ascending; none
// when the file cannot be read (the transformation then reports why).
QList<qint64> headingLines(const QString& path, const TextFormat& format) {
    ChapterFinder finder;
    if (isUtf16(format.encoding)) {
        TextReader reader;
        if (!reader.reopen(path, format))
            return {};
        QString line;
        while (reader.readLine(line))
            finder.addLine(line);
    } else if (!feedByteLines(path, format, finder)) {
        return {};
    }
    QList<qint64> lines;
    for (const Heading& heading : finder.finish()) {
        if (lines.isEmpty() || lines.last() != heading.line)
            lines.append(heading.line);
    }
    return lines;
}

QString invisibleSummary(const InvisibleCount& count) {
    QStringList parts;
    if (count.removed > 0)
        parts.append(QCoreApplication::translate("Transformations", "删除 %1 个不可见字符").arg(count.removed));
    if (count.formatKept > 0)
        parts.append(QCoreApplication::translate("Transformations", "%1 个格式字符未改动").arg(count.formatKept));
    return parts.join(QStringLiteral("，"));
}

} // namespace

bool Typeset(const QString& sourcePath, const QString& targetPath, const TypesetOptions& typeset,
             TransformReport* report, WorkPulse* pulse) {
    TextChanges changes;
    LineTransformOptions options = withPulse(pulse);
    options.changes = &changes;
    // Only an indent that paragraphs get and headings do not needs to know the headings: a look at the
    // whole file before the pass, which then need not examine the file again.
    QList<qint64> headings;
    if (typeset.indent == IndentStyle::TwoSpaces) {
        TextReader probe;
        if (probe.open(sourcePath)) {
            options.examined = ExaminedSource{probe.format(), probe.identity()};
            probe.close();
            headings = headingLines(sourcePath, options.examined->format);
        }
    }
    InvisibleCount counted;
    // A second pass (into UTF-8) starts again: only the last pass's counts are the file's.
    std::shared_ptr<Typesetter> last;
    const LineHandlerFactory makeHandler = [&]() -> LineHandler {
        last = std::make_shared<Typesetter>(typeset, headings);
        return [setter = last, piece = pieceBuffer(), &changes](QString& line, TextWriter& out) mutable {
            changes.note(setter->typesetLine(line, piece, !isUnicodeEncoding(out.format().encoding)));
            if (!piece.isEmpty())
                out.write(piece);
        };
    };
    const bool done = transformLines(sourcePath, targetPath, makeHandler, report, options);
    if (done && report && last)
        report->summary = invisibleSummary(last->invisible());
    return done;
}
