#pragma once

#include "ByteSearcher.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>

// Replaces every match of a searcher in a stream of bytes, fed in pieces of any size, left to right;
// the search resumes right behind each match, so a replacement that contains the needle never
// loops. The pieces given to the output are views into the fed bytes wherever possible: only the
// last needle-length-minus-one bytes of a piece, which may begin a match that the next piece
// completes, are held back and copied. The result does not depend on where the stream is cut.
class ByteReplacer {
public:
    using Output = std::function<void(QByteArrayView)>;

    ByteReplacer(const ByteSearcher& searcher, QByteArrayView replacement, Output out);

    // Byte strings whose presence anywhere in the stream trips the replacer (tripped()): texts the
    // byte search cannot judge, such as ByteSearcher::foldsToAsciiUtf8(). Each is at most 4 bytes.
    void setTripwires(const QList<QByteArray>& tripwires) { m_tripwires = tripwires; }

    void feed(QByteArrayView bytes);
    // Gives out what was held back; call it once after the last piece.
    void finish();

    qsizetype replacements() const { return m_count; }
    bool tripped() const { return m_tripped; }

private:
    void scan(QByteArrayView data, qsizetype from);
    void put(QByteArrayView bytes);
    void checkTripwires(QByteArrayView bytes);

    const ByteSearcher& m_searcher;
    QByteArray m_replacement;
    Output m_out;
    QByteArray m_held;
    qsizetype m_count = 0;
    QList<QByteArray> m_tripwires;
    QByteArray m_lastBytes; // the stream's last 3 bytes so far, for tripwires cut between pieces
    bool m_tripped = false;
};
