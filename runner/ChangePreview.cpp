#include "ChangePreview.h"

#include "FileStep.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

bool readLines(const QString& path, QStringList& lines, qsizetype maxCharacters, bool* partial, QString* error,
               TextFormat* format = nullptr) {
    TextReader reader;
    if (!reader.open(path)) {
        *error = reader.error().description;
        return false;
    }
    if (format)
        *format = reader.format();
    qsizetype characters = 0;
    QString line;
    while (reader.readLine(line)) {
        if (characters > maxCharacters) {
            if (partial)
                *partial = true;
            break;
        }
        characters += line.size() + 1;
        lines.append(line);
    }
    if (reader.error().isSet()) {
        *error = reader.error().description;
        return false;
    }
    return true;
}

bool writePart(const QString& to, const TextFormat& format, const QStringList& lines, QString* error) {
    TextWriter writer;
    if (!writer.open(to, format)) {
        *error = writer.error().description;
        return false;
    }
    for (const QString& line : lines)
        writer.writeLine(line);
    if (!writer.commit()) {
        *error = writer.error().description;
        return false;
    }
    return true;
}

} // namespace

ChangePreview ChangePreview::of(const AppState& state, BatchCommand command, int direction, const QString& path,
                                qsizetype maxCharacters) {
    ChangePreview preview;
    TextFormat format;
    if (!readLines(path, preview.before, maxCharacters, &preview.partial, &preview.error, &format))
        return preview;

    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        preview.error = scratch.errorString();
        return preview;
    }
    // The command works on a copy of the lines read, in the scratch folder, never on the user's file: it
    // reads its source and writes its target, both in there. The copy keeps the file's name (an index
    // page keeps its links), its encoding and line end.
    QDir(scratch.path()).mkdir(QStringLiteral("part"));
    const QString source = scratch.path() + QStringLiteral("/part/") + QFileInfo(path).fileName();
    if (!writePart(source, format, preview.before, &preview.error))
        return preview;
    const QString target = scratch.path() + QStringLiteral("/after.txt");
    TransformReport report;
    if (!runTransformation(state, command, direction, source, target, report)) {
        preview.error =
            report.error.isSet() ? report.error.description : QCoreApplication::translate("ChangePreview", "未完成");
        return preview;
    }
    readLines(target, preview.after, maxCharacters * 4, nullptr, &preview.error);
    return preview;
}
