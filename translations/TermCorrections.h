#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The hand corrections applied to the generated Traditional texts: terms that the character
// conversion leaves in mainland wording, each with what a Taiwan user reads instead.
//
// The file is UTF-8, one correction a line: the generated term, a TAB, the corrected term, a TAB and
// "# " with the reason. Empty lines and lines starting with "#" are comments.
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

    // The text with every term replaced, scanning left to right and trying the longest term first at
    // each place (文件夾 before 文件); `applied` receives "term→replacement" once per correction used.
    QString apply(const QString& text, QStringList* applied = nullptr) const;

private:
    QList<Entry> m_entries;   // in file order
    QList<int> m_longestFirst; // indexes into m_entries
};
