#include "Transformations.h"

#include "HtmlLineConverter.h"
#include "LineTransform.h"
#include "ParagraphReflower.h"
#include "SpaceRemoval.h"
#include "WidthConversion.h"
#include "platform/HtmlCharset.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

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
                  WorkPulse* pulse) {
    TextChanges changes;
    LineTransformOptions options = withPulse(pulse);
    options.changes = &changes;
    return transformLines(
        sourcePath, targetPath,
        [direction, &changes](QString& line, TextWriter& out) {
            changes.note(direction == 0 ? toHalfWidth(line) : toFullWidth(line));
            out.writeLine(line);
        },
        report, options);
}
