#include "SpaceRemoval.h"

#include "core/ChineseNumber.h"

namespace {

bool isSpace(QChar c) {
    return c == u' ' || c == u'\u3000';
}

bool isSpaceOrLetter(QChar c) {
    return isSpace(c) || isLatinLetter(c);
}

// The words that end a numbered heading's label: 第2章, 第十一回, 第三卷 ...
bool isHeadingWord(QChar c) {
    static const QStringView words = u"章回节卷部集篇话";
    return words.contains(c);
}

} // namespace

qsizetype headingLabelEnd(QStringView line) {
    qsizetype i = 0;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    if (i >= line.size() || line[i] != u'第')
        return -1;
    ++i;
    const qsizetype numberStart = i;
    while (i < line.size() && (ChineseNumber::decimalDigit(line[i]) >= 0 || ChineseNumber::isNumeral(line[i])))
        ++i;
    if (i == numberStart || i >= line.size() || !isHeadingWord(line[i]))
        return -1;
    return i + 1;
}

bool isLatinLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'\uFF41' && u <= u'\uFF5A') ||
           (u >= u'\uFF21' && u <= u'\uFF3A');
}

bool IsLetter(QStringView text) {
    return !text.isEmpty() && isLatinLetter(text.front());
}

void removeIsolatedSpaces(QStringView line, QString& out) {
    out.resize(0);
    const qsizetype size = line.size();
    // A heading keeps the space between its number and its title: 第2章 夜宿古庙.
    const qsizetype labelEnd = headingLabelEnd(line);
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = line[i];
        // The neighbours are those of the input line, not of what has been kept so far.
        const bool keep = !isSpace(c) || i == 0 || i == labelEnd || isSpaceOrLetter(line[i - 1]) ||
                          (i + 1 < size && isSpaceOrLetter(line[i + 1]));
        if (keep)
            out += c;
    }
}
