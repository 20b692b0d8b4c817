#include "BookCheck.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

// Two chapters are alike when an estimated 90 % of the pieces of three characters of both are shared
// (Jaccard): chapters of one length that share 95 % of their pieces.
constexpr double AlikeShare = 0.9;
constexpr size_t SketchSize = 128;
// The smallest hashes of a sketch that pair chapters up for comparing; a hash shared by more chapters
// than this is common phrasing, not a copied chapter.
constexpr size_t PairingHashes = 8;
constexpr size_t CommonHashChapters = 64;
// A chapter shorter than a quarter of the median stopped downloading; the median needs a few chapters.
constexpr int ShortFactor = 4;
constexpr qsizetype ShortCheckMinimum = 5;

using BookText::isBlank;

using BookText::withoutBlanks;

quint64 mix(quint64 x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// The page number of a title ending in "（2/2）", "(1/3)"; 0 when it has none.
int pageOf(const QString& title) {
    static const QRegularExpression page(QStringLiteral(u"[（(]\\s*(\\d+)\\s*[/／]\\s*\\d+\\s*[）)]\\s*$"));
    const QRegularExpressionMatch match = page.match(title);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// "第5章" written as the chapter `example` writes its number.
// Which of `items` form the longest run of rising numbers (the rest are out of place). Between runs of
// equal length the one keeping earlier items wins, so of two swapped chapters the later is named.
template <typename NumberOf>
std::vector<bool> longestRising(const QList<qsizetype>& items, NumberOf numberOf) {
    // Read from the end as the longest falling run: tails[k] is the item ending (from the back) a run
    // of k + 1 with the largest number.
    const size_t count = size_t(items.size());
    std::vector<size_t> tails;
    std::vector<size_t> before(count, count);
    for (size_t i = count; i-- > 0;) {
        const quint64 number = numberOf(items[qsizetype(i)]);
        const auto place = std::partition_point(tails.begin(), tails.end(), [&](size_t tail) {
            return numberOf(items[qsizetype(tail)]) > number;
        });
        if (place != tails.begin())
            before[i] = *std::prev(place);
        if (place == tails.end())
            tails.push_back(i);
        else
            *place = i;
    }
    std::vector<bool> inRun(count, false);
    for (size_t i = tails.empty() ? count : tails.back(); i < count; i = before[i])
        inRun[i] = true;
    return inRun;
}

QString numberLabel(quint64 number, const Heading& example) {
    const QString digits = QString::number(number);
    if (example.label.startsWith(u'第') && example.label.size() >= 2)
        return u'第' + digits + example.label.back();
    if (example.label.startsWith(QLatin1String("Chapter"), Qt::CaseInsensitive))
        return QStringLiteral("Chapter ") + digits;
    return digits;
}

} // namespace

struct BookCheck::Chapter {
    bool isChapter = false;
    qint64 characters = 0;
    size_t firstLine = 0; // qHash of the first line that is not blank, without its blanks
    bool sawFirstLine = false;
    quint64 window = 0; // the last three characters
    int inWindow = 0;
    // The smallest hashes of its pieces, ascending, distinct; 32 bits each, as a book may have tens of
    // thousands of chapters.
    std::vector<quint32> sketch;

    void add(QStringView line) {
        for (QChar c : line) {
            if (isBlank(c))
                continue;
            ++characters;
            window = ((window << 16) | c.unicode()) & 0xFFFF'FFFF'FFFFULL;
            if (++inWindow >= 3)
                addPiece(quint32(mix(window) >> 32));
        }
    }

    void addPiece(quint32 hash) {
        if (sketch.size() >= SketchSize && hash >= sketch.back())
            return;
        if (sketch.capacity() == 0)
            sketch.reserve(SketchSize + 1);
        const auto place = std::lower_bound(sketch.begin(), sketch.end(), hash);
        if (place != sketch.end() && *place == hash)
            return;
        sketch.insert(place, hash);
        if (sketch.size() > SketchSize)
            sketch.pop_back();
    }
};

namespace {

// The estimated share of pieces two chapters have in common, from their sketches.
double alikeShare(const std::vector<quint32>& a, const std::vector<quint32>& b) {
    size_t i = 0;
    size_t j = 0;
    size_t taken = 0;
    size_t shared = 0;
    while (taken < SketchSize && (i < a.size() || j < b.size())) {
        if (j == b.size() || (i < a.size() && a[i] < b[j])) {
            ++i;
        } else if (i == a.size() || b[j] < a[i]) {
            ++j;
        } else {
            ++shared;
            ++i;
            ++j;
        }
        ++taken;
    }
    return taken == 0 ? 0.0 : double(shared) / double(taken);
}

} // namespace

QList<BookCheck::Entry> BookCheck::entriesOf(const QList<Heading>& headings) {
    QList<Entry> entries;
    for (const Heading& heading : headings)
        entries.append({heading, heading.text, pageOf(heading.title) >= 2});
    return entries;
}

BookCheck::BookCheck(QList<Entry> entries) : m_entries(std::move(entries)), m_chapters(size_t(m_entries.size())) {
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        m_chapters[size_t(i)].isChapter = m_entries[i].heading.level == Heading::Level::Chapter;
}

BookCheck::~BookCheck() = default;

void BookCheck::addLine(QStringView line) {
    ++m_line;
    bool heading = false;
    while (m_next < m_entries.size() && m_entries[m_next].heading.line <= m_line) {
        Chapter& chapter = m_chapters[size_t(m_next)];
        m_current = chapter.isChapter ? &chapter : nullptr;
        heading = true;
        ++m_next;
    }
    if (heading || m_current == nullptr)
        return;
    m_current->add(line);
    if (!m_current->sawFirstLine) {
        const QString text = withoutBlanks(line);
        if (!text.isEmpty()) {
            m_current->firstLine = qHash(text);
            m_current->sawFirstLine = true;
        }
    }
}

void BookCheck::checkNumbers(QList<std::pair<qsizetype, Finding>>& found) const {
    std::map<int, QList<qsizetype>> sequences;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Heading& heading = m_entries[i].heading;
        if (heading.level == Heading::Level::Chapter && heading.number && !m_entries[i].laterPage)
            sequences[heading.sequence].append(i);
    }
    for (const auto& [sequence, members] : sequences) {
        std::map<quint64, qsizetype> firstOf; // number → the entry that has it first
        QList<qsizetype> distinct;             // the entries with a number not seen before, in line order
        for (qsizetype at : members) {
            const Entry& entry = m_entries[at];
            const quint64 number = *entry.heading.number;
            if (const auto seen = firstOf.find(number); seen != firstOf.end()) {
                found.append({at,
                              {Fault::DuplicateNumber, entry.where,
                               QCoreApplication::translate("BookCheck",
                                                           "第 %1 行的「%2」已是这一章：删去多余的一章，或改正它的编号")
                                   .arg(m_entries[seen->second].heading.line)
                                   .arg(m_entries[seen->second].where)}});
                continue;
            }
            firstOf.emplace(number, at);
            distinct.append(at);
        }
        const std::vector<bool> inOrder = longestRising(distinct, [&](qsizetype at) {
            return *m_entries[at].heading.number;
        });
        // A chapter out of place is named with the chapter in order that it belongs after.
        std::map<quint64, qsizetype> ordered;
        for (qsizetype i = 0; i < distinct.size(); ++i)
            if (inOrder[size_t(i)])
                ordered.emplace(*m_entries[distinct[i]].heading.number, distinct[i]);
        for (qsizetype i = 0; i < distinct.size(); ++i) {
            if (inOrder[size_t(i)])
                continue;
            const qsizetype at = distinct[i];
            const auto after = ordered.lower_bound(*m_entries[at].heading.number);
            const QString details = after == ordered.begin()
                                        ? QCoreApplication::translate("BookCheck", "位置不对：把它移到本卷各章之前")
                                        : QCoreApplication::translate("BookCheck", "位置不对：把它移到「%1」之后")
                                              .arg(m_entries[std::prev(after)->second].where);
            found.append({at, {Fault::OutOfOrder, m_entries[at].where, details}});
        }
        // A number out of place (第三十章 among the first chapters) is a wrong number, not the end of a gap.
        std::optional<quint64> before;
        for (const auto& [number, at] : firstOf) {
            if (before && number > *before + 1 && ordered.count(number) > 0) {
                const Heading& heading = m_entries[at].heading;
                const QString first = numberLabel(*before + 1, heading);
                const QString missing = number == *before + 2 ? first : first + u'—' + numberLabel(number - 1, heading);
                found.append({at,
                              {Fault::MissingChapter, m_entries[at].where,
                               QCoreApplication::translate("BookCheck", "之前缺少%1：补上缺的章节").arg(missing)}});
            }
            before = number;
        }
    }
}

