#pragma once

#include <QDateTime>

// The wall clock, for the names of the hourly backup folders. Tests inject a clock that can jump.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};
