#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The hand corrections applied to the generated Traditional texts: terms that the character
// conversion leaves in mainland wording, each with what a Taiwan user reads instead.
//
// The file is UTF-8, one correction a line: the generated term, a TAB, the corrected term, a TAB and
// "# " with the reason. Empty lines and lines starting with "#" are comments. A line whose first field
// starts with "=" translates one whole message instead: "=" and the Simplified source text, the
// translation, the reason (for a message where a term's usual correction reads wrong).
class TermCorrections {
public:
    struct Entry {
        QString term;
        QString replacement;
        QString reason;
    };

    bool load(const QString& path, QString* error);
    void add(const Entry& entry);
    const QList<Entry>& entries() const { return m_entries; }
    // The whole-message translations; `term` holds the Simplified source.
    const QList<Entry>& messages() const { return m_messages; }
    // The translation of a whole message, or null.
    const Entry* message(const QString& source) const;

    // The text with every term replaced, scanning left to right and trying the longest term first at
    // each place (文件夾 before 文件); `applied` receives "term→replacement" once per correction used.
    QString apply(const QString& text, QStringList* applied = nullptr) const;

private:
    QList<Entry> m_entries;    // in file order
    QList<int> m_longestFirst; // indexes into m_entries
    QList<Entry> m_messages;
    QHash<QString, qsizetype> m_messageIndex;
};
