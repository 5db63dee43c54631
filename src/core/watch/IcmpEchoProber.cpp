#include "watch/IcmpEchoProber.h"

#include "watch/IcmpEcho.h"

#include <QMetaObject>

// Four boxes plus room for a slow name look-up that outlives its tick.
static constexpr int kWorkers = 8;

IcmpEchoProber::IcmpEchoProber(QObject *parent)
    : EchoProber(parent)
{
    m_pool.setMaxThreadCount(kWorkers);
    m_pool.setObjectName(QStringLiteral("IcmpEchoProber"));
}

IcmpEchoProber::~IcmpEchoProber()
{
    m_pool.clear(); // probes not yet begun are not begun any more
    m_pool.waitForDone();
}

void IcmpEchoProber::probe(int id, const QString &address)
{
    m_pool.start([this, id, address] {
        const EchoResult result = IcmpEcho::probe(address);
        // The destructor waits for this task, so `this` is alive here; the
        // queued call runs on the prober's thread.
        QMetaObject::invokeMethod(
            this, [this, id, result] { emit finished(id, result); }, Qt::QueuedConnection);
    });
}
