#include "PrivateNetwork.h"

#include <QFile>
#include <QProcess>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
bool g_entered = false;
}

QString PrivateNetwork::enter()
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root: only root can give a test a private network of its own");
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        return QStringLiteral("no private network: this system does not let the test have one (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    // Mounts made here must not reach the host.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return errno == EINVAL
            ? QStringLiteral("no private mount namespace: this system's / is not a mount point")
            : QStringLiteral("no private mount namespace: / cannot be made private (%1)")
                  .arg(QString::fromLocal8Bit(std::strerror(errno)));
    g_entered = true;
    return QString();
}

bool PrivateNetwork::entered()
{
    return g_entered;
}

bool PrivateNetwork::ip(const QStringList &args)
{
    // Guard: the tool must never change the host's network.
    if (!g_entered)
        return false;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("ip"), args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PrivateNetwork::setUp(const QString &net)
{
    return ip({"link", "set", "lo", "up"}) && ip({"route", "add", net, "dev", "lo"});
}

bool PrivateNetwork::useHostsFile(const QString &path)
{
    return useFile(path, QStringLiteral("/etc/hosts"));
}

bool PrivateNetwork::useFile(const QString &path, const QString &systemFile)
{
    if (!g_entered)
        return false;
    return ::mount(QFile::encodeName(path).constData(), QFile::encodeName(systemFile).constData(), nullptr, MS_BIND,
                   nullptr)
        == 0;
}

bool PrivateNetwork::setPingSocketsAllowed(bool allowed)
{
    if (!g_entered)
        return false;
    QFile f(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(allowed ? "0 2147483647\n" : "1 0\n") > 0;
}
