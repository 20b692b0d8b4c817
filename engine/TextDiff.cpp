#include "TextDiff.h"

#include <algorithm>
#include <vector>

namespace {

using Edit = TextDiff::Edit;
using Op = TextDiff::Op;

// Beyond this many differing lines the search stops and the whole middle counts as replaced: its
// memory grows with the square of the differences.
constexpr qsizetype MaxSearch = 2000;

QList<Edit> replaceAll(qsizetype n, qsizetype m) {
    QList<Edit> edits;
    for (qsizetype i = 0; i < n; ++i)
        edits.append({Op::Delete, i, 0});
    for (qsizetype j = 0; j < m; ++j)
        edits.append({Op::Insert, n, j});
    return edits;
}

// Myers' O((N+M)D) greedy search; each round's frontier (diagonals -d..d) is kept to walk back.
QList<Edit> shortestEdits(const QStringList& a, const QStringList& b) {
    const qsizetype n = a.size();
    const qsizetype m = b.size();
    const qsizetype limit = std::min(n + m, MaxSearch);
    const qsizetype offset = limit + 1;
    std::vector<qsizetype> v(size_t(2 * limit + 3), 0);
    std::vector<std::vector<qsizetype>> trace;
    auto at = [&](const std::vector<qsizetype>& round, qsizetype e, qsizetype k) {
        return round[size_t(k + e)];
    };
    for (qsizetype d = 0; d <= limit; ++d) {
        trace.emplace_back(v.begin() + (offset - d), v.begin() + (offset + d + 1));
        for (qsizetype k = -d; k <= d; k += 2) {
            qsizetype x = (k == -d || (k != d && v[size_t(offset + k - 1)] < v[size_t(offset + k + 1)]))
                              ? v[size_t(offset + k + 1)]
                              : v[size_t(offset + k - 1)] + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a.at(x) == b.at(y)) {
                ++x;
                ++y;
            }
            v[size_t(offset + k)] = x;
            if (x < n || y < m)
                continue;
            QList<Edit> edits;
            qsizetype cx = n;
            qsizetype cy = m;
            for (qsizetype e = d; e > 0; --e) {
                const std::vector<qsizetype>& prev = trace[size_t(e)];
                const qsizetype ck = cx - cy;
                const bool down = ck == -e || (ck != e && at(prev, e, ck - 1) < at(prev, e, ck + 1));
                const qsizetype pk = down ? ck + 1 : ck - 1;
                const qsizetype px = at(prev, e, pk);
                const qsizetype startX = down ? px : px + 1;
                while (cx > startX) {
                    --cx;
                    --cy;
                    edits.append({Op::Keep, cx, cy});
                }
                if (down)
                    edits.append({Op::Insert, cx, --cy});
                else
                    edits.append({Op::Delete, --cx, cy});
            }
            while (cx > 0 && cy > 0) {
                --cx;
                --cy;
                edits.append({Op::Keep, cx, cy});
            }
            std::reverse(edits.begin(), edits.end());
            return edits;
        }
    }
    return replaceAll(n, m);
}

QString rangeText(qsizetype start, qsizetype count) {
    // An empty range names the line before it, as diff does.
    if (count == 0)
        return QString::number(start) + QStringLiteral(",0");
    if (count == 1)
        return QString::number(start + 1);
    return QString::number(start + 1) + u',' + QString::number(count);
}

} // namespace

