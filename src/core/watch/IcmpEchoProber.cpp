#include "watch/IcmpEchoProber.h"

#include "boxes/BoxAddress.h"
#include "boxes/NameLookup.h"
#include "watch/IcmpEcho.h"

#include <QMetaObject>

// Four boxes, each with at most one probe under way, and a spare.
static constexpr int kWorkers = 5;

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
    const BoxAddress box = BoxAddress::read(address);
    if (!box.needsLookup()) {
        echo(id, box);
        return;
    }
    auto *lookup = new NameLookup(address, this);
    connect(lookup, &NameLookup::resolved, this, [this, id, lookup](const BoxAddress &resolved) {
        lookup->deleteLater();
        echo(id, resolved);
    });
}

void IcmpEchoProber::echo(int id, const BoxAddress &box)
{
    m_pool.start([this, id, box] {
        const EchoResult result = IcmpEcho::probe(box);
        // The destructor waits for this task, so `this` is alive here; the
        // queued call runs on the prober's thread.
        QMetaObject::invokeMethod(
            this, [this, id, result] { emit finished(id, result); }, Qt::QueuedConnection);
    });
}
