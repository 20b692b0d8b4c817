#include "ChapterOrder.h"

#include <QList>
#include <algorithm>
#include <numeric>

namespace ChapterOrder {
namespace {

enum Group { FrontMatter, Unnumbered, Numbered, BackMatter };

// Values larger than this compare as equal; then the rest of the name decides.
constexpr quint64 Cap = 1'000'000'000'000'000'000ULL;

quint64 addCapped(quint64 a, quint64 b) {
    return std::min(a + b, Cap);
}

quint64 mulCapped(quint64 a, quint64 b) {
    if (a != 0 && b > Cap / a)
        return Cap;
    return std::min(a * b, Cap);
}

int decimalDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'０' && u <= u'９')
        return u - u'０';
    return -1;
}

int chineseDigit(QChar c) {
    switch (c.unicode()) {
    case u'〇':
    case u'零':
        return 0;
    case u'一':
    case u'壹':
        return 1;
    case u'二':
    case u'两':
    case u'兩':
    case u'贰':
    case u'貳':
        return 2;
    case u'三':
    case u'叁':
        return 3;
    case u'四':
    case u'肆':
        return 4;
    case u'五':
    case u'伍':
        return 5;
    case u'六':
    case u'陆':
    case u'陸':
        return 6;
    case u'七':
    case u'柒':
        return 7;
    case u'八':
    case u'捌':
        return 8;
    case u'九':
    case u'玖':
        return 9;
    default:
        return -1;
    }
}

// 廿 and 卅 are whole tens (20, 30); the other units multiply the digit before them.
quint64 chineseUnit(QChar c) {
    switch (c.unicode()) {
    case u'十':
    case u'拾':
        return 10;
    case u'百':
    case u'佰':
        return 100;
    case u'千':
    case u'仟':
        return 1000;
    case u'万':
    case u'萬':
        return 10'000;
    case u'亿':
    case u'億':
        return 100'000'000;
    default:
        return 0;
    }
}

quint64 wholeTens(QChar c) {
    return c == u'廿' ? 20 : c == u'卅' ? 30 : 0;
}

bool isChineseNumeral(QChar c) {
    return chineseDigit(c) >= 0 || chineseUnit(c) != 0 || wholeTens(c) != 0;
}

// A run of 百 千 万 亿 alone is a word ("千年", "万里"); a digit, 十, 廿 or 卅 makes it a number.
bool isChineseNumber(QStringView run) {
    return std::any_of(run.begin(), run.end(),
                       [](QChar c) { return chineseDigit(c) >= 0 || wholeTens(c) != 0 || chineseUnit(c) == 10; });
}

QString withoutLeadingZeros(const QString& digits) {
    qsizetype i = 0;
    while (i + 1 < digits.size() && digits[i] == u'0')
        ++i;
    return digits.mid(i);
}

