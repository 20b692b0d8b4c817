#include "QuoteMarks.h"

#include "ChineseText.h"

#include <QVarLengthArray>
#include <algorithm>

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

// The marks the paragraph loop looks at, and a few more in their blocks: one test for the rest of the text.
bool mayBeQuotationMark(char16_t c) {
    return c == u'"' || c == u'\'' || (c >= u'‘' && c <= u'”') || (c >= u'「' && c <= u'』');
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

bool chineseOutside(QStringView text, qsizetype i, int step) {
    while (i >= 0 && i < text.size() && text[i] == u' ')
        i += step;
    return isChineseAt(text, i);
}

// A pair of straight marks at `from` and `to` that quote Chinese text: what they enclose holds Han, or
// Chinese stands next to them (他说"OK"; double marks also across a space: "/etc" 目录, where single
// ones more often quote a command line: vim '+q' 文件).
bool quotesChinese(QStringView text, qsizetype from, qsizetype to) {
    if (holdsHan(text.sliced(from + 1, to - from - 1)))
        return true;
    if (text[from] == u'\'')
        return isChineseAt(text, from - 1) || isChineseAt(text, to + 1);
    return chineseOutside(text, from - 1, -1) || chineseOutside(text, to + 1, 1);
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

void QuoteMarker::findStraightQuotes(QStringView text, qsizetype from, char16_t mark) {
    QVarLengthArray<qsizetype, 16> marks;
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == mark && !(mark == u'\'' && isApostrophe(text, i)))
            marks.append(i);
    }
    qsizetype next = 0;
    // The mark that closes a quotation carried over from the paragraphs before.
    if (!m_open.empty() && m_open.back() == mark && !marks.isEmpty())
        m_quoting[size_t(marks[next++])] = true;
    // The others pair in order, so that a mark gone astray in a command line or a path makes no other
    // pair a quotation; whether a mark opens or closes is the nesting's to say (“‘“”’” written "'""'").
    for (; next + 1 < marks.size(); next += 2) {
        if (quotesChinese(text, marks[next], marks[next + 1]))
            m_quoting[size_t(marks[next])] = m_quoting[size_t(marks[next + 1])] = true;
    }
    // One left: a quotation that goes on into the next paragraph.
    if (next < marks.size() && holdsHan(text.sliced(marks[next] + 1)))
        m_quoting[size_t(marks[next])] = true;
}

void QuoteMarker::put(QString& text, qsizetype i, QChar mark) {
    if (text[i] != mark) {
        text[i] = mark;
        m_changed = true;
    }
}

void QuoteMarker::open(QString& text, qsizetype i, char16_t opener) {
    m_open.push_back(opener);
    put(text, i, openMark(m_open.size()));
}

void QuoteMarker::close(QString& text, qsizetype i) {
    put(text, i, closeMark(m_open.size()));
    m_open.pop_back();
}

bool QuoteMarker::markParagraph(QString& text) {
    if (m_style == QuoteStyle::Keep || text.isEmpty())
        return false;
    m_changed = false;
    qsizetype i = 0;
    if (!m_open.empty()) {
        const char16_t first = text[0].unicode();
        if (isOpening(first) || first == u'"' || first == u'\'') {
            // The quotation goes on: its opening mark again, at the level it is open at.
            put(text, 0, openMark(m_open.size()));
            i = 1;
        } else {
            m_open.clear();
        }
    }
    // Most paragraphs hold no straight mark: they need no pairing.
    const QStringView rest = QStringView(text).sliced(i);
    const bool straight =
        std::any_of(rest.begin(), rest.end(), [](QChar c) { return c == u'"' || c == u'\''; });
    if (straight) {
        m_quoting.assign(size_t(text.size()), false);
        findStraightQuotes(text, i, u'"');
        findStraightQuotes(text, i, u'\'');
    }
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!mayBeQuotationMark(c))
            continue;
        if (isOpening(c)) {
            open(text, i, 0);
        } else if (isDoubleClosing(c) || (c == u'’' && !isApostrophe(text, i) && !m_open.empty()) || c == u'』') {
            if (!m_open.empty())
                close(text, i);
            else
                put(text, i, closeMark(isSingleClosing(c) ? 2 : 1)); // a closing mark with no opening one
        } else if (straight && m_quoting[size_t(i)]) {
            if (!m_open.empty() && m_open.back() == c)
                close(text, i);
            else
                open(text, i, c);
        }
    }
    return m_changed;
}
