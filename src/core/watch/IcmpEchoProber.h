#pragma once

#include "watch/EchoProber.h"

#include <QThreadPool>

class BoxAddress;

// The real prober: a box name is looked up by NameLookup (shared with the
// HTTP requests to that name), then each echo runs on a worker thread of its
// own, so all probes of a tick run at the same time and the user-interface
// thread only hands them over and takes the results.
class IcmpEchoProber : public EchoProber
{
    Q_OBJECT
public:
    explicit IcmpEchoProber(QObject *parent = nullptr);
    // Waits for echoes still under way (at most 200 ms), never for a look-up.
    ~IcmpEchoProber() override;

    void probe(int id, const QString &address) override;

private:
    void echo(int id, const BoxAddress &box);

    QThreadPool m_pool;
};
