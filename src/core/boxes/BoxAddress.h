#pragma once

#include <QHostAddress>
#include <QString>

// The one rule for every box address Zelvo contacts (HTTP, echo probe,
// zelvo-check): what the configured text means and whether it may be used.
//
// Blanks around the text are dropped. A port may follow the host, for a box
// whose web interface is not on port 80: "host:port", "[IPv6]:port"; every
// web request then goes to that port, the echo probe to the host. Four
// dot-separated decimal numbers are read as decimal whatever their leading
// zeros ("192.168.000.010" is .10). An IPv6 address is written in brackets
// (bare when no port follows). Any other text made of letters, digits, '-'
// and '.' goes through the system resolver for IPv4 (so "127.1",
// "2130706433" and "0x0" are read as getaddrinfo reads them). The resulting
// address must be a unicast host: 0.0.0.0/8 (this machine), 224.0.0.0/4
// (multicast) and 240.0.0.0/4 (reserved, with 255.255.255.255) are refused,
// and so are IPv6's unspecified and multicast addresses. Loopback is allowed.
class BoxAddress
{
public:
    enum class Verdict {
        Usable,
        Empty,        // nothing configured
        NotAnAddress, // neither an IPv4 address nor a host name
        Unresolved,   // a name the resolver does not know
        Refused,      // resolved, but not a unicast host
    };

    // Reads text without the resolver; a name stays NeedsLookup.
    static BoxAddress read(const QString &configured);
    // read() and, for a name, getaddrinfo: blocks, never on the UI thread.
    static BoxAddress resolve(const QString &configured);
    // A name whose look-up could not even be begun, and why.
    static BoxAddress lookupFailed(const QString &configured, const QString &reason);

    // Whether the text needs the (possibly slow) resolver.
    bool needsLookup() const { return m_needsLookup; }

    Verdict verdict() const { return m_verdict; }
    bool usable() const { return m_verdict == Verdict::Usable; }
    QString text() const { return m_text; }        // as configured, trimmed
    QString host() const { return m_host; }        // the text without its port and brackets
    quint16 port() const { return m_port; }        // 0 when the text names none
    bool isIpv6() const { return !m_ipv6.isNull(); }
    quint32 ipv4() const { return m_ipv4; }        // host byte order, once known; 0 for IPv6
    QHostAddress address() const { return isIpv6() ? m_ipv6 : QHostAddress(m_ipv4); }
    // How the host is written in a URL or Host header: IPv6 in brackets.
    QString urlHost() const;
    QString dotted() const;
    QString reason() const { return m_reason; } // German: why it is not usable

    // False for 0.0.0.0/8, multicast and 240.0.0.0/4.
    static bool isUnicastHost(quint32 ipv4);

private:
    void take(quint32 ipv4);
    void takeIpv6(const QHostAddress &address);
    void refuse(Verdict verdict, const QString &reason);

    Verdict m_verdict = Verdict::Empty;
    bool m_needsLookup = false;
    QString m_text;
    QString m_host;
    quint16 m_port = 0;
    quint32 m_ipv4 = 0;
    QHostAddress m_ipv6;
    QString m_reason;
};
