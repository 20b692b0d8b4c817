// quillmar-tsfill: a build-time tool. Reads the translation source file that lupdate extracted from the
// windows (Simplified texts as sources), fills every message with its Traditional form for Taiwan
// (the program's own s2tw conversion), then corrects the terms a Taiwan user reads differently from
// the correction list, and writes the result for lrelease. Each corrected message carries a
// translator comment naming its corrections, and the file opens with a comment listing them all.
//
//     quillmar-tsfill EXTRACTED.ts CORRECTIONS.txt OUTPUT.ts
//
// With --page it converts a page of the manual (UTF-8 HTML) the same way, line by line, and marks
// it as Traditional Chinese (lang="zh-TW"):
//
//     quillmar-tsfill --page PAGE.html CORRECTIONS.txt OUTPUT.html

#include "TermCorrections.h"
#include "platform/ChineseConverter.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "quillmar-tsfill: %s\n", qPrintable(message));
    return 1;
}

// The Taiwan-standard form of a source text, line by line (the converter works on one line).
QString toTraditional(const QString& source) {
    QStringList lines = source.split(u'\n');
    for (QString& line : lines)
        line = ChineseConverter::instance().convert(line, ChineseConverter::ToTraditional);
    return lines.join(u'\n');
}

QString headerComment(const TermCorrections& corrections) {
    QString text = QStringLiteral(
        "\nGenerated at build time: every source text converted to Taiwan-standard Traditional Chinese (s2tw),\n"
        "then these terms corrected to what a Taiwan user reads (translations/zh_TW-corrections.txt):\n");
    for (const TermCorrections::Entry& entry : corrections.entries())
        text += QStringLiteral("  %1 -> %2   %3\n").arg(entry.term, entry.replacement, entry.reason);
    text += QStringLiteral("and these whole messages translated by hand:\n");
    for (const TermCorrections::Entry& entry : corrections.messages())
        text += QStringLiteral("  %1 -> %2   %3\n").arg(entry.term, entry.replacement, entry.reason);
    // "--" may not appear inside an XML comment.
    return text.replace(QStringLiteral("--"), QStringLiteral("- -"));
}

// Copies the extracted file token by token, replacing the content of every <translation>.
bool fill(QXmlStreamReader& reader, QXmlStreamWriter& writer, const TermCorrections& corrections) {
    QString source;
    bool headerWritten = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("source")) {
            writer.writeCurrentToken(reader);
            source = reader.readElementText();
            writer.writeCharacters(source);
            writer.writeEndElement();
            continue;
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("translatorcomment")) {
            reader.skipCurrentElement();
            continue;
        }
        if (reader.isStartElement() && reader.name() == QLatin1String("translation")) {
            reader.skipCurrentElement();
            QStringList applied;
            const TermCorrections::Entry* byHand = corrections.message(source);
            const QString translation =
                byHand ? byHand->replacement : corrections.apply(toTraditional(source), &applied);
            if (byHand)
                applied.append(QStringLiteral("整句人工翻譯（") + byHand->reason + u'）');
            if (!applied.isEmpty())
                writer.writeTextElement(QStringLiteral("translatorcomment"),
                                        QStringLiteral("更正：") + applied.join(QStringLiteral("，")));
            writer.writeTextElement(QStringLiteral("translation"), translation);
            continue;
        }
        writer.writeCurrentToken(reader);
        if (!headerWritten && reader.isDTD()) {
            writer.writeComment(headerComment(corrections));
            headerWritten = true;
        }
    }
    return !reader.hasError();
}

// The manual page in the Taiwan face: the same conversion and corrections as the windows' texts.
bool fillPage(const QString& inputPath, const QString& outputPath, const TermCorrections& corrections,
              QString* error) {
    QFile input(inputPath);
    if (!input.open(QIODevice::ReadOnly)) {
        *error = inputPath + QStringLiteral(": ") + input.errorString();
        return false;
    }
    QString page = corrections.apply(toTraditional(QString::fromUtf8(input.readAll())));
    page.replace(QStringLiteral("lang=\"zh-CN\""), QStringLiteral("lang=\"zh-TW\""));
    QSaveFile output(outputPath);
    if (!output.open(QIODevice::WriteOnly) || output.write(page.toUtf8()) < 0 || !output.commit()) {
        *error = outputPath + QStringLiteral(": ") + output.errorString();
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool page = args.size() == 5 && args[1] == QLatin1String("--page");
    if (page)
        args.removeAt(1);
    if (args.size() != 4)
        return fail(QStringLiteral("usage: quillmar-tsfill EXTRACTED.ts CORRECTIONS.txt OUTPUT.ts"));

    if (!ChineseConverter::instance().isAvailable(ChineseConverter::ToTraditional))
        return fail(ChineseConverter::instance().error().description);

    TermCorrections corrections;
    QString error;
    if (!corrections.load(args[2], &error))
        return fail(error);
    if (page)
        return fillPage(args[1], args[3], corrections, &error) ? 0 : fail(error);

    QFile input(args[1]);
    if (!input.open(QIODevice::ReadOnly))
        return fail(args[1] + QStringLiteral(": ") + input.errorString());
    QSaveFile output(args[3]);
    if (!output.open(QIODevice::WriteOnly))
        return fail(args[3] + QStringLiteral(": ") + output.errorString());

    QXmlStreamReader reader(&input);
    QXmlStreamWriter writer(&output);
    writer.setAutoFormatting(true);
    if (!fill(reader, writer, corrections))
        return fail(args[1] + QStringLiteral(": ") + reader.errorString());
    if (!output.commit())
        return fail(args[3] + QStringLiteral(": ") + output.errorString());
    return 0;
}
