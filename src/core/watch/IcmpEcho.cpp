#include "watch/IcmpEcho.h"

#include "boxes/BoxAddress.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/icmp6.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Outcome = EchoResult::Outcome;

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool isPermissionError(int error)
{
    return error == EACCES || error == EPERM;
}

// The network itself says that nobody is there: the box is off, not broken.
bool isUnreachableError(int error)
{
    return error == ENETUNREACH || error == EHOSTUNREACH || error == EHOSTDOWN || error == ECONNREFUSED;
}

bool fromTheBox(const IcmpEcho::Request &q, const sockaddr_storage &from)
{
    if (q.ipv6)
        return from.ss_family == AF_INET6
               && std::memcmp(&reinterpret_cast<const sockaddr_in6 *>(&from)->sin6_addr, &q.to6, sizeof q.to6) == 0;
    return from.ss_family == AF_INET && ntohl(reinterpret_cast<const sockaddr_in *>(&from)->sin_addr.s_addr) == q.ipv4;
}

// Process-wide, so that concurrent probes on raw sockets (which all see
// every echo reply of the host) can tell theirs apart.
std::atomic<quint16> g_sequence{0};

} // namespace

namespace IcmpEcho {

Request send(const BoxAddress &box)
{
    if (!box.isIpv6())
        return send(box.ipv4());
    Request q;
    q.ipv6 = true;
    q.to6 = box.address().toIPv6Address();
    q.result.resolvedAddress = box.address().toString();
    return sendPrepared(q);
}

Request send(quint32 ipv4)
{
    Request q;
    EchoResult &r = q.result;
    q.ipv4 = ipv4;
    r.resolvedAddress = QHostAddress(ipv4).toString();
    if (!BoxAddress::isUnicastHost(ipv4)) {
        r.outcome = Outcome::Refused;
        q.done = true;
        return q;
    }
    return sendPrepared(q);
}

Request sendPrepared(Request q)
{
    EchoResult &r = q.result;
    const int family = q.ipv6 ? AF_INET6 : AF_INET;
    const int protocol = q.ipv6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP);
    int fd = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
    r.socket = EchoResult::Socket::Ping;
    if (fd < 0) {
        const int pingError = errno;
        fd = ::socket(family, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
        r.socket = EchoResult::Socket::Raw;
        if (fd < 0) {
            const int rawError = errno;
            r.socket = EchoResult::Socket::None;
            r.outcome = isPermissionError(pingError) && isPermissionError(rawError) ? Outcome::IcmpNotAllowed
                                                                                    : Outcome::Failed;
            r.detail = QStringLiteral("Ping-Socket: %1; Raw-Socket: %2").arg(errorText(pingError), errorText(rawError));
            q.done = true;
            return q;
        }
    }
    q.fd = fd;
    q.raw = r.socket == EchoResult::Socket::Raw;

    // On a ping socket the kernel puts in its own identifier and hands back
    // only replies that carry it; on a raw socket ours must be checked.
    // ICMPv6's checksum covers the IP addresses: the kernel fills it in.
    q.identifier = quint16(::getpid());
    q.sequence = ++g_sequence;
    unsigned char packet[sizeof(icmphdr) + 5] = {};
    icmphdr header{};
    header.type = q.ipv6 ? ICMP6_ECHO_REQUEST : ICMP_ECHO;
    header.code = 0;
    header.un.echo.id = htons(q.identifier);
    header.un.echo.sequence = htons(q.sequence);
    std::memcpy(packet, &header, sizeof header);
    std::memcpy(packet + sizeof header, kPayload.constData(), size_t(kPayload.size()));
    if (!q.ipv6) {
        const quint16 sum = checksum(packet, sizeof packet);
        packet[2] = quint8(sum >> 8);
        packet[3] = quint8(sum & 0xFF);
    }

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(q.ipv4);
    sockaddr_in6 to6{};
    to6.sin6_family = AF_INET6;
    std::memcpy(&to6.sin6_addr, &q.to6, sizeof to6.sin6_addr);
    const sockaddr *target = q.ipv6 ? reinterpret_cast<const sockaddr *>(&to6) : reinterpret_cast<const sockaddr *>(&to);
    const socklen_t targetSize = q.ipv6 ? sizeof to6 : sizeof to;
    q.sentAt = std::chrono::steady_clock::now();
    if (::sendto(fd, packet, sizeof packet, 0, target, targetSize) < 0) {
        const int error = errno;
        r.outcome = isUnreachableError(error) ? Outcome::NoReply : Outcome::Failed;
        r.detail = errorText(error);
        finish(q);
    }
    return q;
}

bool receive(Request &q)
{
    if (q.done)
        return true;
    EchoResult &r = q.result;
    unsigned char buffer[1500];
    for (;;) {
        sockaddr_storage from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n =
            ::recvfrom(q.fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (n < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (error == EAGAIN || error == EWOULDBLOCK)
                return false;
            r.outcome = isUnreachableError(error) ? Outcome::NoReply : Outcome::Failed;
            r.detail = errorText(error);
            finish(q);
            return true;
        }
        if (!fromTheBox(q, from))
            continue; // a reply of another host, seen by a raw socket
        const unsigned char *icmp = buffer;
        size_t icmpSize = size_t(n);
        if (q.raw && !q.ipv6) { // an ICMPv6 raw socket hands over no IP header
            if (icmpSize < sizeof(iphdr))
                continue;
            const size_t ipHeaderSize = size_t(buffer[0] & 0x0F) * 4;
            if (ipHeaderSize < sizeof(iphdr) || icmpSize < ipHeaderSize)
                continue;
            icmp += ipHeaderSize;
            icmpSize -= ipHeaderSize;
        }
        if (icmpSize < sizeof(icmphdr))
            continue;
        icmphdr reply;
        std::memcpy(&reply, icmp, sizeof reply);
        // A raw socket on loopback also sees our own request (type 8).
        if (reply.type != (q.ipv6 ? ICMP6_ECHO_REPLY : ICMP_ECHOREPLY) || ntohs(reply.un.echo.sequence) != q.sequence)
            continue;
        if (q.raw && ntohs(reply.un.echo.id) != q.identifier)
            continue;
        r.outcome = Outcome::Reply;
        r.roundTripMs = int(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - q.sentAt).count());
        finish(q);
        return true;
    }
}

void finish(Request &q)
{
    q.done = true;
    if (q.fd >= 0)
        ::close(q.fd);
    q.fd = -1;
}

EchoResult echo(quint32 ipv4, int timeoutMs)
{
    return waitFor(send(ipv4), timeoutMs);
}

EchoResult waitFor(Request q, int timeoutMs)
{
    const auto deadline = q.sentAt + std::chrono::milliseconds(timeoutMs);
    while (!receive(q)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            q.result.outcome = Outcome::NoReply;
            finish(q);
            break;
        }
        pollfd p{q.fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) < 0 && errno != EINTR) {
            q.result.outcome = Outcome::Failed;
            q.result.detail = errorText(errno);
            finish(q);
        }
    }
    return q.result;
}

EchoResult probe(const QString &address, int timeoutMs)
{
    return probe(BoxAddress::resolve(address), timeoutMs);
}

EchoResult probe(const BoxAddress &box, int timeoutMs)
{
    switch (box.verdict()) {
    case BoxAddress::Verdict::Usable:
        return box.isIpv6() ? waitFor(send(box), timeoutMs) : echo(box.ipv4(), timeoutMs);
    case BoxAddress::Verdict::Empty:
        return EchoResult::of(Outcome::NoAddress);
    case BoxAddress::Verdict::Refused: {
        EchoResult r = EchoResult::of(Outcome::Refused, box.reason());
        r.resolvedAddress = box.dotted();
        return r;
    }
    case BoxAddress::Verdict::NotAnAddress:
    case BoxAddress::Verdict::Unresolved:
        break;
    }
    return EchoResult::of(Outcome::Unresolved, box.reason());
}

quint16 checksum(const unsigned char *data, size_t size)
{
    quint32 sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2)
        sum += quint32(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += quint32(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

} // namespace IcmpEcho
