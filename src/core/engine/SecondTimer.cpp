#include "engine/SecondTimer.h"

#include <QDateTime>

namespace {

// Just past the second, so that a timer a little early still reads it; a
// wake-up before it reads the second before, which has run, and the timer
// is armed again for the rest.
constexpr int kAfterFullSecondMs = 1;

} // namespace

SecondTimer::SecondTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        arm();
        emit timeout();
    });
}

void SecondTimer::start()
{
    arm();
}

void SecondTimer::setSeconds(const Seconds &seconds)
{
    m_seconds = seconds;
    if (m_timer.isActive())
        arm();
}

void SecondTimer::stop()
{
    m_timer.stop();
}

int SecondTimer::msToNext(qint64 msSinceEpoch, const Seconds &seconds)
{
    // Whole minutes of the epoch are whole minutes of the local time too
    // (time zones differ by whole minutes), so seconds within the minute can
    // be counted in UTC.
    const qint64 intoMinute = ((msSinceEpoch % 60000) + 60000) % 60000;
    const int second = int(intoMinute / 1000);
    const int intoSecond = int(intoMinute % 1000);
    for (int ahead = 1; ahead <= 60; ++ahead)
        if (seconds.none() || seconds.test(size_t((second + ahead) % 60)))
            return ahead * 1000 - intoSecond + kAfterFullSecondMs;
    return 60000 - intoSecond + kAfterFullSecondMs;
}

SecondTimer::Seconds SecondTimer::every(int stride, int from)
{
    Seconds seconds;
    for (int s = from; s < 60; s += stride)
        seconds.set(size_t(s));
    return seconds;
}

void SecondTimer::arm()
{
    m_timer.start(msToNext(QDateTime::currentMSecsSinceEpoch(), m_seconds));
}
