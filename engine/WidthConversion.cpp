#include "WidthConversion.h"

namespace {

constexpr char16_t FullWidthOffset = u'\uFF01' - u'!';

bool isChineseMark(char16_t u) {
    switch (u) {
    case u'！':
    case u'（':
    case u'）':
    case u'，':
    case u'：':
    case u'；':
    case u'？':
    case u'～':
        return true;
    default:
        return false;
    }
}

} // namespace

bool toHalfWidth(QString& line, WidthKeep keep) {
    bool changed = false;
    QChar* const begin = line.data();
    QChar* const end = begin + line.size();
    QChar* c = begin;
    if (keep == WidthKeep::ChinesePunctuation) {
        while (c != end && (c->unicode() == u'\u3000' || c->unicode() == u' ' || c->unicode() == u'\t'))
            ++c;
    }
    for (; c != end; ++c) {
        const char16_t u = c->unicode();
        if (keep == WidthKeep::ChinesePunctuation && isChineseMark(u))
            continue;
        if (u >= u'\uFF01' && u <= u'\uFF5E')
            *c = QChar(static_cast<char16_t>(u - FullWidthOffset));
        else if (u == u'\u3000')
            *c = QChar(u' ');
        else
            continue;
        changed = true;
    }
    return changed;
}

bool toFullWidth(QString& line) {
    bool changed = false;
    QChar* const end = line.data() + line.size();
    for (QChar* c = line.data(); c != end; ++c) {
        const char16_t u = c->unicode();
        if (u >= u'!' && u <= u'~')
            *c = QChar(static_cast<char16_t>(u + FullWidthOffset));
        else if (u == u' ')
            *c = QChar(u'\u3000');
        else
            continue;
        changed = true;
    }
    return changed;
}
