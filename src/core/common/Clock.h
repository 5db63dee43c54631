#pragma once

#include <QDateTime>

// Where the program reads the time of day. Injected, so that a reminder at
// 07:25:00 or a daylight saving night can be tested without waiting for it.
class Clock
{
public:
    virtual ~Clock();
    virtual QDateTime now() const = 0; // local time, system time zone
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};
