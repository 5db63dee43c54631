#include "watch/IcmpEchoProber.h"

#include "boxes/BoxAddress.h"
#include "boxes/NameLookup.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <algorithm>
#include <chrono>

IcmpEchoProber::IcmpEchoProber(QObject *parent)
    : EchoProber(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &IcmpEchoProber::endOverdue);
}

// Echoes under way end with it, unreported; a look-up is left to run out.
IcmpEchoProber::~IcmpEchoProber()
{
    for (Probe *p : std::as_const(m_probes)) {
        p->notifier.reset();
        IcmpEcho::finish(p->request);
        delete p;
    }
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
    if (box.verdict() != BoxAddress::Verdict::Usable) {
        report(id, IcmpEcho::probe(box)); // says why, sends nothing
        return;
    }
    auto *p = new Probe{IcmpEcho::send(box), nullptr};
    if (p->request.done) {
        report(id, p->request.result);
        delete p;
        return;
    }
    p->notifier = std::make_unique<QSocketNotifier>(p->request.fd, QSocketNotifier::Read);
    connect(p->notifier.get(), &QSocketNotifier::activated, this, [this, id] { readReply(id); });
    m_probes.insert(id, p);
    armDeadline();
}

void IcmpEchoProber::readReply(int id)
{
    Probe *p = m_probes.value(id);
    if (!p || !IcmpEcho::receive(p->request))
        return;
    m_probes.remove(id);
    p->notifier.reset();
    const EchoResult result = p->request.result;
    delete p;
    armDeadline();
    emit finished(id, result);
}

// Those past their time have no reply.
void IcmpEchoProber::endOverdue()
{
    const auto now = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(IcmpEcho::kTimeoutMs);
    QList<int> overdue;
    for (auto it = m_probes.cbegin(); it != m_probes.cend(); ++it)
        if (now - it.value()->request.sentAt >= limit)
            overdue << it.key();
    for (const int id : std::as_const(overdue)) {
        Probe *p = m_probes.take(id);
        p->notifier.reset();
        IcmpEcho::receive(p->request); // a reply that came just now still counts
        if (!p->request.done) {
            p->request.result.outcome = EchoResult::Outcome::NoReply;
            IcmpEcho::finish(p->request);
        }
        const EchoResult result = p->request.result;
        delete p;
        emit finished(id, result);
    }
    armDeadline();
}

// One timer for all echoes under way, set to the first one's end; none
// while nothing waits.
void IcmpEchoProber::armDeadline()
{
    if (m_probes.isEmpty()) {
        m_deadline.stop();
        return;
    }
    auto first = std::chrono::steady_clock::time_point::max();
    for (const Probe *p : std::as_const(m_probes))
        first = std::min(first, p->request.sentAt);
    const auto end = first + std::chrono::milliseconds(IcmpEcho::kTimeoutMs);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    m_deadline.start(int(std::max<qint64>(0, left.count()) + 1));
}

// Known at once, told later: finished() never comes inside probe().
void IcmpEchoProber::report(int id, const EchoResult &result)
{
    QMetaObject::invokeMethod(this, [this, id, result] { emit finished(id, result); }, Qt::QueuedConnection);
}
