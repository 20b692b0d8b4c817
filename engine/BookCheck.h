#pragma once

#include "ChapterFinder.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// Faults of a downloaded book, found over its chapters: numbers missing from a sequence (序章, 番外 and
// 后记 have none, so never leave a gap), numbers that appear twice, chapters out of order, two chapters
// whose texts are the same or nearly so, a title repeated as the chapter's first line, a chapter far
// shorter than the book's median (a download that stopped), and a chapter saved as two pages.
//
// Fed the book's lines again, in order, after its chapters were found: it keeps a few figures per
// chapter (its length, first line and a small sketch of its text), not the text itself.
class BookCheck {
public:
    enum class Fault { MissingChapter, DuplicateNumber, OutOfOrder, SameText, TitleRepeated, TooShort, SplitPage };

    struct Finding {
        Fault fault;
        QString where; // the chapter's heading, or its file
        QString details;

        bool operator==(const Finding&) const = default;
    };

    // One chapter: its heading, where a finding names it, and whether it is the second (or later) page
    // of the chapter before it ("（2/2）" in its title, "565590_2.html" beside "565590.html").
    struct Entry {
        Heading heading;
        QString where;
        bool laterPage = false;
    };

    // The entries of a book's headings (volumes included): named by their text, a later page when the
    // title ends in "（2/2）" and the like.
    static QList<Entry> entriesOf(const QList<Heading>& headings);

    // `entries` in line order; their lines are numbered as the lines fed to addLine().
    explicit BookCheck(QList<Entry> entries);
    ~BookCheck();

    void addLine(QStringView line);
    // The findings, in the order of the chapters they name.
    QList<Finding> finish();

    // The finding's name as rows show it: 缺章, 重复章节, ...
    static QString faultText(Fault fault);

private:
    struct Chapter;

    void checkNumbers(QList<std::pair<qsizetype, Finding>>& found) const;
    void checkTexts(QList<std::pair<qsizetype, Finding>>& found) const;

    QList<Entry> m_entries;
    std::vector<Chapter> m_chapters; // one per entry
    qsizetype m_next = 0;            // the next entry to start
    Chapter* m_current = nullptr;
    qint64 m_line = 0;
};
