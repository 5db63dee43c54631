#pragma once

#include "watch/EchoResult.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <chrono>

class BoxAddress;

// One ICMP echo request and its reply: sent, then read when the socket
// has something (IcmpEchoProber, on the user-interface thread, without
// waiting), or waited for (echo(), blocking: tests and tools only).
//
// A Linux ping socket (SOCK_DGRAM, IPPROTO_ICMP; IPPROTO_ICMPV6 for an
// IPv6 box) is used where net.ipv4.ping_group_range allows it, else a raw
// socket (needs CAP_NET_RAW). Packets go only to addresses BoxAddress calls a unicast host:
// another host could answer elsewhere and make a box look switched on.
namespace IcmpEcho {

constexpr int kTimeoutMs = 200;
inline const QByteArray kPayload = QByteArrayLiteral("hallo");

// Turns the address text into an IPv4 address by BoxAddress's rule (a name
// is looked up here) and sends one echo to it. Blocks for the look-up plus
// at most timeoutMs.
EchoResult probe(const QString &address, int timeoutMs = kTimeoutMs);

// The same for an address already read (and, for a name, looked up).
EchoResult probe(const BoxAddress &box, int timeoutMs = kTimeoutMs);

// One echo under way.
struct Request {
    int fd = -1; // non-blocking; closed when done
    bool raw = false;
    quint32 ipv4 = 0;
    bool ipv6 = false;    // an ICMPv6 echo to to6
    Q_IPV6ADDR to6 = {};
    quint16 identifier = 0;
    quint16 sequence = 0;
    std::chrono::steady_clock::time_point sentAt;
    bool done = false;
    EchoResult result; // the end, once done
};

// Opens a socket and sends one echo to ipv4 (host byte order); done at once
// when it cannot be sent.
Request send(quint32 ipv4);
// The same to a box's address, IPv4 or IPv6 (ICMPv6 echo).
Request send(const BoxAddress &box);
// Opens the socket for q, whose address is set, and sends its echo.
Request sendPrepared(Request q);
// Reads what has arrived, without waiting; true when the request is done
// (its reply, or an error). Replies of other requests are passed over.
bool receive(Request &request);
// Ends it: the socket is closed (result as it stands).
void finish(Request &request);

// One echo to ipv4 (host byte order), waiting for the reply.
EchoResult echo(quint32 ipv4, int timeoutMs = kTimeoutMs);
// Waits for the reply to q, at most timeoutMs.
EchoResult waitFor(Request q, int timeoutMs = kTimeoutMs);

// The ones' complement sum of an ICMP header and its data (RFC 1071).
quint16 checksum(const unsigned char *data, size_t size);

} // namespace IcmpEcho