TextDiff::TextDiff(const QStringList& oldLines, const QStringList& newLines) : m_old(oldLines), m_new(newLines) {
    // The common beginning and end need no search; only the middle goes through Myers.
    qsizetype head = 0;
    while (head < m_old.size() && head < m_new.size() && m_old.at(head) == m_new.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < m_old.size() - head && tail < m_new.size() - head &&
           m_old.at(m_old.size() - 1 - tail) == m_new.at(m_new.size() - 1 - tail))
        ++tail;
    for (qsizetype i = 0; i < head; ++i)
        m_edits.append({Op::Keep, i, i});
    const QStringList middleOld = m_old.mid(head, m_old.size() - head - tail);
    const QStringList middleNew = m_new.mid(head, m_new.size() - head - tail);
    for (Edit edit : shortestEdits(middleOld, middleNew)) {
        edit.oldLine += head;
        edit.newLine += head;
        m_edits.append(edit);
    }
    for (qsizetype i = 0; i < tail; ++i)
        m_edits.append({Op::Keep, m_old.size() - tail + i, m_new.size() - tail + i});

    // Each run of deletions and insertions pairs its lines in order; a pair counts as one changed line.
    for (qsizetype i = 0; i < m_edits.size();) {
        if (m_edits.at(i).op == Op::Keep) {
            ++i;
            continue;
        }
        QStringList deleted;
        QStringList inserted;
        for (; i < m_edits.size() && m_edits.at(i).op != Op::Keep; ++i) {
            const Edit& edit = m_edits.at(i);
            if (edit.op == Op::Delete)
                deleted.append(m_old.at(edit.oldLine));
            else
                inserted.append(m_new.at(edit.newLine));
        }
        m_changedLines += std::max(deleted.size(), inserted.size());
        for (qsizetype j = 0; j < std::max(deleted.size(), inserted.size()); ++j) {
            const QString a = j < deleted.size() ? deleted.at(j) : QString();
            const QString b = j < inserted.size() ? inserted.at(j) : QString();
            qsizetype prefix = 0;
            qsizetype suffix = 0;
            commonEnds(a, b, prefix, suffix);
            m_changedCharacters += std::max(a.size(), b.size()) - prefix - suffix;
        }
    }
}

void TextDiff::commonEnds(const QString& a, const QString& b, qsizetype& prefix, qsizetype& suffix) {
    prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a.at(prefix) == b.at(prefix))
        ++prefix;
    suffix = 0;
    while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
           a.at(a.size() - 1 - suffix) == b.at(b.size() - 1 - suffix))
        ++suffix;
}

QString TextDiff::unified(const QString& oldLabel, const QString& newLabel, int context) const {
    if (isEmpty())
        return QString();
    QList<qsizetype> changes;
    for (qsizetype i = 0; i < m_edits.size(); ++i) {
        if (m_edits.at(i).op != Op::Keep)
            changes.append(i);
    }
    QString out = QStringLiteral("--- ") + oldLabel + QStringLiteral("\n+++ ") + newLabel + u'\n';
    for (qsizetype c = 0; c < changes.size();) {
        // One hunk: changes closer than 2 * context kept lines share it, with context lines around.
        qsizetype last = c;
        while (last + 1 < changes.size() && changes.at(last + 1) - changes.at(last) - 1 <= 2 * context)
            ++last;
        const qsizetype start = std::max<qsizetype>(0, changes.at(c) - context);
        const qsizetype end = std::min(m_edits.size(), changes.at(last) + context + 1);
        qsizetype oldCount = 0;
        qsizetype newCount = 0;
        QString body;
        for (qsizetype j = start; j < end; ++j) {
            const Edit& edit = m_edits.at(j);
            if (edit.op == Op::Keep) {
                body += u' ' + m_old.at(edit.oldLine) + u'\n';
                ++oldCount;
                ++newCount;
            } else if (edit.op == Op::Delete) {
                body += u'-' + m_old.at(edit.oldLine) + u'\n';
                ++oldCount;
            } else {
                body += u'+' + m_new.at(edit.newLine) + u'\n';
                ++newCount;
            }
        }
        const Edit& first = m_edits.at(start);
        out += QStringLiteral("@@ -") + rangeText(first.oldLine, oldCount) + QStringLiteral(" +") +
               rangeText(first.newLine, newCount) + QStringLiteral(" @@\n") + body;
        c = last + 1;
    }
    return out;
}
