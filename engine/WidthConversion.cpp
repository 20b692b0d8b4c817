#include "WidthConversion.h"

namespace {

constexpr char16_t FullWidthOffset = u'\uFF01' - u'!';

} // namespace

bool toHalfWidth(QString& line) {
    bool changed = false;
    QChar* const end = line.data() + line.size();
    for (QChar* c = line.data(); c != end; ++c) {
        const char16_t u = c->unicode();
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
