#pragma once

#include <QList>
#include <QString>

// Replaces every occurrence of a find text in one line, left to right; after a replacement the
// search resumes right behind the inserted text, so a replacement that contains the find text
// never loops. Without case sensitivity, both sides are compared by Unicode simple case folding.
class LineReplacer {
public:
    LineReplacer(const QString& find, const QString& replacement, bool caseSensitive);

    bool isUsable() const { return !m_find.isEmpty(); }
    // The replaced line; an empty find text leaves the line as it is. `matches`, when given, is
    // increased by the number of replacements made.
    QString apply(const QString& line, qsizetype* matches = nullptr) const;

private:
    // Length in the line of a folded match starting at `at`, or -1.
    qsizetype foldedMatchAt(const QString& line, qsizetype at) const;

    QString m_find;
    QString m_replacement;
    bool m_caseSensitive;
    QList<char32_t> m_foldedFind;
};
