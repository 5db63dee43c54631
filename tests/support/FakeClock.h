#pragma once

#include "common/Clock.h"

// A clock that shows whatever time the test sets, and stays there.
class FakeClock : public Clock
{
public:
    FakeClock() = default;
    explicit FakeClock(const QDateTime &t) : m_now(t) {}

    QDateTime now() const override { return m_now; }
    void set(const QDateTime &t) { m_now = t; }

private:
    QDateTime m_now;
};
