#pragma once

#include <QString>
#include <QStringList>

// A network namespace of the test process's own, so that real ICMP can run
// without touching the host: only lo, with the addresses the test puts on it.
// Child processes (the `ip` tool) share it. A mount namespace comes with it,
// so the test can put its own /etc/hosts in place.
class PrivateNetwork
{
public:
    // Call first in main(), before any thread exists. Returns an empty
    // string on success, else why there is no private network (not root,
    // no namespaces).
    static QString enter();
    static bool entered();

    // Runs `ip args...`; true when it succeeded.
    static bool ip(const QStringList &args);

    // lo up and a route for net (e.g. "10.77.0.0/24") onto lo, so that
    // addresses in it that are not put on lo never answer.
    static bool setUp(const QString &net);

    // Puts the file at path over /etc/hosts, for this process only.
    static bool useHostsFile(const QString &path);
    // The same for any system file (/etc/resolv.conf, /etc/nsswitch.conf).
    static bool useFile(const QString &path, const QString &systemFile);

    // Whether ping sockets may be opened (net.ipv4.ping_group_range is per
    // namespace).
    static bool setPingSocketsAllowed(bool allowed);
};
