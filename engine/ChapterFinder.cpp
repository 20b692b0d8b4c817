#include "ChapterFinder.h"

#include "core/ChineseNumber.h"

#include <algorithm>
#include <map>
#include <vector>

bool BookText::isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\uFEFF';
}

QString BookText::withoutBlanks(QStringView text) {
    QString result;
    for (QChar c : text) {
        if (!isBlank(c))
            result += c;
    }
    return result;
}

namespace {

using BookText::isBlank;
using BookText::withoutBlanks;

constexpr qsizetype MaxHeadingCharacters = 40;

QStringView trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

qsizetype skipBlanks(QStringView text, qsizetype at) {
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

qsizetype characterCount(QStringView text) {
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

// The sets are a few characters: a plain loop, not a library search per character.
bool isOneOf(QChar c, QStringView set) {
    return std::find(set.begin(), set.end(), c) != set.end();
}

// Characters that may stand between a label and its title ("第一章：风起", "序章·初遇").
constexpr QStringView TitleSeparators = u"：:、·.．-—";

QString titleAfter(QStringView text, qsizetype at) {
    at = skipBlanks(text, at);
    while (at < text.size() && (isOneOf(text[at], TitleSeparators) || isBlank(text[at])))
        ++at;
    return trimmed(text.sliced(at)).toString();
}

// A marker followed at once by one of these is a word of a sentence, not a heading: 第六回合, 第三节课,
// 第二节车厢, 第二部分, 第一部手机, 第三部电影, 第一集团, 第二篇文章, 第三卷烟, 第五章节.
bool startsWord(QChar marker, QChar next) {
    switch (marker.unicode()) {
    case u'回':
        return isOneOf(next, u"合来去到头答忆应复家");
    case u'节':
    case u'節':
        return isOneOf(next, u"课課目日点车車");
    case u'集':
        return isOneOf(next, u"团團中合市体體");
    case u'篇':
        return isOneOf(next, u"幅文");
    case u'部':
        return isOneOf(next, u"分门門队隊长長署位件落手电電影片作");
    case u'卷':
        return isOneOf(next, u"子入起烟菸");
    case u'章':
        return isOneOf(next, u"程法节節回");
    default:
        return false;
    }
}

// A title glued to its label that starts with one of these is the rest of a sentence ("第一章的内容",
// "第十章，就在这里").
bool startsSentence(QChar c) {
    return isOneOf(c, u"的了是在和与與就都也还還又被把里裡时時说說讲講，,；;。！!？?");
}

struct Part {
    Heading::Level level;
    std::optional<quint64> number;
    qsizetype begin; // of the label
    qsizetype labelEnd;
    qsizetype end; // of this level's text
};

// "第" number marker at `at`: the end of the marker, or -1.
qsizetype numberedLabel(QStringView text, qsizetype at, QStringView markers, quint64* number) {
    if (at >= text.size() || text[at] != u'第')
        return -1;
    const qsizetype start = skipBlanks(text, at + 1);
    const ChineseNumber::Reading reading = ChineseNumber::readAt(text, start);
    if (!reading.isNumber())
        return -1;
    const qsizetype markerAt = skipBlanks(text, start + reading.length);
    if (markerAt >= text.size() || !markers.contains(text[markerAt]))
        return -1;
    const qsizetype after = markerAt + 1;
    if (after < text.size() && (startsWord(text[markerAt], text[after]) || startsSentence(text[after])))
        return -1;
    *number = reading.value();
    return after;
}

std::optional<Part> volumeAt(QStringView text, qsizetype at) {
    quint64 number = 0;
    if (const qsizetype end = numberedLabel(text, at, u"卷部", &number); end >= 0)
        return Part{Heading::Level::Volume, number, at, end, text.size()};
    if (text.sliced(at).size() >= 2 && isOneOf(text[at], u"上中下") && text[at + 1] == u'卷') {
        const qsizetype end = at + 2;
        if (end < text.size() && !isBlank(text[end]) && !isOneOf(text[end], TitleSeparators) && text[end] != u'第')
            return std::nullopt;
        return Part{Heading::Level::Volume, std::nullopt, at, end, text.size()};
    }
    if (text[at] == u'卷') {
        const ChineseNumber::Reading reading = ChineseNumber::readAt(text, at + 1);
        const qsizetype end = at + 1 + reading.length;
        if (reading.isNumber() && (end == text.size() || isBlank(text[end]) || isOneOf(text[end], TitleSeparators)))
            return Part{Heading::Level::Volume, reading.value(), at, end, text.size()};
    }
    return std::nullopt;
}

std::optional<Part> chapterAt(QStringView text, qsizetype at) {
    quint64 number = 0;
    if (const qsizetype end = numberedLabel(text, at, u"章回节節集篇", &number); end >= 0)
        return Part{Heading::Level::Chapter, number, at, end, text.size()};
    const QStringView rest = text.sliced(at);
    // The first letter first: a case-blind comparison on every line would cost more than the rest.
    if (!rest.isEmpty() && (rest.front() == u'c' || rest.front() == u'C') &&
        rest.startsWith(u"chapter", Qt::CaseInsensitive)) {
        const qsizetype start = skipBlanks(text, at + 7);
        const ChineseNumber::Reading reading = ChineseNumber::readAt(text, start);
        const qsizetype end = start + reading.length;
        if (start > at + 7 && reading.isNumber() && ChineseNumber::decimalDigit(text[start]) >= 0 &&
            (end == text.size() || !text[end].isLetterOrNumber()))
            return Part{Heading::Level::Chapter, reading.value(), at, end, text.size()};
    }
    return std::nullopt;
}

// 序章, 楔子, 后记 and the like: a heading without a number, alone or before a title.
std::optional<Part> matterAt(QStringView text, qsizetype at) {
    static const QStringView words[] = {u"完本感言", u"序章", u"序言", u"楔子", u"引子", u"前言",
                                        u"尾声",     u"尾聲", u"后记", u"後記", u"番外", u"序"};
    const QStringView rest = text.sliced(at);
    // Most lines start with none of the words' first characters: one look instead of twelve.
    if (rest.isEmpty() || !isOneOf(rest.front(), u"完序楔引前尾后後番"))
        return std::nullopt;
    for (QStringView word : words) {
        if (!rest.startsWith(word))
            continue;
        const qsizetype end = at + word.size();
        if (end == text.size() || isBlank(text[end]) || isOneOf(text[end], TitleSeparators) ||
            isOneOf(text[end], u"（(【「")) {
            return Part{Heading::Level::Chapter, std::nullopt, at, end, text.size()};
        }
        // "番外一", "番外篇": the label holds the number or 篇, which counts in no sequence.
        if (word != u"番外")
            return std::nullopt;
        const ChineseNumber::Reading reading = ChineseNumber::readAt(text, end);
        if (!reading.isNumber() && text[end] != u'篇')
            return std::nullopt;
        const qsizetype labelEnd = end + (reading.isNumber() ? reading.length : 1);
        return Part{Heading::Level::Chapter, std::nullopt, at, labelEnd, text.size()};
    }
    return std::nullopt;
}

} // namespace

ChapterFinder::ChapterFinder(int lineEndLength) : m_lineEndLength(lineEndLength) {}

// The first characters of every kind of heading below: 第, 上卷, 卷一, Chapter, the front and back
// matter's words, a number, and 正文 before any of them.
// Asked of every line of a book: looked up in a table made once.
bool ChapterFinder::mayStartHeading(QChar c) {
    static const std::vector<bool> starts = [] {
        std::vector<bool> table(0x10000);
        for (char32_t u = 0; u < table.size(); ++u) {
            const QChar first{char16_t(u)};
            table[u] = ChineseNumber::decimalDigit(first) >= 0 || ChineseNumber::isNumeral(first);
        }
        // The words a heading starts with, marked where they stand rather than looked for 65,536 times.
        for (const QChar first : QStringView(u"第上中下卷cC完序楔引前尾后後番正"))
            table[first.unicode()] = true;
        return table;
    }();
    return starts[c.unicode()];
}

void ChapterFinder::addPlainLine() {
    ++m_line;
    m_lastTextLine = m_line;
}

void ChapterFinder::addLine(QStringView line) {
    ++m_line;
    const qint64 offset = m_offset;
    m_offset += line.size() + m_lineEndLength;
    const QStringView text = trimmed(line);
    if (text.isEmpty())
        return;
    const qint64 previousLine = m_lastTextLine;
    m_lastTextLine = m_line;
    if (characterCount(text) > MaxHeadingCharacters || isOneOf(text.back(), u"。，；：,;:") ||
        !mayStartHeading(text.front()))
        return;
    // A heading written again as the chapter's first line is the chapter's text, not one more chapter.
    if (!m_candidates.isEmpty() && m_candidates.back().heading.line == previousLine &&
        withoutBlanks(text) == withoutBlanks(m_candidates.back().heading.text))
        return;

    auto add = [&](const Part& part, Style style) {
        Candidate candidate{Heading(), style};
        Heading& heading = candidate.heading;
        heading.line = m_line;
        heading.offset = offset;
        heading.level = part.level;
        heading.number = part.number;
        heading.label = text.sliced(part.begin, part.labelEnd - part.begin).toString();
        heading.title = titleAfter(text.first(part.end), part.labelEnd);
        heading.text = trimmed(text.sliced(part.begin, part.end - part.begin)).toString();
        m_candidates.append(candidate);
    };

    qsizetype at = 0;
    if (text.startsWith(u"正文"))
        at = skipBlanks(text, 2);
    if (at >= text.size())
        return;
    if (std::optional<Part> volume = volumeAt(text, at)) {
        const qsizetype next = skipBlanks(text, volume->labelEnd);
        if (next < text.size()) {
            if (std::optional<Part> chapter = chapterAt(text, next)) {
                volume->end = next;
                add(*volume, Style::Strong);
                add(*chapter, Style::Strong);
                return;
            }
        }
        add(*volume, Style::Strong);
        return;
    }
    if (const std::optional<Part> chapter = chapterAt(text, at)) {
        add(*chapter, Style::Strong);
        return;
    }
    if (const std::optional<Part> matter = matterAt(text, at)) {
        add(*matter, Style::Matter);
        return;
    }
    // A number alone, "12、title" or "12. title": headings only where the whole book is numbered so.
    const ChineseNumber::Reading reading = ChineseNumber::readAt(text, at);
    if (!reading.isNumber())
        return;
    const qsizetype end = at + reading.length;
    const bool digits = ChineseNumber::decimalDigit(text[at]) >= 0;
    if (end == text.size()) {
        add(Part{Heading::Level::Chapter, reading.value(), at, end, end}, Style::BareNumber);
    } else if (text[end] == u'、' && end + 1 < text.size()) {
        add(Part{Heading::Level::Chapter, reading.value(), at, end, text.size()}, Style::NumberComma);
    } else if (digits && isOneOf(text[end], u".．") && end + 1 < text.size() &&
               ChineseNumber::decimalDigit(text[end + 1]) < 0) {
        add(Part{Heading::Level::Chapter, reading.value(), at, end, text.size()}, Style::NumberDot);
    }
}

namespace {

// The positions (in `numbers`) of a longest strictly increasing run, by patience sorting.
QList<qsizetype> longestIncreasing(const QList<quint64>& numbers) {
    QList<qsizetype> tails; // position of the smallest tail of each run length
    QList<qsizetype> previous(numbers.size(), -1);
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), numbers[i],
                                            [&](qsizetype at, quint64 value) { return numbers[at] < value; });
        // Of equal numbers the first stays in the run: the later one is the repeat.
        if (place != tails.end() && numbers[*place] == numbers[i])
            continue;
        if (place != tails.begin())
            previous[i] = *(place - 1);
        if (place == tails.end())
            tails.append(i);
        else
            *place = i;
    }
    QList<qsizetype> run;
    for (qsizetype at = tails.isEmpty() ? -1 : tails.back(); at >= 0; at = previous[at])
        run.prepend(at);
    return run;
}

} // namespace

