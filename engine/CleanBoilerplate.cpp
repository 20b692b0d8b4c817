#include "Boilerplate.h"
#include "BoilerplateLearner.h"
#include "InvisibleCharacters.h"
#include "LineTransform.h"
#include "Transformations.h"
#include "platform/TextWriter.h"

bool CleanBoilerplate(const QString& sourcePath, const QString& targetPath, const Boilerplate& boilerplate,
                      TransformReport* report, WorkPulse* pulse) {
    TransformReport counts;
    TextChanges changes;
    LineTransformOptions options;
    options.pulse = pulse;
    options.changes = &changes;
    // Learned lines go only among the first and last lines of the window the learner counted.
    const int windowLines = boilerplate.learned.isEmpty() ? 0 : BoilerplateLearner::windowLines(sourcePath);
    // A file read a second time (into UTF-8) counts again from nothing.
    const LineHandlerFactory makeHandler = [&]() -> LineHandler {
        counts = TransformReport();
        return [&, first = true, windowAt = 0](QString& line, TextWriter& out) mutable {
            // The reader keeps a Unicode file's byte order mark out of the text: a U+FEFF that starts
            // such a file's text is one more. Only a legacy file (GB18030) holds its mark as text.
            const InvisibleCount invisible =
                InvisibleCharacters(line, first && !isUnicodeEncoding(out.format().encoding));
            first = false;
            counts.invisibleRemoved += invisible.removed;
            counts.formatCharacters += invisible.formatKept;
            bool nearEdge = false;
            if (windowLines > 0 && BoilerplateLearner::inWindow(line)) {
                nearEdge = windowAt < BoilerplateLearner::EdgeLines ||
                           windowAt >= windowLines - BoilerplateLearner::EdgeLines;
                ++windowAt;
            }
            int fragments = 0;
            const QString read = line; // shared, not copied: the line as it stood, for the list
            if (!boilerplate.keepsLine(line, &fragments, nearEdge)) {
                ++counts.linesRemoved;
                if (counts.removedLines.size() < TransformReport::MaxListedLines)
                    counts.removedLines.append(read);
                changes.note(true);
                return;
            }
            counts.fragmentsRemoved += fragments;
            changes.note(invisible.removed > 0 || fragments > 0);
            out.writeLine(line);
        };
    };
    const bool done = transformLines(sourcePath, targetPath, makeHandler, report, options);
    if (report) {
        report->linesRemoved = counts.linesRemoved;
        report->fragmentsRemoved = counts.fragmentsRemoved;
        report->invisibleRemoved = counts.invisibleRemoved;
        report->formatCharacters = counts.formatCharacters;
        report->removedLines = counts.removedLines;
    }
    return done;
}
