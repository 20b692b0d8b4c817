#include "ChineseNumber.h"

#include <algorithm>

namespace ChineseNumber {
namespace {

// Values larger than this read as this: no book has that many chapters.
constexpr quint64 Cap = 1'000'000'000'000'000'000ULL;

quint64 addCapped(quint64 a, quint64 b) {
    return std::min(a + b, Cap);
}

quint64 mulCapped(quint64 a, quint64 b) {
    if (a != 0 && b > Cap / a)
        return Cap;
    return std::min(a * b, Cap);
}

int decimalDigitOf(QChar c) {
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

bool isChineseNumeralChar(QChar c) {
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

} // namespace

int decimalDigit(QChar c) {
    return decimalDigitOf(c);
}

bool isNumeral(QChar c) {
    return isChineseNumeralChar(c);
}

quint64 Reading::value() const {
    bool ok = false;
    const quint64 number = decimal.toULongLong(&ok);
    return ok ? std::min(number, Cap) : Cap;
}

Reading readAt(QStringView text, qsizetype from) {
    Reading reading;
    qsizetype end = from;
    if (from < text.size() && decimalDigitOf(text[from]) >= 0) {
        QString digits;
        for (; end < text.size() && decimalDigitOf(text[end]) >= 0; ++end)
            digits += QChar(u'0' + decimalDigitOf(text[end]));
        reading.decimal = withoutLeadingZeros(digits);
    } else {
        while (end < text.size() && isChineseNumeralChar(text[end]))
            ++end;
        const QStringView run = text.sliced(from, end - from);
        if (!run.isEmpty() && isChineseNumber(run))
            reading.decimal = chineseValue(run);
    }
    reading.length = end - from;
    return reading;
}

} // namespace ChineseNumber
