#include "WorkPulse.h"

#include <QString>

WorkPulse::WorkPulse(ProgressSink& sink, int fromPercent, int toPercent)
    : m_sink(sink), m_from(fromPercent), m_to(toPercent), m_intervalMs(sink.pulseIntervalMs()) {
    m_sinceEvents.start();
}

bool WorkPulse::look(qint64 done, qint64 total) {
    m_calls = 0;
    m_lookedAt = done;
    if (m_sinceEvents.elapsed() < m_intervalMs)
        return !m_stopped;
    if (total > 0 && m_to > m_from) {
        const int percent = m_from + int(qint64(m_to - m_from) * std::min(done, total) / total);
        if (percent >= 1 && percent != m_shownPercent) {
            m_sink.moveBar(percent);
            m_shownPercent = percent;
        }
    }
    m_sink.processEvents();
    m_stopped = m_sink.stopRequested();
    m_sinceEvents.restart();
    return !m_stopped;
}
