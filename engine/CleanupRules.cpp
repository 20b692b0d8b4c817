#include "CleanupRules.h"

#include "ChapterFinder.h"
#include "platform/FileOps.h"
#include "platform/TextReader.h"
#include "platform/TextWriter.h"

#include <QRegularExpression>
#include <array>
#include <memory>
#include <vector>

namespace {

// Web addresses in folded text: "www." and what follows, or dotted names ending in a common top-level
// domain; "。" stands for the dot too, as sites write it to slip past filters. Not inside a longer
// Latin word or number (3.14, a.m.).
const QRegularExpression& domainPattern() {
    static const QRegularExpression pattern(QStringLiteral(
        "(?<![a-z0-9.\\-])(?:https?://)?(?:www[.。][a-z0-9\\-]+(?:[.。][a-z0-9\\-]+)*|(?:[a-z0-9\\-]+[.。])+"
        "(?:com|net|org|cn|cc|la|tw|hk|info|me|co|io|xyz|top|vip|biz|tv|so)(?![a-z0-9]))(?:/[a-z0-9_\\-./?=&%#]*)?"));
    return pattern;
}

const QRegularExpression& chapterNumberPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("第\\s*[0-9零〇○一二三四五六七八九十百千万两壹贰叁肆伍陆柒捌玖拾佰仟]+\\s*[章节節回卷集部篇幕话話]|"
                       "\\bchap(?:ter|\\.)?\\s*[0-9]+"));
    return pattern;
}

// What says something: 。！？；…!?;“”「」『』‘’" (CleanupText::hasSentencePunctuation).
bool isSentencePunctuation(char16_t c) {
    switch (c) {
    case u'。': case u'！': case u'？': case u'；': case u'…': case u'!': case u'?': case u';':
    case u'“': case u'”': case u'「': case u'」': case u'『': case u'』': case u'‘': case u'’': case u'"':
        return true;
    default:
        return false;
    }
}

// What ends or divides a sentence in folded text: ,。!?;…、
bool isBreakMark(char16_t c) {
    switch (c) {
    case u',': case u'。': case u'!': case u'?': case u';': case u'…': case u'、':
        return true;
    default:
        return false;
    }
}

// One code unit as CleanupText::folded() gives it.
char16_t foldUnit(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E)
        c = char16_t(c - 0xFF01 + 0x21);
    else if (c == 0x3000)
        c = u' ';
    if (c >= u'A' && c <= u'Z')
        c = char16_t(c - u'A' + u'a');
    return c;
}

// folded(`text`) into `out`, whose room is kept from line to line.
void foldInto(QStringView text, QString& out) {
    out.resize(text.size());
    QChar* to = out.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        to[i] = QChar(foldUnit(text[i].unicode()));
}

QStringView trimmedBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (BookText::isBlank(text[begin]) || text[begin] == u'\u00A0'))
        ++begin;
    while (end > begin && (BookText::isBlank(text[end - 1]) || text[end - 1] == u'\u00A0'))
        --end;
    return text.sliced(begin, end - begin);
}

// The most characters one "*" of a whole-line pattern stands for: site lines are short, and a sentence
// that merely starts and ends like one ("上一章……下一章") is longer.
constexpr qsizetype MaxStarRun = 20;

// A mark that ends or divides a sentence, in folded text: what a "*" never stands for. A comma between
// digits (3,000) divides nothing.
bool isSentenceBreak(QStringView f, qsizetype at) {
    if (!isBreakMark(f[at].unicode()))
        return false;
    return !(f[at] == u',' && at > 0 && at + 1 < f.size() && f[at - 1].isDigit() && f[at + 1].isDigit());
}

bool hasSentenceBreak(QStringView f) {
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (isSentenceBreak(f, i))
            return true;
    }
    return false;
}

// A line's letters and digits (CleanupText::letters), and for each gap between them (gap i stands
// before letter i, the last after all) whether a sentence mark stands there.
struct LineLetters {
    std::u16string letters;
    std::vector<bool> breakAt;
};

