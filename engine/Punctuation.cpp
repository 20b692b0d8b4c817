#include "Punctuation.h"

#include "ChineseText.h"

#include <QVarLengthArray>

using namespace ChineseText;

namespace {

bool isQuotationMark(char16_t c) {
    switch (c) {
    case u'"':
    case u'\'':
    case u'“':
    case u'”':
    case u'‘':
    case u'’':
    case u'「':
    case u'」':
    case u'『':
    case u'』':
        return true;
    default:
        return false;
    }
}

qsizetype runLength(QStringView text, qsizetype from, char16_t c) {
    qsizetype end = from;
    while (end < text.size() && text[end] == c)
        ++end;
    return end - from;
}

bool startsWithAt(QStringView text, qsizetype at, QStringView prefix) {
    return text.sliced(at).startsWith(prefix, Qt::CaseInsensitive);
}

bool isTrailingUrlMark(char16_t c) {
    return c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?' || c == u')' || c == u'\'' ||
           c == u'"';
}

// The end of a URL that starts at `from` (http://, https://, ftp://, www.), or `from` when none
// does: it runs over printable ASCII and leaves the marks that close the sentence around it.
qsizetype urlEnd(QStringView text, qsizetype from) {
    if (from > 0 && isAsciiAlnum(text[from - 1].unicode()))
        return from;
    if (!startsWithAt(text, from, u"http://") && !startsWithAt(text, from, u"https://") &&
        !startsWithAt(text, from, u"ftp://") && !startsWithAt(text, from, u"www."))
        return from;
    qsizetype end = from;
    while (end < text.size() && text[end].unicode() > u' ' && text[end].unicode() < 0x7F)
        ++end;
    while (end > from && isTrailingUrlMark(text[end - 1].unicode()))
        --end;
    return end;
}

// The characters PunctuationPass::step handles on their own (a URL starts with h, w or f); the text
// between two of them is copied as it stands.
bool asksForStep(char16_t c) {
    switch (c) {
    case u'h':
    case u'H':
    case u'w':
    case u'W':
    case u'f':
    case u'F':
    case u'.':
    case u',':
    case u';':
    case u':':
    case u'!':
    case u'?':
    case u'(':
    case u')':
    case u'-':
    case u'。':
    case u'…':
    case u'（':
    case u'）':
    case u'—':
        return true;
    default:
        return false;
    }
}

QChar fullWidthMark(char16_t c) {
    switch (c) {
    case u',':
        return u'，';
    case u'.':
        return u'。';
    case u';':
        return u'；';
    case u':':
        return u'：';
    case u'!':
        return u'！';
    default:
        return u'？';
    }
}

class PunctuationPass {
public:
    PunctuationPass(QStringView in, QString& out) : m_in(in), m_out(out) {}

    void run() {
        m_out.resize(0);
        for (qsizetype i = 0; i < m_in.size() && !m_holdsHan; ++i)
            m_holdsHan = isHanAt(m_in, i);
        const qsizetype size = m_in.size();
        qsizetype i = 0;
        while (i < size) {
            qsizetype next = i;
            while (next < size && !asksForStep(m_in[next].unicode()))
                ++next;
            m_out.append(m_in.sliced(i, next - i));
            if (next == size)
                break;
            i = step(next);
        }
    }

private:
    // Handles the character at `i` and gives the index of the next one to handle.
    qsizetype step(qsizetype i) {
        const char16_t c = m_in[i].unicode();
        switch (c) {
        case u'h':
        case u'H':
        case u'w':
        case u'W':
        case u'f':
        case u'F': {
            const qsizetype end = urlEnd(m_in, i);
            if (end > i) {
                m_out.append(m_in.sliced(i, end - i));
                return end;
            }
            break;
        }
        case u'.':
            return dots(i);
        case u'。':
            return replaceRun(i, c, 3);
        case u'…':
            return ellipsisMark(i);
        case u',':
        case u';':
        case u':':
        case u'!':
        case u'?':
            if (chineseBefore() || chineseAt(i + 1) || (!digitBefore() && chineseAfterSpaces(i + 1)) ||
                ((c == u'!' || c == u'?') && endsChineseLine(i + 1)))
                return sentenceMark(i, fullWidthMark(c));
            break;
        case u'(': {
            const bool chinese = chineseBefore() || chineseAt(i + 1);
            m_parens.append(chinese);
            m_out.append(chinese ? QChar(u'（') : QChar(c));
            return i + 1;
        }
        case u'（':
            m_parens.append(true);
            break;
        case u')':
        case u'）': {
            bool chinese = c == u'）' || chineseBefore();
            if (!m_parens.isEmpty()) {
                chinese = m_parens.last() || c == u'）';
                m_parens.removeLast();
            }
            m_out.append(chinese ? QChar(u'）') : QChar(c));
            return i + 1;
        }
        case u'-':
            return dashes(i, runLength(m_in, i, c), 2);
        case u'—':
            return dashes(i, runLength(m_in, i, c), 1);
        default:
            break;
        }
        m_out.append(QChar(c));
        return i + 1;
    }

