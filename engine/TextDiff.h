#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The differences between two texts given as lines (without their ends), found with Myers'
// algorithm: the shortest sequence of whole lines kept, deleted and inserted.
class TextDiff {
public:
    enum class Op { Keep, Delete, Insert };
    struct Edit {
        Op op;
        qsizetype oldLine; // index in the old lines (Keep, Delete)
        qsizetype newLine; // index in the new lines (Keep, Insert)
    };

    TextDiff(const QStringList& oldLines, const QStringList& newLines);

    const QList<Edit>& edits() const { return m_edits; }
    bool isEmpty() const { return m_changedLines == 0; }
    // Lines that differ (a changed line counts once, however it changed) and the characters that
    // differ in them (of a changed line pair, what remains after their common beginning and end).
    qsizetype changedLines() const { return m_changedLines; }
    qsizetype changedCharacters() const { return m_changedCharacters; }

    // A unified diff with `context` lines around each change, under the labels "a/NAME", "b/NAME"
    // (the caller passes the whole label). "" when the texts are the same.
    QString unified(const QString& oldLabel, const QString& newLabel, int context = 3) const;

    // Of two lines, the lengths of their common beginning and common end (not overlapping).
    static void commonEnds(const QString& a, const QString& b, qsizetype& prefix, qsizetype& suffix);

private:
    QStringList m_old;
    QStringList m_new;
    QList<Edit> m_edits;
    qsizetype m_changedLines = 0;
    qsizetype m_changedCharacters = 0;
};