// A weak style (a number alone, "12、", "12.") explains the book only when no chapter line of the
// usual kind does and its numbers run in sequence through most of the book; then the lines of that
// style in its longest increasing run are headings, and every other weak candidate is a body line.
void ChapterFinder::acceptWeakStyle() {
    const auto strongChapters = std::count_if(m_candidates.begin(), m_candidates.end(), [](const Candidate& c) {
        return c.style == Style::Strong && c.heading.level == Heading::Level::Chapter;
    });
    std::optional<Style> best;
    QList<qsizetype> bestRun;
    if (strongChapters < 2) {
        for (Style style : {Style::BareNumber, Style::NumberComma, Style::NumberDot}) {
            QList<qsizetype> positions;
            QList<quint64> numbers;
            for (qsizetype i = 0; i < m_candidates.size(); ++i) {
                if (m_candidates[i].style == style) {
                    positions.append(i);
                    numbers.append(*m_candidates[i].heading.number);
                }
            }
            QList<qsizetype> run = longestIncreasing(numbers);
            if (run.size() >= 3 && run.size() * 2 >= numbers.size() && run.size() > bestRun.size()) {
                for (qsizetype& at : run)
                    at = positions[at];
                best = style;
                bestRun = run;
            }
        }
    }
    QList<Candidate> kept;
    qsizetype next = 0;
    for (qsizetype i = 0; i < m_candidates.size(); ++i) {
        const Style style = m_candidates[i].style;
        const bool weak = style == Style::BareNumber || style == Style::NumberComma || style == Style::NumberDot;
        const bool inRun = next < bestRun.size() && bestRun[next] == i;
        if (inRun)
            ++next;
        if (!weak || inRun)
            kept.append(m_candidates[i]);
    }
    m_candidates = kept;
}