// Fills `line` (its room kept from call to call) from folded text `f`.
void lineLetters(QStringView f, LineLetters& line) {
    line.letters.clear();
    line.breakAt.clear();
    line.breakAt.push_back(false);
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        const bool pair = c.isHighSurrogate() && i + 1 < f.size() && f[i + 1].isLowSurrogate();
        const bool letter = pair ? QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, f[i + 1])) : c.isLetterOrNumber();
        if (letter) {
            line.letters += c.unicode();
            line.breakAt.push_back(false);
            if (pair) {
                line.letters += f[i + 1].unicode();
                line.breakAt.push_back(false);
            }
        } else if (isSentenceBreak(f, i)) {
            line.breakAt.back() = true;
        }
        if (pair)
            ++i;
    }
}

// `line` from letter `t` on matches `pattern` from `p` on; a "*" stands for a run of up to MaxStarRun
// letters with no sentence mark in it nor at its ends. Marks between fixed letters do not count.
bool globMatches(QStringView pattern, qsizetype p, const LineLetters& line, qsizetype t) {
    const auto size = qsizetype(line.letters.size());
    for (; p < pattern.size() && pattern[p] != u'*'; ++p, ++t) {
        if (t >= size || pattern[p].unicode() != line.letters[size_t(t)])
            return false;
    }
    if (p == pattern.size())
        return t == size;
    for (qsizetype run = 0; run <= MaxStarRun && t + run <= size; ++run) {
        if (line.breakAt[size_t(t + run)])
            return false; // every longer run holds this mark too
        if (globMatches(pattern, p + 1, line, t + run))
            return true;
    }
    return false;
}

// A whole-line pattern as letters(), its "*" kept.
QString linePattern(QStringView text) {
    QStringList parts;
    for (const QStringView part : text.split(u'*'))
        parts.append(CleanupText::letters(part));
    return parts.join(u'*');
}

// The most characters between a site word and the address it names ("本站地址：www…").
constexpr qsizetype NearAddress = 8;

struct Span {
    qsizetype begin;
    qsizetype end;
};

bool isBlankOrMark(QChar c) {
    return c.isSpace() || c.isPunct();
}

// `word` stands in `f` within NearAddress characters of one of `addresses`.
bool nearAnAddress(const QString& f, const QString& word, const std::vector<Span>& addresses) {
    for (qsizetype at = f.indexOf(word); at >= 0; at = f.indexOf(word, at + 1)) {
        const qsizetype end = at + word.size();
        for (const Span& address : addresses) {
            if (std::max({address.begin - end, at - address.end, qsizetype(0)}) <= NearAddress)
                return true;
        }
    }
    return false;
}

// Folded line `f` is a site's address line: it holds an address, says nothing besides it in a
// sentence (no sentence mark outside the address, no sentence mark ending it unless right after the
// address), and holds nothing but the address and punctuation or a site word close to the address.
bool isAddressLine(const QString& f, const QStringList& siteWords) {
    std::vector<Span> addresses;
    QString rest;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = domainPattern().globalMatch(f); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        addresses.push_back({match.capturedStart(), match.capturedEnd()});
        rest += QStringView(f).sliced(from, match.capturedStart() - from);
        from = match.capturedEnd();
    }
    if (addresses.empty())
        return false;
    QStringView after = QStringView(f).sliced(from);
    if (std::all_of(after.begin(), after.end(), isBlankOrMark))
        after = {}; // "www.xxx.com。": the mark ends the address, not a sentence
    else if (isSentenceBreak(f, f.size() - 1))
        return false;
    rest += after;
    if (hasSentenceBreak(rest) || CleanupText::hasSentencePunctuation(rest))
        return false;
    if (CleanupText::letters(rest).isEmpty())
        return true;
    return std::any_of(siteWords.begin(), siteWords.end(),
                       [&](const QString& word) { return nearAnAddress(f, word, addresses); });
}

