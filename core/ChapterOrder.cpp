#include "ChapterOrder.h"

#include "ChineseNumber.h"

#include <QList>
#include <algorithm>
#include <numeric>

namespace ChapterOrder {
namespace {

enum Group { FrontMatter, Unnumbered, Numbered, BackMatter };

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
    return before == 0 ||
           (ChineseNumber::decimalDigit(base[before - 1]) < 0 && !ChineseNumber::isNumeral(base[before - 1]));
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
        if (const ChineseNumber::Reading reading = ChineseNumber::readAt(base, i); reading.length > 0) {
            j = i + reading.length;
            number = reading.decimal;
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
