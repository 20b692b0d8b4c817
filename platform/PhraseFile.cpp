#include "PhraseFile.h"

#include "FileOps.h"
#include "TextReader.h"

namespace {

bool isSeparator(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == QChar(0x3000) || c == QChar(0xFEFF);
}

// The next word of line from *pos on, or an empty view at the end.
QStringView nextWord(QStringView line, qsizetype* pos) {
    qsizetype i = *pos;
    while (i < line.size() && isSeparator(line[i]))
        ++i;
    const qsizetype start = i;
    while (i < line.size() && !isSeparator(line[i]))
        ++i;
    *pos = i;
    return line.sliced(start, i - start);
}

std::u16string_view units(QStringView text) {
    return std::u16string_view(text.utf16(), std::size_t(text.size()));
}

} // namespace

bool PhraseFile::read(const QString& path, PhraseTrie& phrases, FileError* error) {
    if (!FileOps::exists(path))
        return true;
    TextReader reader;
    if (!reader.open(path)) {
        *error = reader.error();
        return false;
    }
    QString line;
    while (reader.readLine(line)) {
        const Line pair = parseLine(line);
        if (!pair.converted.isEmpty())
            phrases.insert(units(pair.original), units(pair.converted));
    }
    if (reader.error().isSet()) {
        *error = reader.error();
        return false;
    }
    return true;
}

PhraseFile::Line PhraseFile::parseLine(QStringView line) {
    qsizetype pos = 0;
    const QStringView original = nextWord(line, &pos);
    if (original.isEmpty() || original.startsWith(u'#'))
        return {};
    return {original, nextWord(line, &pos)};
}

QList<int> PhraseFile::linesWithoutConversion(QStringView text) {
    QList<int> numbers;
    int number = 0;
    for (QStringView line : text.tokenize(u'\n')) {
        ++number;
        const Line pair = parseLine(line);
        if (!pair.original.isEmpty() && pair.converted.isEmpty())
            numbers.append(number);
    }
    return numbers;
}