bool containsAny(const QString& folded, const QStringList& words) {
    for (const QString& word : words) {
        if (folded.contains(word))
            return true;
    }
    return false;
}

// What a code unit is, folded, to the rules. One pass over a line with these flags tells which rule
// kinds cannot remove it, so that a line of the story mostly needs no exact test at all.
enum UnitFlag : quint16 {
    LetterUnit = 1 << 0,    // a letter or digit (a surrogate is neither: its pair decides)
    SurrogateUnit = 1 << 1, // half of a pair
    AddressName = 1 << 2,   // a-z, 0-9 and "-": what stands on both sides of an address's dots
    AddressDot = 1 << 3,    // "." or "。"
    SentenceMark = 1 << 4,  // isSentencePunctuation
    LineStart = 1 << 5,     // the first letter of a whole-line pattern
    WeakStart = 1 << 6,     // the first character of a weak pattern
    FragmentStart = 1 << 7, // the first character of a fragment
    FragmentNext = 1 << 8,  // the second character of a fragment
};

using UnitFlags = std::array<quint16, 0x10000>;

// The flags every rule set shares, by code unit.
const UnitFlags& characterFlags() {
    static const std::unique_ptr<const UnitFlags> flags = [] {
        auto table = std::make_unique<UnitFlags>();
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            const auto c = QChar(foldUnit(char16_t(unit)));
            quint16 f = 0;
            if (c.isSurrogate())
                f |= SurrogateUnit;
            else if (c.isLetterOrNumber())
                f |= LetterUnit;
            if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-')
                f |= AddressName;
            if (c == u'.' || c == u'。')
                f |= AddressDot;
            if (isSentencePunctuation(c.unicode()))
                f |= SentenceMark;
            (*table)[unit] = f;
        }
        return table;
    }();
    return *flags;
}

} // namespace

struct CleanupRules::UnitTable {
    UnitFlags flags{};
    qsizetype maxLineLetters = 0;    // the most letters (code units) a whole-line pattern takes
    bool lineStartsWithStar = false; // a whole-line pattern may start with any letter
    bool shortFragment = false;      // a fragment of one code unit
};

namespace {

// The rule kinds that may remove a trimmed line. One left out cannot, whatever its exact test would
// say; one kept is then decided by that test.
struct Candidates {
    bool whole = false;
    bool weak = false;
    bool address = false;
};

// A dot between two characters of a name ("x.c"): what every web address holds.
bool hasAddressShape(const CleanupRules::UnitTable& table, QStringView text) {
    quint16 before = 0;
    quint16 beforeThat = 0;
    for (const QChar c : text) {
        const quint16 flags = table.flags[c.unicode()];
        if ((flags & AddressName) && (before & AddressDot) && (beforeThat & AddressName))
            return true;
        beforeThat = before;
        before = flags;
    }
    return false;
}

// A whole-line pattern may take `text`, which holds a letter (or a surrogate): its first letter starts
// one (a surrogate may be a letter that does) and it has no more letters than one takes.
bool mayBeWholeLine(const CleanupRules::UnitTable& table, QStringView text) {
    constexpr quint16 LetterOrPair = LetterUnit | SurrogateUnit;
    qsizetype i = 0;
    while (!(table.flags[text[i].unicode()] & LetterOrPair))
        ++i;
    if (!table.lineStartsWithStar && !(table.flags[text[i].unicode()] & (LineStart | SurrogateUnit)))
        return false;
    // At least the letters' code units: a surrogate counts whether its pair is a letter or not.
    qsizetype letterUnits = 0;
    for (; i < text.size(); ++i)
        letterUnits += (table.flags[text[i].unicode()] & LetterOrPair) ? 1 : 0;
    return letterUnits <= table.maxLineLetters;
}

// The flags of all the units of `text` together. Blanks have none: a line and its trimmed text have the same.
quint16 unitsSeen(const CleanupRules::UnitTable& table, QStringView text) {
    quint16 seen = 0;
    for (const QChar c : text)
        seen |= table.flags[c.unicode()];
    return seen;
}

// `seen`: unitsSeen(text).
Candidates candidatesFor(const CleanupRules::UnitTable& table, QStringView text, quint16 seen) {
    const qsizetype length = (seen & SurrogateUnit) ? CleanupText::length(text) : text.size();
    Candidates may;
    may.weak = length <= CleanupRules::MaxWeakLength && (seen & WeakStart) && !(seen & SentenceMark);
    may.address = length <= CleanupRules::MaxAddressLineLength && (seen & AddressDot) && (seen & AddressName) &&
                  hasAddressShape(table, text);
    may.whole = (seen & (LetterUnit | SurrogateUnit)) && mayBeWholeLine(table, text);
    return may;
}

// `text` may hold a fragment: the first two characters of one (or of two) stand in it one after the
// other. `seen`: unitsSeen(text).
bool mayHoldFragment(const CleanupRules::UnitTable& table, QStringView text, quint16 seen) {
    if (!(seen & FragmentStart))
        return false;
    if (table.shortFragment)
        return true;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if ((table.flags[text[i].unicode()] & FragmentStart) && (table.flags[text[i + 1].unicode()] & FragmentNext))
            return true;
    }
    return false;
}

} // namespace

