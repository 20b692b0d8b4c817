#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// The lines a batch's files share: what a web site put on every page (its name, a notice, a footer),
// found without any rule. Fed the files one after the other, line by line (each line without its end),
// it keeps only short lines near a file's start or end, so memory stays small whatever the batch's size.
//
// A line is boilerplate when the batch has at least MinFiles files, the line (compared by
// CleanupText::letters: spaces, punctuation and full-width forms do not count) stands among the first
// or last EdgeLines non-blank lines of at least 60 % of them, and more files have it near an edge than
// only in the middle. Blank lines, lines longer than MaxLineLength and chapter headings
// (CleanupText::isChapterLine) never are; nor is a line that says something (sentence punctuation,
// a comma or a quotation mark: "诗曰：", "好。", "且听下回分解。") or one of fewer than MinLetters
// letters and digits, which books repeat by themselves.
class BoilerplateLearner {
public:
    static constexpr int MinFiles = 5;
    static constexpr int EdgeLines = 8;
    static constexpr qsizetype MaxLineLength = 80;
    // The most different lines remembered; later new lines are not counted.
    static constexpr qsizetype MaxKeys = 1 << 20;
    static constexpr qsizetype MinLetters = 4;

    BoilerplateLearner() { beginFile(); }

    void beginFile();
    void addLine(QStringView line);
    void endFile();

    // The letters of each boilerplate line found so far.
    QSet<QString> finish() const;

    // The boilerplate of the files at `paths`, read through the platform text reader one line at a
    // time. A file that cannot be read counts as a file without lines. `keepGoing` (when given) is
    // asked between files; false stops the learning with what was found so far.
    static QSet<QString> learnFrom(const QStringList& paths, const std::function<bool()>& keepGoing = {});

    // `line` counts toward the EdgeLines of a file's start or end: it is not blank nor too long.
    static bool inWindow(QStringView line);
    // How many lines of the file at `path` count toward its edges (0 when it cannot be read).
    static int windowLines(const QString& path);

private:
    struct Count {
        int edgeFiles = 0;
        int middleFiles = 0;
        QString sample; // the line as first met, for the heading check
    };
    void noteEdge(const QString& key, QStringView line);

    QHash<QString, Count> m_counts;
    int m_files = 0;
    int m_nonBlank = 0;
    QSet<QString> m_edge;   // this file's lines near its start or end
    QSet<QString> m_middle; // this file's other lines already counted somewhere
    std::vector<std::pair<QString, QString>> m_tail; // the last EdgeLines lines: key and line
    size_t m_tailNext = 0;
};

