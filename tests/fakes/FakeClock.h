#pragma once

#include "platform/Clock.h"

#include <QDateTime>
#include <utility>

// A clock that shows whatever time the test sets, and moves only when told to.
class FakeClock : public Clock {
public:
    explicit FakeClock(QDateTime time = QDateTime(QDate(2003, 7, 5), QTime(14, 5))) : m_time(std::move(time)) {}

    QDateTime now() const override { return m_time; }
    void set(const QDateTime& time) { m_time = time; }
    void advanceSeconds(qint64 seconds) { m_time = m_time.addSecs(seconds); }

private:
    QDateTime m_time;
};
