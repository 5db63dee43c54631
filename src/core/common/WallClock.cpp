#include "common/WallClock.h"

qint64 WallClock::second(const QDateTime &t)
{
    return t.date().toJulianDay() * kSecsPerDay + t.time().msecsSinceStartOfDay() / 1000;
}