QString CleanupText::folded(QStringView text) {
    QString result;
    foldInto(text, result);
    return result;
}

QString CleanupText::letters(QStringView text) {
    const QString f = folded(text);
    QString result;
    result.reserve(f.size());
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c.isHighSurrogate() && i + 1 < f.size() && f[i + 1].isLowSurrogate()) {
            if (QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, f[i + 1]))) {
                result += c;
                result += f[i + 1];
            }
            ++i;
        } else if (c.isLetterOrNumber()) {
            result += c;
        }
    }
    return result;
}

bool CleanupText::hasLetters(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c(foldUnit(text[i].unicode()));
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, text[i + 1])))
                return true;
            ++i;
        } else if (c.isLetterOrNumber()) {
            return true;
        }
    }
    return false;
}

qsizetype CleanupText::length(QStringView text) {
    return text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

bool CleanupText::hasSentencePunctuation(QStringView text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isSentencePunctuation(c.unicode()); });
}

qsizetype CleanupText::findDomain(QStringView text, qsizetype* length) {
    const QRegularExpressionMatch match = domainPattern().match(folded(text));
    if (!match.hasMatch())
        return -1;
    if (length)
        *length = match.capturedLength();
    return match.capturedStart();
}

bool CleanupText::isChapterLine(QStringView line) {
    const QString f = folded(line);
    if (chapterNumberPattern().match(f).hasMatch())
        return true;
    const QStringView trimmed = trimmedBlanks(line);
    return !trimmed.isEmpty() && !ChapterFinder::find(trimmed).isEmpty();
}

CleanupRules CleanupRules::parse(QStringView text) {
    CleanupRules rules;
    for (QStringView line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = trimmedBlanks(line);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QChar kind = line.front();
        const QStringView pattern = trimmedBlanks(line.sliced(1));
        if (pattern.isEmpty()) {
            ++rules.m_unknown;
            continue;
        }
        switch (kind.unicode()) {
        case u'=': {
            const QString letters = linePattern(pattern);
            // A pattern of only "*" (or no letters) would take every line.
            if (QString(letters).remove(u'*').isEmpty())
                ++rules.m_unknown;
            else
                rules.m_lines.append(letters);
            break;
        }
        case u'-':
            rules.m_fragments.append(CleanupText::folded(pattern));
            break;
        case u'~':
            rules.m_weak.append(CleanupText::folded(pattern));
            break;
        case u'@':
            rules.m_siteWords.append(CleanupText::folded(pattern));
            break;
        default:
            ++rules.m_unknown;
        }
    }
    rules.index();
    return rules;
}

