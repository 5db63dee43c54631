#include "watch/IcmpEcho.h"

#include "boxes/RequestTarget.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
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

QString dotted(quint32 ipv4)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(ipv4 >> 24)
        .arg((ipv4 >> 16) & 0xFF)
        .arg((ipv4 >> 8) & 0xFF)
        .arg(ipv4 & 0xFF);
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

class SocketGuard
{
public:
    explicit SocketGuard(int fd) : m_fd(fd) {}
    ~SocketGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SocketGuard(const SocketGuard &) = delete;
    SocketGuard &operator=(const SocketGuard &) = delete;

private:
    int m_fd;
};

// Process-wide, so that concurrent probes on raw sockets (which all see
// every echo reply of the host) can tell theirs apart.
std::atomic<quint16> g_sequence{0};

} // namespace

namespace IcmpEcho {

bool mayBeProbed(quint32 ipv4)
{
    const bool multicast = (ipv4 >> 28) == 0xE;
    return ipv4 != 0 && ipv4 != 0xFFFFFFFFu && !multicast;
}

EchoResult echo(quint32 ipv4, int timeoutMs)
{
    EchoResult r;
    r.resolvedAddress = dotted(ipv4);
    if (!mayBeProbed(ipv4)) {
        r.outcome = Outcome::Refused;
        return r;
    }

    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    r.socket = EchoResult::Socket::Ping;
    if (fd < 0) {
        const int pingError = errno;
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        r.socket = EchoResult::Socket::Raw;
        if (fd < 0) {
            const int rawError = errno;
            r.socket = EchoResult::Socket::None;
            r.outcome = isPermissionError(pingError) && isPermissionError(rawError) ? Outcome::IcmpNotAllowed
                                                                                    : Outcome::Failed;
            r.detail = QStringLiteral("Ping-Socket: %1; Raw-Socket: %2").arg(errorText(pingError), errorText(rawError));
            return r;
        }
    }
    const SocketGuard guard(fd);
    const bool raw = r.socket == EchoResult::Socket::Raw;

    // On a ping socket the kernel puts in its own identifier and hands back
    // only replies that carry it; on a raw socket ours must be checked.
    const quint16 identifier = quint16(::getpid());
    const quint16 sequence = ++g_sequence;
    unsigned char packet[sizeof(icmphdr) + 5] = {};
    icmphdr header{};
    header.type = ICMP_ECHO;
    header.code = 0;
    header.un.echo.id = htons(identifier);
    header.un.echo.sequence = htons(sequence);
    std::memcpy(packet, &header, sizeof header);
    std::memcpy(packet + sizeof header, kPayload.constData(), size_t(kPayload.size()));
    const quint16 sum = checksum(packet, sizeof packet);
    packet[2] = quint8(sum >> 8);
    packet[3] = quint8(sum & 0xFF);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ipv4);

    using SteadyClock = std::chrono::steady_clock;
    const auto sentAt = SteadyClock::now();
    const auto deadline = sentAt + std::chrono::milliseconds(timeoutMs);
    if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0) {
        const int error = errno;
        r.outcome = isUnreachableError(error) ? Outcome::NoReply : Outcome::Failed;
        r.detail = errorText(error);
        return r;
    }

    unsigned char buffer[1500];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0) {
            r.outcome = Outcome::NoReply;
            return r;
        }
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            r.outcome = Outcome::Failed;
            r.detail = errorText(errno);
            return r;
        }
        if (ready == 0)
            continue; // the deadline check above ends the wait

        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n =
            ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (n < 0) {
            const int error = errno;
            if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)
                continue;
            r.outcome = isUnreachableError(error) ? Outcome::NoReply : Outcome::Failed;
            r.detail = errorText(error);
            return r;
        }
        if (from.sin_addr.s_addr != to.sin_addr.s_addr)
            continue; // a reply of another host, seen by a raw socket
        const unsigned char *icmp = buffer;
        size_t icmpSize = size_t(n);
        if (raw) {
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
        if (reply.type != ICMP_ECHOREPLY || ntohs(reply.un.echo.sequence) != sequence)
            continue;
        if (raw && ntohs(reply.un.echo.id) != identifier)
            continue;
        r.outcome = Outcome::Reply;
        r.roundTripMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - sentAt).count());
        return r;
    }
}

EchoResult probe(const QString &address, int timeoutMs)
{
    const QString text = address.trimmed();
    if (text.isEmpty())
        return EchoResult::of(Outcome::NoAddress);

    const QByteArray latin = text.toLatin1();
    in_addr parsed{};
    if (::inet_pton(AF_INET, latin.constData(), &parsed) == 1)
        return echo(ntohl(parsed.s_addr), timeoutMs);

    // Text that is neither a dotted address nor a host name ("300.1.1.1",
    // "box 1") is not looked up: it fails like a name that does not resolve.
    // Numbers with leading zeros ("10.077.0.2") are not looked up either:
    // the resolver would read them as octal and probe another host.
    bool digitsAndDots = true;
    for (const QChar c : text)
        digitsAndDots = digitsAndDots && (c.isDigit() || c == QLatin1Char('.'));
    if (digitsAndDots || RequestTarget::sendableHost(text).isEmpty())
        return EchoResult::of(Outcome::Unresolved, QStringLiteral("keine Adresse und kein Rechnername"));

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    const int error = ::getaddrinfo(latin.constData(), nullptr, &hints, &found);
    if (error != 0 || !found)
        return EchoResult::of(Outcome::Unresolved, QString::fromLocal8Bit(::gai_strerror(error)));
    const quint32 ipv4 = ntohl(reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return echo(ipv4, timeoutMs);
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