namespace {

// The word of a numbered chapter heading: 章 回 节 集 篇, or C for "Chapter N".
QChar chapterWord(const Heading& heading) {
    return heading.label.startsWith(u'第') ? heading.label.back() : QChar(u'C');
}

} // namespace

// A chapter word whose numbers start again each time a heading of another word came between (第一章,
// 第一节, 第二节, 第二章, 第一节) marks sections inside the other word's chapters: its lines are dropped.
void ChapterFinder::dropSections() {
    QList<QChar> words;
    for (const Candidate& candidate : m_candidates) {
        const Heading& heading = candidate.heading;
        if (candidate.style == Style::Strong && heading.level == Heading::Level::Chapter &&
            !words.contains(chapterWord(heading)))
            words.append(chapterWord(heading));
    }
    if (words.size() < 2)
        return;
    QList<QChar> sections;
    for (QChar word : words) {
        std::optional<quint64> previous;
        bool otherBetween = false;
        int restarts = 0;
        int continued = 0;
        for (const Candidate& candidate : m_candidates) {
            const Heading& heading = candidate.heading;
            if (candidate.style != Style::Strong || heading.level != Heading::Level::Chapter)
                continue;
            if (chapterWord(heading) != word) {
                otherBetween = true;
                continue;
            }
            if (previous && otherBetween)
                (*heading.number <= *previous ? restarts : continued) += 1;
            previous = heading.number;
            otherBetween = false;
        }
        if (restarts > 0 && continued == 0)
            sections.append(word);
    }
    if (sections.size() == words.size())
        return;
    m_candidates.removeIf([&](const Candidate& candidate) {
        return candidate.style == Style::Strong && candidate.heading.level == Heading::Level::Chapter &&
               sections.contains(chapterWord(candidate.heading));
    });
}

