#pragma once

#include "watch/EchoProber.h"

#include <QThreadPool>

// The real prober: each probe (name look-up included) runs on a worker
// thread of its own, so all probes of a tick run at the same time and the
// user-interface thread only hands them over and takes the results.
class IcmpEchoProber : public EchoProber
{
    Q_OBJECT
public:
    explicit IcmpEchoProber(QObject *parent = nullptr);
    // Waits for probes still under way (at most their look-up plus 200 ms).
    ~IcmpEchoProber() override;

    void probe(int id, const QString &address) override;

private:
    QThreadPool m_pool;
};
