#include "engine/SecondTimer.h"

#include <QDateTime>

namespace {
constexpr int kAfterFullSecondMs = 5;
}

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

void SecondTimer::arm()
{
    const qint64 ms = QDateTime::currentMSecsSinceEpoch() % 1000;
    m_timer.start(int(1000 - ms) + kAfterFullSecondMs);
}
