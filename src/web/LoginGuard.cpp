#include "web/LoginGuard.h"

#include "common/Logging.h"

bool LoginGuard::isBlocked(const QString &address, qint64 nowMs) const
{
    const auto it = m_addresses.constFind(address);
    return it != m_addresses.cend() && it->blockedUntil > nowMs;
}

void LoginGuard::failed(const QString &address, qint64 nowMs)
{
    if (!m_addresses.contains(address) && m_addresses.size() >= kMaxAddresses)
        forgetStalest(nowMs);
    Tries &tries = m_addresses[address];
    tries.last = nowMs;
    while (!tries.wrongAt.isEmpty() && tries.wrongAt.first() <= nowMs - kWindowMs)
        tries.wrongAt.removeFirst();
    tries.wrongAt << nowMs;
    if (tries.wrongAt.size() >= kTries && tries.blockedUntil <= nowMs) {
        tries.blockedUntil = nowMs + kBlockMs;
        tries.wrongAt.clear();
        qCWarning(lcWeb).noquote() << QStringLiteral("%1 falsche Passwörter von %2 in einer Minute: "
                                                     "diese Adresse wird %3 s lang abgewiesen")
                                          .arg(kTries)
                                          .arg(address)
                                          .arg(kBlockMs / 1000);
    }
}

void LoginGuard::forgetStalest(qint64 nowMs)
{
    // Those no longer blocked and out of the window first; else the stalest.
    for (auto it = m_addresses.begin(); it != m_addresses.end();)
        it = it->blockedUntil <= nowMs && it->last <= nowMs - kWindowMs ? m_addresses.erase(it) : std::next(it);
    if (m_addresses.size() < kMaxAddresses)
        return;
    auto stalest = m_addresses.begin();
    for (auto it = m_addresses.begin(); it != m_addresses.end(); ++it)
        if (it->last < stalest->last)
            stalest = it;
    m_addresses.erase(stalest);
}