    // The last character written, looking through quotation marks: 他说"好". ends a Chinese sentence.
    // Marks of either kind count alike, so that a text set once is left as it is the next time.
    bool chineseBefore() const {
        qsizetype at = m_out.size() - 1;
        while (at >= 0 && isQuotationMark(m_out[at].unicode()))
            --at;
        return isChineseAt(m_out, at);
    }

    bool chineseAt(qsizetype i) const {
        while (i < m_in.size() && isQuotationMark(m_in[i].unicode()))
            ++i;
        return isChineseAt(m_in, i);
    }

    bool digitBefore() const { return !m_out.isEmpty() && isAsciiDigit(m_out.back().unicode()); }

    bool chineseAfterSpaces(qsizetype i) const {
        while (i < m_in.size() && m_in[i] == u' ')
            ++i;
        return isHanAt(m_in, i);
    }

    // Only spaces and closing quotes or brackets follow `i` in a line of Chinese text: a mark there
    // ends its last sentence (检查BTS. / 参见 "README.gz".).
    bool endsChineseLine(qsizetype i) const {
        if (!m_holdsHan)
            return false;
        for (; i < m_in.size(); ++i) {
            const char16_t c = m_in[i].unicode();
            if (c != u' ' && c != u'"' && c != u'\'' && c != u')' && c != u'”' && c != u'’' && c != u'」' &&
                c != u'』' && c != u'）')
                return false;
        }
        return true;
    }

    bool latinBefore() const {
        if (m_out.isEmpty())
            return false;
        const char16_t c = m_out.back().unicode();
        return isAsciiLetter(c) || c == u')' || c == u'"' || c == u'\'';
    }

    // A converted , . ; : ! ? takes the spaces after it.
    qsizetype sentenceMark(qsizetype i, QChar mark) {
        m_out.append(mark);
        ++i;
        while (i < m_in.size() && m_in[i] == u' ')
            ++i;
        return i;
    }

    qsizetype dots(qsizetype i) {
        const qsizetype run = runLength(m_in, i, u'.');
        if (run >= 3 && (chineseBefore() || chineseAt(i + run))) {
            m_out.append(u"……");
            return i + run;
        }
        // One dot ends a Chinese sentence unless a letter or digit follows (文件.txt, 图1.2); after Latin
        // text, when it ends the line or Chinese follows (not after a digit: "5. 按下" numbers a step).
        const bool beforeAlnum = i + 1 < m_in.size() && isAsciiAlnum(m_in[i + 1].unicode());
        if (run == 1 && ((chineseBefore() && !beforeAlnum) || endsChineseLine(i + 1) ||
                         (latinBefore() && chineseAfterSpaces(i + 1))))
            return sentenceMark(i, u'。');
        m_out.append(m_in.sliced(i, run));
        return i + run;
    }

    // A run of at least `least` marks `c` becomes "……".
    qsizetype replaceRun(qsizetype i, char16_t c, qsizetype least) {
        const qsizetype run = runLength(m_in, i, c);
        m_out.append(run >= least ? QStringView(u"……") : m_in.sliced(i, run));
        return i + run;
    }

    qsizetype ellipsisMark(qsizetype i) {
        const qsizetype run = runLength(m_in, i, u'…');
        const bool lone = run == 1 && (chineseBefore() || chineseAt(i + 1));
        m_out.append(lone ? QStringView(u"……") : m_in.sliced(i, run));
        return i + run;
    }

    // A run of at least `least` dashes between Chinese becomes "——"; "—" alone needs only one.
    qsizetype dashes(qsizetype i, qsizetype run, qsizetype least) {
        const bool between = chineseBefore() && chineseAt(i + run);
        const bool dash = least == 1 ? run == 1 : run >= least;
        m_out.append(between && dash ? QStringView(u"——") : m_in.sliced(i, run));
        return i + run;
    }

    QStringView m_in;
    QString& m_out;
    QVarLengthArray<bool, 8> m_parens; // the open parentheses: true for a Chinese one
    bool m_holdsHan = false;
};

} // namespace

void fixPunctuation(QStringView line, QString& out) {
    PunctuationPass(line, out).run();
}

void addLatinSpaces(QStringView line, QString& out) {
    out.resize(0);
    const qsizetype size = line.size();
    for (qsizetype i = 0; i < size; ++i) {
        out.append(line[i]);
        if (i + 1 == size)
            break;
        const bool hanThenLetter = isAsciiLetter(line[i + 1].unicode()) && isHanAt(line, i);
        const bool letterThenHan = isAsciiLetter(line[i].unicode()) && isHanAt(line, i + 1);
        if (hanThenLetter || letterThenHan)
            out.append(u' ');
    }
}
