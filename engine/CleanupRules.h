#pragma once

#include "platform/FileError.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// Text compared as a reader sees it, for every cleanup rule and for the lines learned from a batch.
namespace CleanupText {
// `text` with full-width ASCII forms and the ideographic space as their half-width forms and Latin
// letters in lower case: one code unit for one, so positions in the result are positions in `text`.
QString folded(QStringView text);
// Only the letters and digits of folded(`text`): spaces, punctuation and separators ("上一章 | 目录 |
// 下一章", "上一章｜目录｜下一章") do not count.
QString letters(QStringView text);
// letters(`text`) is not empty; found without building it.
bool hasLetters(QStringView text);
// Characters, a pair of surrogates counting one.
qsizetype length(QStringView text);
// The line holds 。！？；… or a quotation mark: it says something, so a weak rule leaves it.
bool hasSentencePunctuation(QStringView text);
// Where folded(`text`) holds a web address ("www.xxx.com", "ｗｗｗ．ｘｘｘ．ｃｏｍ", "m.xxx.com",
// "http://…", "xxx.net"): the first one's start, or -1; `length` receives its length.
qsizetype findDomain(QStringView text, qsizetype* length = nullptr);
// The line is or holds a chapter heading: a chapter number (第12章, 第三百回, Chapter 7) anywhere, or
// a heading the chapter finder takes (序章, 后记, 上卷). No cleanup ever removes it.
bool isChapterLine(QStringView line);
} // namespace CleanupText

// The cleanup rules of a rule file ("Cleanup-rules.txt" beside the settings). One rule a line, its
// kind given by the first character; blank lines and lines starting with "#" are comments:
//   = 上一章*下一章   whole line (strong): a line whose letters and digits are these goes, wherever it
//                    stands; "*" stands for any short run of them with no sentence mark (，。！？；)
//                    in or around it
//   - （本章未完，请翻页）   fragment: this text is taken out of any line that holds it
//   ~ 最新章节        weak: a short line (at most MaxWeakLength characters) holding this text goes,
//                    unless it has sentence punctuation
//   @ 本站            web address: a line holding a web address goes when it is short, has no sentence
//                    mark besides one ending the address, and holds one of these words close to the
//                    address, or nothing but the address and punctuation
// Full-width and half-width forms, and Latin capitals and small letters, match alike. Lines of any
// other form are ignored (unknownLines() counts them). A line with a chapter number is never removed.
class CleanupRules {
public:
    static constexpr qsizetype MaxWeakLength = 30;
    static constexpr qsizetype MaxAddressLineLength = 60;

    static CleanupRules parse(QStringView text);
    // Adds the rules of `other` after this one's.
    void add(const CleanupRules& other);
    bool isEmpty() const;
    int unknownLines() const { return m_unknown; }

    // True when a rule removes `line` (without its end) whole.
    bool removesLine(QStringView line) const;
    // Takes the fragments out of `line`; how many were taken out.
    int removeFragments(QString& line) const;
    // removesLine(`line`), and when it does not, removeFragments(`line`), the count added to
    // `fragments`: both from one look at the line. True when the line goes whole.
    bool removesLineOrFragments(QString& line, int* fragments) const;

    // The rule file's name in the app folder.
    static QString fileName() { return QStringLiteral("Cleanup-rules.txt"); }
    // The starting set the program writes there when there is none yet.
    static QString startingText();
    // Writes the starting set to `path` (UTF-8) unless a file is already there; false with `error` when
    // it cannot be written.
    static bool installStartingSet(const QString& path, FileError* error);
    // The rules of the rule file at `path`, read in any encoding the program reads.
    static bool read(const QString& path, CleanupRules& rules, FileError* error);

    // What each code unit is to these rules (the rule kinds it may start): built by parse() and add().
    struct UnitTable;

private:
    void index();
    // removesLine() and removeFragments() given the flags of every code unit of the line (UnitTable).
    bool removesTrimmed(QStringView trimmed, quint16 seen) const;
    int removeFragments(QString& line, quint16 seen) const;

    QStringList m_lines;      // letters() of each whole-line pattern, "*" kept
    QStringList m_fragments;  // folded()
    QStringList m_weak;       // folded()
    QStringList m_siteWords;  // folded()
    int m_unknown = 0;
    std::shared_ptr<const UnitTable> m_table; // shared by copies: the rules never change after add()
};
