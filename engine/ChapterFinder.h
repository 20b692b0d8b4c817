#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The headings of a book, found in its text in two levels: volumes (第二卷, 上卷) and chapters (第一回,
// 序章, Chapter 3, and where the whole book is numbered that way a line holding only a number or
// "12、title"). A line holding both ("上卷 第一回　灵根育孕源流出") gives a volume and a chapter.
//
// A heading is a line of its own, at most 40 characters after trimming, not ending in 。，；：, and not a
// sentence that merely starts like one (第六回合, 第三节课, 第二部分); a heading written again as the
// chapter's first line is not one more heading. Numbers are read as ChineseNumber reads them. Over the
// whole text the chapter numbers are checked for sequence (per volume where each volume starts again):
// a heading whose number breaks the sequence is kept and marked doubtful (the later of two equal ones).
// Where one chapter word numbers parts of another's chapters (第一节 again under each 第N章), those
// lines are sections of the chapters, not headings.
// Blanks around and inside headings: spaces, tabs, the full-width space and a stray byte order mark.
namespace BookText {
bool isBlank(QChar c);
// `text` without its blanks, for comparing headings and lines as a reader sees them.
QString withoutBlanks(QStringView text);
} // namespace BookText

struct Heading {
    enum class Level { Volume = 1, Chapter = 2 };

    qint64 line = 0;   // 1-based, in the lines as fed
    qint64 offset = 0; // the line's first character in the text, in UTF-16 code units
    Level level = Level::Chapter;
    std::optional<quint64> number; // none for 序章, 后记, 上卷 and the like
    QString label;                 // "第一回", "序章", "Chapter 3", "上卷", "12"
    QString title;                 // the words after the label, trimmed; may be empty
    QString text;                  // this level's part of the line: the label and title as written
    bool doubtful = false;
    // Numbered headings of one level and one sequence are numbered in one run: a volume's chapters
    // where each volume starts again, each chapter word (章, 集) on its own.
    int sequence = 0;

    bool operator==(const Heading&) const = default;
};

// Fed the text line by line (lines without their ends, as TextReader gives them), keeping only the
// lines that may be headings, so that memory stays small whatever the text's size; finish() decides
// over the whole text which candidates are headings.
class ChapterFinder {
public:
    // `lineEndLength`: the characters each line end takes in the text (2 for CR LF), for the offsets.
    explicit ChapterFinder(int lineEndLength = 1);

    void addLine(QStringView line);
    // False when a line whose first character after its blanks is `c` can be no heading.
    static bool mayStartHeading(QChar c);
    // Counts a line that holds text but whose first character after its blanks fails mayStartHeading,
    // without looking at it: a caller reading a large file need not decode such lines. The headings
    // after it then have no offsets in the text (their line numbers are right).
    void addPlainLine();
    // The headings in line order (a line's volume before its chapter). The finder starts again empty.
    QList<Heading> finish();

    // The headings of a text held in memory (lines split at LF, a CR before it dropped).
    static QList<Heading> find(QStringView text);

    // Sets each numbered heading's sequence as finish() does, over `headings` in line order: the
    // chapters are numbered per volume when at most volume headings their numbers start again, and each
    // chapter word (章, 集, a bare number) counts on its own. For headings gathered from several files.
    static void numberSequences(QList<Heading>& headings);

private:
    enum class Style { Strong, Matter, BareNumber, NumberComma, NumberDot };
    struct Candidate {
        Heading heading;
        Style style;
    };

    void acceptWeakStyle();
    void dropSections();
    static void markDoubtful(QList<Heading>& headings);

    int m_lineEndLength;
    qint64 m_line = 0;
    qint64 m_offset = 0;
    qint64 m_lastTextLine = 0; // the last line that was not blank
    QList<Candidate> m_candidates;
};
