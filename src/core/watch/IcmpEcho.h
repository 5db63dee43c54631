#pragma once

#include "watch/EchoResult.h"

#include <QByteArray>
#include <QString>

class BoxAddress;

// One ICMP echo request and the wait for its reply, blocking: for worker
// threads, never for the user-interface thread.
//
// A Linux ping socket (SOCK_DGRAM, IPPROTO_ICMP) is used where
// net.ipv4.ping_group_range allows it, else a raw socket (needs
// CAP_NET_RAW). Packets go only to addresses BoxAddress calls a unicast host:
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

// One echo to ipv4 (host byte order).
EchoResult echo(quint32 ipv4, int timeoutMs = kTimeoutMs);

// The ones' complement sum of an ICMP header and its data (RFC 1071).
quint16 checksum(const unsigned char *data, size_t size);

} // namespace IcmpEcho
