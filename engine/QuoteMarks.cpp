#include "QuoteMarks.h"

#include "ChineseText.h"

using namespace ChineseText;

namespace {

bool isOpening(char16_t c) {
    return c == u'“' || c == u'‘' || c == u'「' || c == u'『';
}

bool isDoubleClosing(char16_t c) {
    return c == u'”' || c == u'」';
}

bool isSingleClosing(char16_t c) {
    return c == u'’' || c == u'』';
}

bool letterAt(QStringView text, qsizetype i) {
    return i >= 0 && i < text.size() && isAsciiLetter(text[i].unicode());
}

// A ' or ’ between two letters is an apostrophe (don't, rock'n'roll), never a quotation mark.
bool isApostrophe(QStringView text, qsizetype i) {
    return letterAt(text, i - 1) && letterAt(text, i + 1);
}

bool holdsHan(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isHanAt(text, i))
            return true;
    }
    return false;
}

// A straight mark at `i` that opens a quotation of Chinese text: what it pairs with in the line holds
// Han, or the quotation stands next to Chinese (他说"OK"); unpaired, the rest of the line holds Han.
bool opensChineseQuotation(QStringView text, qsizetype i) {
    const char16_t mark = text[i].unicode();
    qsizetype end = i + 1;
    while (end < text.size() && (text[end] != mark || (mark == u'\'' && isApostrophe(text, end))))
        ++end;
    if (end == text.size())
        return holdsHan(text.sliced(i + 1));
    return holdsHan(text.sliced(i + 1, end - i - 1)) || isChineseAt(text, i - 1) || isChineseAt(text, end + 1);
}

} // namespace

QChar QuoteMarker::openMark(size_t level) const {
    const bool outer = level % 2 == 1;
    if (m_style == QuoteStyle::Taiwan)
        return outer ? u'「' : u'『';
    return outer ? u'“' : u'‘';
}

QChar QuoteMarker::closeMark(size_t level) const {
    const bool outer = level % 2 == 1;
    if (m_style == QuoteStyle::Taiwan)
        return outer ? u'」' : u'』';
    return outer ? u'”' : u'’';
}

void QuoteMarker::open(QString& text, qsizetype i, char16_t opener) {
    m_open.push_back(opener);
    text[i] = openMark(m_open.size());
}

void QuoteMarker::close(QString& text, qsizetype i) {
    text[i] = closeMark(m_open.size());
    m_open.pop_back();
}

bool QuoteMarker::markParagraph(QString& text) {
    if (m_style == QuoteStyle::Keep || text.isEmpty())
        return false;
    const QString before = text;
    qsizetype i = 0;
    if (!m_open.empty()) {
        const char16_t first = text[0].unicode();
        if (isOpening(first) || first == u'"' || first == u'\'') {
            // The quotation goes on: its opening mark again, at the level it is open at.
            text[0] = openMark(m_open.size());
            i = 1;
        } else {
            m_open.clear();
        }
    }
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isOpening(c)) {
            open(text, i, 0);
        } else if (isDoubleClosing(c) || (c == u'’' && !isApostrophe(text, i) && !m_open.empty()) || c == u'』') {
            if (!m_open.empty())
                close(text, i);
            else
                text[i] = closeMark(isSingleClosing(c) ? 2 : 1); // a closing mark with no opening one
        } else if (c == u'"' || (c == u'\'' && !isApostrophe(text, i))) {
            if (!m_open.empty() && m_open.back() == c)
                close(text, i);
            else if (opensChineseQuotation(text, i))
                open(text, i, c);
        }
    }
    return text != before;
}
