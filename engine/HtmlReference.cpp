#include "HtmlReference.h"

#include "HtmlEntityTable.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>

namespace HtmlReference {
namespace {

// The longest name in the table, ";" included.
constexpr qsizetype LongestName = 32;
// The longest legacy name, which may stand without ";".
constexpr qsizetype LongestLegacyName = 6;

const char16_t* lookUp(const char* name) {
    const HtmlEntityTable::Entry* begin = HtmlEntityTable::entries;
    const HtmlEntityTable::Entry* end = begin + HtmlEntityTable::entryCount;
    const auto* found = std::lower_bound(begin, end, name, [](const HtmlEntityTable::Entry& entry, const char* key) {
        return std::strcmp(entry.name, key) < 0;
    });
    return found != end && std::strcmp(found->name, name) == 0 ? found->text : nullptr;
}

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

// What browsers show for &#128; to &#159;: the characters Windows-1252 has there (0 where it has none).
constexpr char16_t Windows1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

qsizetype decodeNumber(QStringView text, qsizetype pos, QString& decoded) {
    qsizetype i = pos + 2; // after "&#"
    int base = 10;
    if (i < text.size() && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    const qsizetype digitsStart = i;
    char32_t value = 0;
    for (; i < text.size() && digitValue(text[i], base) >= 0; ++i) {
        // Anything beyond U+10FFFF is no character; stop counting there.
        value = std::min<char32_t>(value * char32_t(base) + char32_t(digitValue(text[i], base)), 0x110000);
    }
    if (i == digitsStart)
        return 0;
    if (i < text.size() && text[i] == u';')
        ++i;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = QChar::ReplacementCharacter;
    else if (value >= 0x80 && value <= 0x9F && Windows1252[value - 0x80] != 0)
        value = Windows1252[value - 0x80];
    decoded = QString::fromUcs4(&value, 1);
    return i - pos;
}

const char* const OldNames[] = {"gt;", "lt;", "amp;", "nbsp;", "quot;"};

} // namespace

bool isNameCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
}

qsizetype decode(QStringView text, qsizetype pos, QString& decoded) {
    if (pos + 1 < text.size() && text[pos + 1] == u'#')
        return decodeNumber(text, pos, decoded);

    char name[LongestName + 1];
    qsizetype length = 0;
    while (length < LongestName - 1 && pos + 1 + length < text.size() && isNameCharacter(text[pos + 1 + length])) {
        name[length] = char(text[pos + 1 + length].unicode());
        ++length;
    }
    if (length == 0)
        return 0;
    if (pos + 1 + length < text.size() && text[pos + 1 + length] == u';') {
        name[length] = ';';
        name[length + 1] = '\0';
        if (const char16_t* found = lookUp(name)) {
            decoded = QString::fromUtf16(found);
            return length + 2;
        }
        for (const char* old : OldNames) {
            if (qstricmp(name, old) == 0) {
                decoded = QString::fromUtf16(lookUp(old));
                return length + 2;
            }
        }
    }
    // A legacy name stands without ";", the longest that fits.
    for (qsizetype k = std::min(length, LongestLegacyName); k > 0; --k) {
        name[k] = '\0';
        if (const char16_t* found = lookUp(name)) {
            decoded = QString::fromUtf16(found);
            return k + 1;
        }
    }
    return 0;
}

} // namespace HtmlReference
