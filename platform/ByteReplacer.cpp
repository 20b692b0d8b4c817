#include "ByteReplacer.h"

#include <utility>

ByteReplacer::ByteReplacer(const ByteSearcher& searcher, QByteArrayView replacement, Output out)
    : m_searcher(searcher), m_replacement(replacement.toByteArray()), m_out(std::move(out)) {}

void ByteReplacer::put(QByteArrayView bytes) {
    if (!bytes.isEmpty())
        m_out(bytes);
}

void ByteReplacer::checkTripwires(QByteArrayView bytes) {
    if (m_tripwires.isEmpty() || m_tripped || bytes.isEmpty())
        return;
    QByteArray seam = m_lastBytes;
    seam.append(bytes.first(std::min<qsizetype>(3, bytes.size())));
    for (const QByteArray& wire : std::as_const(m_tripwires)) {
        if (seam.contains(wire) || bytes.contains(wire)) {
            m_tripped = true;
            return;
        }
    }
    m_lastBytes = seam.right(3);
}

// Replaces in `data` from `from` on and holds back the tail that may begin a match.
void ByteReplacer::scan(QByteArrayView data, qsizetype from) {
    const qsizetype m = m_searcher.size();
    for (qsizetype at; (at = m_searcher.indexIn(data, from)) >= 0; from = at + m) {
        put(data.sliced(from, at - from));
        put(m_replacement);
        ++m_count;
    }
    const qsizetype keep = std::min<qsizetype>(m - 1, data.size() - from);
    put(data.sliced(from, data.size() - from - keep));
    m_held = data.last(keep).toByteArray();
}

void ByteReplacer::feed(QByteArrayView bytes) {
    checkTripwires(bytes);
    const qsizetype m = m_searcher.size();
    if (m == 0) {
        put(bytes);
        return;
    }
    if (m_held.isEmpty()) {
        scan(bytes, 0);
        return;
    }
    if (bytes.size() < m) {
        QByteArray joined = std::exchange(m_held, {});
        joined.append(bytes);
        scan(joined, 0);
        return;
    }
    // Matches that begin in the held bytes end within the first m - 1 bytes of this piece.
    const qsizetype carry = m_held.size();
    QByteArray junction = std::exchange(m_held, {});
    junction.append(bytes.first(m - 1));
    qsizetype pos = 0;
    qsizetype skip = 0;
    for (;;) {
        const qsizetype at = m_searcher.indexIn(junction, pos);
        if (at < 0 || at >= carry) {
            put(QByteArrayView(junction).sliced(pos, carry - pos));
            break;
        }
        put(QByteArrayView(junction).sliced(pos, at - pos));
        put(m_replacement);
        ++m_count;
        pos = at + m;
        if (pos >= carry) {
            skip = pos - carry;
            break;
        }
    }
    scan(bytes, skip);
}

void ByteReplacer::finish() {
    put(std::exchange(m_held, {}));
}