// "一百零三" 103, "十一" 11, "廿一" 21, "一万零五百" 10500; a digit right after a unit counts one place
// lower ("一百二" 120, "三万五" 35000), as it is read. Digits without units read place by place
// ("二〇二三" 2023).
QString chineseValue(QStringView run) {
    const bool hasUnits =
        std::any_of(run.begin(), run.end(), [](QChar c) { return chineseUnit(c) != 0 || wholeTens(c) != 0; });
    if (!hasUnits) {
        QString digits;
        for (QChar c : run)
            digits += QChar(u'0' + chineseDigit(c));
        return withoutLeadingZeros(digits);
    }
    quint64 high = 0;   // the 亿 part
    quint64 middle = 0; // the 万 part
    quint64 low = 0;    // below 万
    int pending = -1;   // a digit not yet multiplied by a unit
    quint64 previousUnit = 0;
    quint64 unitBeforePending = 0;
    for (QChar c : run) {
        const int digit = chineseDigit(c);
        const quint64 unit = chineseUnit(c);
        if (digit == 0) {
            // 零 only separates: "一千零十" is 1010.
            pending = -1;
            previousUnit = 0;
        } else if (digit > 0) {
            pending = digit;
            unitBeforePending = previousUnit;
            previousUnit = 0;
        } else if (wholeTens(c) != 0) {
            low = addCapped(low, wholeTens(c));
            pending = -1;
            previousUnit = 10;
        } else if (unit < 10'000) {
            low = addCapped(low, mulCapped(pending >= 0 ? quint64(pending) : 1, unit));
            pending = -1;
            previousUnit = unit;
        } else {
            quint64 group = addCapped(unit == 10'000 ? 0 : middle, addCapped(low, pending >= 0 ? quint64(pending) : 0));
            quint64& target = unit == 10'000 ? middle : high;
            if (group == 0 && target == 0)
                group = 1;
            target = mulCapped(addCapped(target, group), unit);
            if (unit != 10'000)
                middle = 0;
            low = 0;
            pending = -1;
            previousUnit = unit;
        }
    }
    quint64 tail = 0;
    if (pending >= 0)
        tail = unitBeforePending >= 10 ? mulCapped(quint64(pending), unitBeforePending / 10) : quint64(pending);
    return QString::number(addCapped(addCapped(high, middle), addCapped(low, tail)));
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\u3000';
}

bool startsWithAny(QStringView text, std::initializer_list<const char16_t*> words) {
    return std::any_of(words.begin(), words.end(), [&](const char16_t* word) { return text.startsWith(word); });
}

Group matterGroup(QStringView base) {
    // "【番外一】…" and "（序）…" start with their word too.
    qsizetype i = 0;
    while (i < base.size() && (isBlank(base[i]) || QStringView(u"【[（(「『《〔").contains(base[i])))
        ++i;
    const QStringView start = base.mid(i);
    if (startsWithAny(start, {u"序", u"楔子", u"引子"}))
        return FrontMatter;
    if (startsWithAny(start, {u"尾声", u"尾聲", u"后记", u"後記", u"番外", u"完本感言"}))
        return BackMatter;
    return Unnumbered;
}

// The length of an extension such as ".txt" at the end of `name` (a dot and one to five ASCII
// letters or digits, one a letter); 0 when there is none. "第1.5章" and "Chapter 1.5" have none.
qsizetype extensionLength(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return 0;
    const qsizetype length = name.size() - dot;
    if (length < 2 || length > 6)
        return 0;
    bool letter = false;
    for (qsizetype i = dot + 1; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        const bool isLetter = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z');
        if (!isLetter && !(u >= u'0' && u <= u'9'))
            return 0;
        letter = letter || isLetter;
    }
    return letter ? length : 0;
}

bool isVolumeMark(QChar c) {
    return QStringView(u"卷部册冊集").contains(c);
}

// A number right before 卷 部 册 集 ("第二卷"), or right after a 卷 that follows no number ("卷二").
bool isVolumeNumber(QStringView base, qsizetype start, qsizetype end) {
    qsizetype after = end;
    while (after < base.size() && isBlank(base[after]))
        ++after;
    if (after < base.size() && isVolumeMark(base[after]))
        return true;
    qsizetype before = start - 1;
    while (before >= 0 && isBlank(base[before]))
        --before;
    if (before < 0 || base[before] != u'卷')
        return false;
    return before == 0 || (decimalDigit(base[before - 1]) < 0 && !isChineseNumeral(base[before - 1]));
}

int compareNumbers(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

} // namespace

SortKey::SortKey(const QString& name) : m_name(name) {
    const qsizetype extension = extensionLength(name);
    const QStringView base = QStringView(name).first(name.size() - extension);
    QStringList volumes;
    QStringList others;
    qsizetype i = 0;
    while (i < base.size()) {
        qsizetype j = i;
        QString number;
        if (decimalDigit(base[i]) >= 0) {
            QString digits;
            for (; j < base.size() && decimalDigit(base[j]) >= 0; ++j)
                digits += QChar(u'0' + decimalDigit(base[j]));
            number = withoutLeadingZeros(digits);
        } else if (isChineseNumeral(base[i])) {
            while (j < base.size() && isChineseNumeral(base[j]))
                ++j;
            if (isChineseNumber(base.sliced(i, j - i)))
                number = chineseValue(base.sliced(i, j - i));
        } else {
            j = i + 1;
        }
        if (number.isEmpty())
            m_rest += base.sliced(i, j - i);
        else
            (isVolumeNumber(base, i, j) ? volumes : others).append(number);
        i = j;
    }
    m_rest += QStringView(name).last(extension);
    m_numbers = volumes + others;
    Group group = matterGroup(base);
    if (group == Unnumbered && !m_numbers.isEmpty())
        group = Numbered;
    m_group = group;
}

bool SortKey::operator<(const SortKey& other) const {
    if (m_group != other.m_group)
        return m_group < other.m_group;
    const qsizetype shared = std::min(m_numbers.size(), other.m_numbers.size());
    for (qsizetype i = 0; i < shared; ++i) {
        if (const int c = compareNumbers(m_numbers[i], other.m_numbers[i]); c != 0)
            return c < 0;
    }
    if (m_numbers.size() != other.m_numbers.size())
        return m_numbers.size() < other.m_numbers.size();
    if (const int c = m_rest.compare(other.m_rest, Qt::CaseInsensitive); c != 0)
        return c < 0;
    if (const int c = m_rest.compare(other.m_rest); c != 0)
        return c < 0;
    return m_name < other.m_name;
}

bool lessThan(const QString& a, const QString& b) {
    return SortKey(a) < SortKey(b);
}

void sort(QStringList& names) {
    QList<SortKey> keys;
    keys.reserve(names.size());
    for (const QString& name : names)
        keys.append(SortKey(name));
    QList<qsizetype> order(names.size());
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype x, qsizetype y) { return keys[x] < keys[y]; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (qsizetype index : order)
        sorted.append(names[index]);
    names = sorted;
}

} // namespace ChapterOrder
