#include "boxes/BoxAddress.h"

#include "boxes/BoxList.h"
#include "common/SystemErrorText.h"

#include <QStringList>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

namespace {

constexpr int kMaxNameLength = 253;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isLetter(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// Four decimal numbers: *isQuad says whether the text has that shape at all,
// the result whether every part is at most 255.
bool readDecimalQuad(const QString &text, bool *isQuad, quint32 *value)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    *isQuad = parts.size() == 4;
    for (const QString &p : parts) {
        if (p.isEmpty())
            *isQuad = false;
        for (const QChar c : p)
            *isQuad = *isQuad && isDigit(c);
    }
    if (!*isQuad)
        return false;
    quint32 v = 0;
    for (const QString &p : parts) {
        int n = 0;
        for (const QChar c : p) {
            n = n * 10 + (c.unicode() - '0');
            if (n > 255)
                return false;
        }
        v = (v << 8) | quint32(n);
    }
    *value = v;
    return true;
}

// "host", "host:port", "[IPv6]", "[IPv6]:port" and a bare IPv6 address:
// the host and the port (0: none), or false and why the text is none of these.
bool splitPort(const QString &text, QString *host, quint16 *port, QString *why)
{
    QString portText;
    bool hasPort = false;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        const QString rest = close < 0 ? QString() : text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))) {
            *why = QStringLiteral("eine IPv6-Adresse steht in eckigen Klammern, der Port dahinter: [Adresse]:Port");
            return false;
        }
        *host = text.mid(1, close - 1);
        hasPort = !rest.isEmpty();
        portText = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        *host = text.section(QLatin1Char(':'), 0, 0);
        portText = text.section(QLatin1Char(':'), 1);
        hasPort = true;
    } else {
        *host = text; // no port, or a bare IPv6 address
    }
    *port = 0;
    if (!hasPort)
        return true;
    bool ok = !portText.isEmpty() && portText.size() <= 5;
    for (const QChar c : portText)
        ok = ok && isDigit(c);
    const int n = ok ? portText.toInt() : 0;
    if (n < 1 || n > 65535) {
        *why = QStringLiteral("Port \"%1\" ist keine Zahl von 1 bis 65535").arg(portText);
        return false;
    }
    *port = quint16(n);
    if (host->isEmpty()) {
        *why = QStringLiteral("vor dem Port fehlt die Adresse");
        return false;
    }
    return true;
}

} // namespace

BoxAddress BoxAddress::read(const QString &configured)
{
    BoxAddress a;
    a.m_text = configured.trimmed();
    if (a.m_text.isEmpty()) {
        a.refuse(Verdict::Empty, QStringLiteral("keine Adresse eingetragen"));
        return a;
    }
    if (a.m_text == BoxList::kUnconfigured) {
        a.refuse(Verdict::Refused, QStringLiteral("Box nicht eingerichtet (0.0.0.0)"));
        return a;
    }
    if (!splitPort(a.m_text, &a.m_host, &a.m_port, &a.m_reason)) {
        a.m_verdict = Verdict::NotAnAddress;
        return a;
    }
    if (a.m_text.startsWith(QLatin1Char('[')) || a.m_host.contains(QLatin1Char(':'))) {
        const QHostAddress v6(a.m_host);
        if (v6.protocol() != QAbstractSocket::IPv6Protocol)
            a.refuse(Verdict::NotAnAddress, QStringLiteral("\"%1\" ist keine IPv6-Adresse").arg(a.m_host));
        else
            a.takeIpv6(v6);
        return a;
    }
    bool isQuad = false;
    quint32 ipv4 = 0;
    if (readDecimalQuad(a.m_host, &isQuad, &ipv4)) {
        a.take(ipv4);
        return a;
    }
    if (isQuad) {
        a.refuse(Verdict::NotAnAddress, QStringLiteral("keine IPv4-Adresse: eine Zahl ist größer als 255"));
        return a;
    }
    bool nameCharacters = a.m_host.size() <= kMaxNameLength && !a.m_host.startsWith(QLatin1Char('-'))
                          && !a.m_host.startsWith(QLatin1Char('.')) && !a.m_host.contains(QLatin1String(".."));
    for (const QChar c : a.m_host)
        nameCharacters = nameCharacters && (isLetter(c) || isDigit(c) || c == QLatin1Char('-') || c == QLatin1Char('.'));
    if (!nameCharacters) {
        a.refuse(Verdict::NotAnAddress, QStringLiteral("weder IPv4-Adresse noch Rechnername"));
        return a;
    }
    a.m_verdict = Verdict::Unresolved;
    a.m_needsLookup = true;
    return a;
}

BoxAddress BoxAddress::resolve(const QString &configured)
{
    BoxAddress a = read(configured);
    if (!a.m_needsLookup)
        return a;
    a.m_needsLookup = false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const QByteArray name = a.m_host.toLatin1();
    const int error = ::getaddrinfo(name.constData(), nullptr, &hints, &found);
    if (error != 0 || !found) {
        a.refuse(Verdict::Unresolved,
                 QStringLiteral("Name nicht auflösbar (%1)").arg(SystemErrorText::ofLookup(error)));
        return a;
    }
    const quint32 ipv4 = ntohl(reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    a.take(ipv4);
    return a;
}

BoxAddress BoxAddress::lookupFailed(const QString &configured, const QString &reason)
{
    BoxAddress a = read(configured);
    a.m_needsLookup = false;
    a.refuse(Verdict::Unresolved, reason);
    return a;
}

QString BoxAddress::dotted() const
{
    return address().toString();
}

QString BoxAddress::urlHost() const
{
    return isIpv6() ? QLatin1Char('[') + m_host + QLatin1Char(']') : m_host;
}

bool BoxAddress::isUnicastHost(quint32 ipv4)
{
    const quint32 top = ipv4 >> 24;
    return top != 0 && top < 224;
}

void BoxAddress::take(quint32 ipv4)
{
    m_ipv4 = ipv4;
    const quint32 top = ipv4 >> 24;
    if (isUnicastHost(ipv4)) {
        m_verdict = Verdict::Usable;
        m_reason.clear();
    } else if (top == 0) {
        refuse(Verdict::Refused, QStringLiteral("%1 ist dieser Rechner selbst (0.0.0.0/8), keine Box").arg(dotted()));
    } else if (top < 240) {
        refuse(Verdict::Refused, QStringLiteral("%1 ist eine Multicast-Adresse, keine Box").arg(dotted()));
    } else {
        refuse(Verdict::Refused,
               QStringLiteral("%1 ist Broadcast oder reserviert (240.0.0.0/4), keine Box").arg(dotted()));
    }
}

void BoxAddress::takeIpv6(const QHostAddress &address)
{
    m_ipv6 = address;
    if (address.isNull() || address == QHostAddress(QHostAddress::AnyIPv6))
        refuse(Verdict::Refused, QStringLiteral("%1 ist dieser Rechner selbst, keine Box").arg(m_host));
    else if (address.isMulticast())
        refuse(Verdict::Refused, QStringLiteral("%1 ist eine Multicast-Adresse, keine Box").arg(m_host));
    else
        m_verdict = Verdict::Usable;
}

void BoxAddress::refuse(Verdict verdict, const QString &reason)
{
    m_verdict = verdict;
    m_reason = reason;
}
