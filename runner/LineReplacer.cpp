#include "LineReplacer.h"

#include <QChar>

namespace {

char32_t codePointAt(const QString& s, qsizetype i, qsizetype* length) {
    const char16_t c = s.at(i).unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
        *length = 2;
        return QChar::surrogateToUcs4(c, s.at(i + 1).unicode());
    }
    *length = 1;
    return c;
}

} // namespace

LineReplacer::LineReplacer(const QString& find, const QString& replacement, bool caseSensitive)
    : m_find(find), m_replacement(replacement), m_caseSensitive(caseSensitive) {
    if (!caseSensitive) {
        for (qsizetype i = 0; i < find.size();) {
            qsizetype length = 1;
            m_foldedFind.append(QChar::toCaseFolded(codePointAt(find, i, &length)));
            i += length;
        }
    }
}

qsizetype LineReplacer::foldedMatchAt(const QString& line, qsizetype at) const {
    qsizetype pos = at;
    for (char32_t wanted : m_foldedFind) {
        if (pos >= line.size())
            return -1;
        qsizetype length = 1;
        if (QChar::toCaseFolded(codePointAt(line, pos, &length)) != wanted)
            return -1;
        pos += length;
    }
    return pos - at;
}

QString LineReplacer::apply(const QString& line, qsizetype* matches) const {
    if (m_find.isEmpty() || line.isEmpty())
        return line;

    QString result;
    qsizetype copiedUpTo = 0;
    qsizetype pos = 0;
    if (m_caseSensitive) {
        while ((pos = line.indexOf(m_find, pos, Qt::CaseSensitive)) >= 0) {
            if (result.isNull())
                result.reserve(line.size() + m_replacement.size());
            result.append(QStringView(line).mid(copiedUpTo, pos - copiedUpTo));
            result.append(m_replacement);
            pos += m_find.size();
            copiedUpTo = pos;
            if (matches)
                ++*matches;
        }
    } else {
        const char32_t first = m_foldedFind.first();
        while (pos < line.size()) {
            qsizetype length = 1;
            const char32_t c = codePointAt(line, pos, &length);
            if (QChar::toCaseFolded(c) == first) {
                const qsizetype matched = foldedMatchAt(line, pos);
                if (matched > 0) {
                    result.append(QStringView(line).mid(copiedUpTo, pos - copiedUpTo));
                    result.append(m_replacement);
                    pos += matched;
                    copiedUpTo = pos;
                    if (matches)
                        ++*matches;
                    continue;
                }
            }
            pos += length;
        }
    }
    if (copiedUpTo == 0)
        return line;
    result.append(QStringView(line).mid(copiedUpTo));
    return result;
}
