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

void SecondTimer::stop()
{
    m_timer.stop();
}

int SecondTimer::msToNext(qint64 msSinceEpoch, int stride)
{
    // Whole minutes of the epoch are whole minutes of the local time too
    // (time zones differ by whole minutes), so seconds within the minute can
    // be counted in UTC.
    const qint64 intoStride = msSinceEpoch % (qint64(stride) * 1000);
    return int(qint64(stride) * 1000 - intoStride) + kAfterFullSecondMs;
}

void SecondTimer::arm()
{
    m_timer.start(msToNext(QDateTime::currentMSecsSinceEpoch(), m_stride));
}
