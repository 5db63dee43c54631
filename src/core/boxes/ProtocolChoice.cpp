#include "boxes/ProtocolChoice.h"

BoxProtocol &ProtocolChoice::protocolFor(const QString &address)
{
    if (m_known.value(address).enigma2)
        return m_enigma2;
    return m_nhttpd;
}

QList<BoxProtocol *> ProtocolChoice::identityOrder(const QString &address)
{
    if (m_known.value(address).enigma2)
        return {&m_enigma2, &m_nhttpd};
    return {&m_nhttpd, &m_enigma2};
}

bool ProtocolChoice::identified(const QString &address, const BoxProtocol &asked, const AnswerMeaning &meaning,
                                int status)
{
    if (status <= 0)
        return true; // a box that is off has not changed its kind
    const bool enigma2 = &asked == &m_enigma2;
    if (meaning.verdict != AnswerMeaning::Verdict::NotThisKind) {
        m_known[address] = {enigma2, true};
        return true;
    }
    if (enigma2 && m_known.contains(address))
        m_known[address].enigma2 = false;
    return false;
}

void ProtocolChoice::recognisedNone(const QString &address)
{
    m_known[address] = {false, true};
}

void ProtocolChoice::forget(const QString &address)
{
    m_known.remove(address);
    m_nhttpd.forget(address);
    m_enigma2.forget(address);
}

QString ProtocolChoice::kindOf(const QString &address) const
{
    return m_known.value(address).enigma2 ? m_enigma2.kindName() : QString();
}

void ProtocolChoice::setLogins(const QHash<QString, Login> &logins)
{
    if (logins == m_logins)
        return;
    for (auto it = m_logins.cbegin(); it != m_logins.cend(); ++it)
        if (!logins.contains(it.key()))
            m_enigma2.setCredentials(it.key(), QString(), QString());
    for (auto it = logins.cbegin(); it != logins.cend(); ++it)
        m_enigma2.setCredentials(it.key(), it->user, it->password);
    m_logins = logins;
}

void ProtocolChoice::setDisplayTimes(std::optional<int> popupSeconds, std::optional<int> messageSeconds)
{
    m_nhttpd.setDisplayTimes(popupSeconds, messageSeconds);
    m_enigma2.setDisplayTimes(popupSeconds, messageSeconds);
}