void BookCheck::checkTexts(QList<std::pair<qsizetype, Finding>>& found) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Chapter& chapter = m_chapters[size_t(i)];
        const Entry& entry = m_entries[i];
        if (!chapter.isChapter)
            continue;
        if (entry.laterPage) {
            found.append({i,
                          {Fault::SplitPage, entry.where,
                           QCoreApplication::translate("BookCheck", "同一章的又一页：与上一页合并为一章")}});
        }
        const QString heading = withoutBlanks(entry.heading.text);
        const QString title = withoutBlanks(entry.heading.title);
        if (chapter.sawFirstLine &&
            (chapter.firstLine == qHash(heading) || (!title.isEmpty() && chapter.firstLine == qHash(title))))
            found.append({i,
                          {Fault::TitleRepeated, entry.where,
                           QCoreApplication::translate("BookCheck", "正文第一行重复了标题：删去这一行")}});
    }

    // Chapters far shorter than the median; pages of one chapter are short by nature.
    QList<qsizetype> whole;
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const bool paged = m_entries[i].laterPage || (i + 1 < m_entries.size() && m_entries[i + 1].laterPage);
        if (m_chapters[size_t(i)].isChapter && m_entries[i].heading.number && !paged)
            whole.append(i);
    }
    if (whole.size() >= ShortCheckMinimum) {
        std::vector<qint64> lengths;
        for (qsizetype at : whole)
            lengths.push_back(m_chapters[size_t(at)].characters);
        std::nth_element(lengths.begin(), lengths.begin() + qsizetype(lengths.size() / 2), lengths.end());
        const qint64 median = lengths[lengths.size() / 2];
        for (qsizetype at : whole) {
            const qint64 characters = m_chapters[size_t(at)].characters;
            if (characters * ShortFactor < median)
                found.append({at,
                              {Fault::TooShort, m_entries[at].where,
                               QCoreApplication::translate(
                                   "BookCheck", "只有 %1 字，全书每章中位数 %2 字：可能没有下载完，重新下载这一章")
                                   .arg(characters)
                                   .arg(median)}});
        }
    }

    // Chapters alike: paired by the smallest hashes they share, then compared sketch to sketch.
    std::vector<std::pair<quint32, qsizetype>> byHash; // sorted by hash, then chapter
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Chapter& chapter = m_chapters[size_t(i)];
        if (!chapter.isChapter)
            continue;
        for (size_t k = 0; k < std::min(PairingHashes, chapter.sketch.size()); ++k)
            byHash.emplace_back(chapter.sketch[k], i);
    }
    std::sort(byHash.begin(), byHash.end());
    std::set<std::pair<qsizetype, qsizetype>> pairs;
    for (auto run = byHash.begin(); run != byHash.end();) {
        const auto end = std::find_if(run, byHash.end(), [&](const auto& item) { return item.first != run->first; });
        if (size_t(end - run) <= CommonHashChapters) {
            for (auto a = run; a != end; ++a) {
                for (auto b = a + 1; b != end; ++b)
                    pairs.insert({a->second, b->second});
            }
        }
        run = end;
    }
    std::set<qsizetype> reported;
    for (const auto& [first, second] : pairs) {
        if (reported.count(second) != 0)
            continue;
        const double share = alikeShare(m_chapters[size_t(first)].sketch, m_chapters[size_t(second)].sketch);
        if (share < AlikeShare)
            continue;
        reported.insert(second);
        const QString how =
            share >= 1.0 ? QCoreApplication::translate("BookCheck", "相同")
                         : QCoreApplication::translate("BookCheck", "几乎相同（约 %1%）").arg(qRound(share * 100));
        found.append({second,
                      {Fault::SameText, m_entries[second].where,
                       QCoreApplication::translate("BookCheck", "与「%1」的内容%2：删去重复的一章，或重新下载")
                           .arg(m_entries[first].where, how)}});
    }
}

QList<BookCheck::Finding> BookCheck::finish() {
    QList<std::pair<qsizetype, Finding>> found;
    checkNumbers(found);
    checkTexts(found);
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<Finding> findings;
    for (const auto& item : found)
        findings.append(item.second);
    return findings;
}

QString BookCheck::faultText(Fault fault) {
    switch (fault) {
    case Fault::MissingChapter:
        return QCoreApplication::translate("BookCheck", "缺章");
    case Fault::DuplicateNumber:
        return QCoreApplication::translate("BookCheck", "重复章节");
    case Fault::OutOfOrder:
        return QCoreApplication::translate("BookCheck", "顺序错乱");
    case Fault::SameText:
        return QCoreApplication::translate("BookCheck", "内容重复");
    case Fault::TitleRepeated:
        return QCoreApplication::translate("BookCheck", "标题重复");
    case Fault::TooShort:
        return QCoreApplication::translate("BookCheck", "章节过短");
    case Fault::SplitPage:
        return QCoreApplication::translate("BookCheck", "分页");
    }
    return QString();
}
