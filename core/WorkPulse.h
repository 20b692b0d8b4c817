#pragma once

#include "ProgressSink.h"

#include <QElapsedTimer>

// Keeps a batch responsive inside one long piece of work (a large file). The work loop calls beat()
// with how far it got, as often as it likes; at most every sink.pulseIntervalMs() the pulse moves
// the bar within the piece's share of the batch (fromPercent to toPercent, by the share done) and
// lets the window's pending events run. beat() gives false once a stop was asked for: the loop then
// leaves its work undone at that point.
class WorkPulse {
public:
    WorkPulse(ProgressSink& sink, int fromPercent, int toPercent);

    // `done` of `total` (bytes, say); a `total` of 0 or less runs events without moving the bar.
    bool beat(qint64 done, qint64 total) {
        // The clock is read once every few calls: lines are short and many.
        if (++m_calls < CallsPerLook && done >= m_lookedAt && done - m_lookedAt < BytesPerLook)
            return !m_stopped;
        return look(done, total);
    }
    bool stopped() const { return m_stopped; }

private:
    static constexpr int CallsPerLook = 16;
    static constexpr qint64 BytesPerLook = 1 << 20;

    bool look(qint64 done, qint64 total);

    ProgressSink& m_sink;
    int m_from;
    int m_to;
    int m_intervalMs;
    int m_calls = 0;
    qint64 m_lookedAt = 0;
    int m_shownPercent = -1;
    bool m_stopped = false;
    QElapsedTimer m_sinceEvents;
};