void CleanupRules::index() {
    std::vector<quint16> starts(0x10000); // by folded unit
    auto table = std::make_shared<UnitTable>();
    for (const QString& pattern : std::as_const(m_lines)) {
        const auto stars = qsizetype(pattern.count(u'*'));
        table->maxLineLetters = std::max(table->maxLineLetters, pattern.size() - stars + stars * MaxStarRun);
        if (pattern.front() == u'*')
            table->lineStartsWithStar = true;
        else
            starts[size_t(pattern.front().unicode())] |= LineStart;
    }
    for (const QString& word : std::as_const(m_weak))
        starts[size_t(word.front().unicode())] |= WeakStart;
    for (const QString& fragment : std::as_const(m_fragments)) {
        starts[size_t(fragment.front().unicode())] |= FragmentStart;
        if (fragment.size() == 1)
            table->shortFragment = true;
        else
            starts[size_t(fragment[1].unicode())] |= FragmentNext;
    }
    const UnitFlags& shared = characterFlags();
    for (char32_t unit = 0; unit < 0x10000; ++unit)
        table->flags[unit] = quint16(shared[unit] | starts[size_t(foldUnit(char16_t(unit)))]);
    m_table = std::move(table);
}

void CleanupRules::add(const CleanupRules& other) {
    m_lines += other.m_lines;
    m_fragments += other.m_fragments;
    m_weak += other.m_weak;
    m_siteWords += other.m_siteWords;
    m_unknown += other.m_unknown;
    index();
}

bool CleanupRules::isEmpty() const {
    return m_lines.isEmpty() && m_fragments.isEmpty() && m_weak.isEmpty() && m_siteWords.isEmpty();
}

bool CleanupRules::removesLine(QStringView line) const {
    const QStringView trimmed = trimmedBlanks(line);
    if (trimmed.isEmpty() || !m_table)
        return false;
    return removesTrimmed(trimmed, unitsSeen(*m_table, trimmed));
}

int CleanupRules::removeFragments(QString& line) const {
    if (m_fragments.isEmpty())
        return 0;
    return removeFragments(line, unitsSeen(*m_table, line));
}

bool CleanupRules::removesLineOrFragments(QString& line, int* fragments) const {
    if (!m_table)
        return false;
    const quint16 seen = unitsSeen(*m_table, line);
    const QStringView trimmed = trimmedBlanks(line);
    if (!trimmed.isEmpty() && removesTrimmed(trimmed, seen))
        return true;
    const int taken = m_fragments.isEmpty() ? 0 : removeFragments(line, seen);
    if (fragments)
        *fragments += taken;
    return false;
}

bool CleanupRules::removesTrimmed(QStringView trimmed, quint16 seen) const {
    const Candidates may = candidatesFor(*m_table, trimmed, seen);
    if (!may.whole && !may.weak && !may.address)
        return false;
    // Room kept from line to line: few lines get here, but a batch has many lines.
    thread_local QString f;
    thread_local LineLetters letters;
    foldInto(trimmed, f);
    bool removes = false;
    if (may.whole) {
        lineLetters(f, letters);
        if (!letters.letters.empty())
            removes = std::any_of(m_lines.begin(), m_lines.end(),
                                  [&](const QString& pattern) { return globMatches(pattern, 0, letters, 0); });
    }
    const qsizetype length = CleanupText::length(trimmed);
    // A weak candidate has no sentence punctuation: candidatesFor() looked.
    if (!removes && may.weak && length <= MaxWeakLength && !hasSentenceBreak(f))
        removes = containsAny(f, m_weak);
    if (!removes && may.address && !m_siteWords.isEmpty() && length <= MaxAddressLineLength)
        removes = isAddressLine(f, m_siteWords);
    return removes && !CleanupText::isChapterLine(trimmed);
}

int CleanupRules::removeFragments(QString& line, quint16 seen) const {
    if (!mayHoldFragment(*m_table, line, seen))
        return 0;
    int removed = 0;
    QString f = CleanupText::folded(line);
    for (const QString& fragment : m_fragments) {
        qsizetype at = f.indexOf(fragment);
        while (at >= 0) {
            line.remove(at, fragment.size());
            f.remove(at, fragment.size());
            ++removed;
            at = f.indexOf(fragment, at);
        }
    }
    return removed;
}

