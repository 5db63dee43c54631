#pragma once

#include <QDateTime>

namespace WallClock {

constexpr qint64 kSecsPerDay = 24 * 60 * 60;

// a / b rounded towards minus infinity (times before 1970 included).
constexpr qint64 floorDiv(qint64 a, qint64 b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The local date and time as written on a wall clock, in seconds. The two
// passes through the hour repeated at the end of daylight saving time give
// the same value.
qint64 second(const QDateTime &t);

} // namespace WallClock
