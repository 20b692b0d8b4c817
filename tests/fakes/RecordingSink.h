#pragma once

#include "core/ProgressSink.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <ostream>

// Records every ReportProgress call as it was made, rows with an empty text (bar moves and the
// completion call) included, and counts the processEvents calls. A recorded row holds its outcome's
// mark key, as the window and the command line show it; resultRows() gives the rows as reported.
class RecordingSink : public ProgressSink {
public:
    struct Row {
        int percent = 0;
        QString text;
        QString status;
        QString reason;
        QString mark;

        bool operator==(const Row&) const = default;
        friend std::ostream& operator<<(std::ostream& out, const Row& row) {
            return out << "{" << row.percent << ", \"" << row.text.toStdString() << "\", \"" << row.status.toStdString()
                       << "\", \"" << row.reason.toStdString() << "\", \"" << row.mark.toStdString() << "\"}";
        }
    };

    void ReportProgress(int percent, const ResultRow& row) override {
        m_calls.append({percent, row.text, row.status, row.reason, row.markKey()});
        if (!row.text.isEmpty())
            m_resultRows.append(row);
    }
    void processEvents() override { ++m_processEventsCount; }
    bool stopRequested() const override { return m_stopAfter >= 0 && m_processEventsCount >= m_stopAfter; }
    int pulseIntervalMs() const override { return m_pulseIntervalMs; }

    // Inside a large file, the bar moves and events run at every chance instead of every 50 ms.
    void pulseAtEveryChance() { m_pulseIntervalMs = 0; }
    // The user asks to stop once events have run `count` times.
    void stopAfterEvents(int count) { m_stopAfter = count; }

    // Every call, in order.
    const QList<Row>& calls() const { return m_calls; }
    // Only the calls that add a line to the progress window (non-empty text).
    QList<Row> rows() const {
        QList<Row> result;
        for (const Row& row : m_calls) {
            if (!row.text.isEmpty())
                result.append(row);
        }
        return result;
    }
    QList<int> percents() const {
        QList<int> result;
        for (const Row& row : m_calls)
            result.append(row.percent);
        return result;
    }
    // The rows (non-empty text) as reported, with their outcomes and files.
    const QList<ResultRow>& resultRows() const { return m_resultRows; }
    int processEventsCount() const { return m_processEventsCount; }
    void clear() {
        m_calls.clear();
        m_resultRows.clear();
        m_processEventsCount = 0;
    }

private:
    QList<Row> m_calls;
    QList<ResultRow> m_resultRows;
    int m_processEventsCount = 0;
    int m_pulseIntervalMs = 50;
    int m_stopAfter = -1;
};