namespace {

// The word a numbered chapter heading counts in: 章 回 节 集 篇, C for "Chapter N", N for a bare number.
QChar sequenceWord(const Heading& heading) {
    if (heading.label.startsWith(u'第'))
        return heading.label.back();
    return heading.label.startsWith(u'c') || heading.label.startsWith(u'C') ? QChar(u'C') : QChar(u'N');
}

} // namespace

// Chapters are numbered per volume when, at most volume headings, the chapter numbers start again.
void ChapterFinder::numberSequences(QList<Heading>& headings) {
    int boundaries = 0;
    int restarts = 0;
    std::optional<quint64> lastBefore;
    bool atBoundary = false;
    for (const Heading& heading : headings) {
        if (heading.level == Heading::Level::Volume) {
            atBoundary = lastBefore.has_value();
            continue;
        }
        if (!heading.number)
            continue;
        if (atBoundary) {
            ++boundaries;
            if (*heading.number <= *lastBefore)
                ++restarts;
            atBoundary = false;
        }
        lastBefore = heading.number;
    }
    const bool perVolume = restarts > 0 && restarts * 2 >= boundaries;
    // Each chapter word counts on its own (第一集 … 第一章 第二章 … 第二集), per volume where they start again.
    std::map<std::pair<int, QChar>, int> sequences;
    int volume = 0;
    for (Heading& heading : headings) {
        if (heading.level == Heading::Level::Volume) {
            ++volume;
            continue;
        }
        if (!heading.number)
            continue;
        const auto key = std::make_pair(perVolume ? volume : 0, sequenceWord(heading));
        heading.sequence = sequences.try_emplace(key, int(sequences.size())).first->second;
    }
}

void ChapterFinder::markDoubtful(QList<Heading>& headings) {
    std::map<std::pair<int, int>, QList<qsizetype>> groups;
    for (qsizetype i = 0; i < headings.size(); ++i) {
        if (headings[i].number)
            groups[{int(headings[i].level), headings[i].sequence}].append(i);
    }
    for (const auto& [key, positions] : groups) {
        QList<quint64> numbers;
        for (qsizetype at : positions)
            numbers.append(*headings[at].number);
        const QList<qsizetype> run = longestIncreasing(numbers);
        qsizetype next = 0;
        for (qsizetype i = 0; i < positions.size(); ++i) {
            if (next < run.size() && run[next] == i)
                ++next;
            else
                headings[positions[i]].doubtful = true;
        }
    }
}

QList<Heading> ChapterFinder::finish() {
    acceptWeakStyle();
    dropSections();
    QList<Heading> headings;
    headings.reserve(m_candidates.size());
    for (const Candidate& candidate : m_candidates)
        headings.append(candidate.heading);
    numberSequences(headings);
    markDoubtful(headings);
    m_candidates.clear();
    m_line = 0;
    m_offset = 0;
    m_lastTextLine = 0;
    return headings;
}

QList<Heading> ChapterFinder::find(QStringView text) {
    ChapterFinder finder(1);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        QStringView line = text.sliced(start, end - start);
        const bool carriageReturn = line.endsWith(u'\r');
        if (carriageReturn)
            line.chop(1);
        finder.addLine(line);
        // The offsets count that CR too; addLine counted the LF.
        finder.m_offset += carriageReturn ? 1 : 0;
        start = end + 1;
    }
    return finder.finish();
}