bool CleanupRules::read(const QString& path, CleanupRules& rules, FileError* error) {
    QString text;
    if (!TextReader::readAll(path, text, error))
        return false;
    rules.add(parse(text));
    return true;
}

bool CleanupRules::installStartingSet(const QString& path, FileError* error) {
    if (FileOps::exists(path))
        return true;
    TextWriter writer;
    if (!writer.open(path, TextFormat{TextEncoding::Utf8, LineEnd::Lf})) {
        *error = writer.error();
        return false;
    }
    writer.write(startingText());
    if (!writer.commit()) {
        *error = writer.error();
        return false;
    }
    return true;
}

QString CleanupRules::startingText() {
    return QStringLiteral(
        "# 羽墨工坊的清除规则：“清除广告”删去网站加在章节里的导航、广告和网址。\n"
        "# 每行一条规则，第一个字符表示规则的种类；以 # 开头的行是注释。\n"
        "# 全角与半角、英文大小写视为相同。带有章节号的行（第12章 …）从不删除。\n"
        "#\n"
        "#   = 文字   整行：一行的文字（不计空格和标点）正是这些时删去整行；* 代表一段不含句读标点（，。！？；）的文字\n"
        "#   - 文字   片段：从行中删去这段文字，行的其余部分保留\n"
        "#   ~ 文字   弱规则：行内有这段文字、行不长于 30 字且没有句读标点时删去整行\n"
        "#   @ 文字   网址：行内有网址（www.…、ｗｗｗ．…、m.….com），行很短、网址外没有句读标点，\n"
        "#            且网址旁写着这些词之一（或除网址外只有标点）时删去整行\n"
        "\n"
        "# 导航\n"
        "= 上一章*下一章\n"
        "= 上一页*下一页\n"
        "= 返回目录\n"
        "= 返回书页\n"
        "= 加入书签\n"
        "= 投推荐票\n"
        "= 加入书签*推荐票*\n"
        "= 章节目录\n"
        "= 章节错误*\n"
        "= 本章未完*\n"
        "= 本章未完请点击下一页继续阅读\n"
        "= 本章完\n"
        "= 请点击下一页继续阅读\n"
        "= 天才一秒记住*\n"
        "= 一秒记住*\n"
        "= 手机用户请浏览*\n"
        "= 手机阅读*\n"
        "= 最新章节*首发*\n"
        "= 本书首发*\n"
        "= 笔趣阁*\n"
        "= 百度搜索*\n"
        "= 无弹窗*\n"
        "= 全文字*无广告*\n"
        "= 请记住本书首发域名*\n"
        "= 喜欢*请大家收藏*\n"
        "= 更新时间*字数*\n"
        "= 本章字数*\n"
        "\n"
        "# 片段\n"
        "- （本章未完，请翻页）\n"
        "- （本章未完，请点击下一页继续阅读）\n"
        "- 【本章未完，请点击下一页继续阅读】\n"
        "- （未完待续。）\n"
        "- 【最新章节】\n"
        "- 【无弹窗】\n"
        "\n"
        "# 弱规则\n"
        "~ 最新章节\n"
        "~ 最快更新\n"
        "~ 免费阅读\n"
        "~ 全文阅读\n"
        "~ 推荐阅读\n"
        "~ 书友群\n"
        "~ 求月票\n"
        "~ 求推荐票\n"
        "~ 求收藏\n"
        "\n"
        "# 网址\n"
        "@ 本站\n"
        "@ 网址\n"
        "@ 地址\n"
        "@ 域名\n"
        "@ 浏览\n"
        "@ 阅读\n"
        "@ 访问\n"
        "@ 收藏\n"
        "@ 手机\n"
        "@ 首发\n"
        "@ 更新\n"
        "@ 小说\n"
        "@ 书友\n"
        "@ 请记住\n");
}
