#include "PrivateBench.h"

#include "PrivateNetwork.h"

#include <QFile>

QString PrivateBench::enter()
{
    return PrivateNetwork::enter();
}

QString PrivateBench::setUp(const QString &whyNoNamespace)
{
    if (!whyNoNamespace.isEmpty())
        return whyNoNamespace;
    // Ping sockets are closed in a new namespace until allowed.
    if (!PrivateNetwork::ip({QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")})
        || !PrivateNetwork::setPingSocketsAllowed(true))
        return QStringLiteral("the private network could not be set up");
    if (!m_runtime.isValid())
        return QStringLiteral("no runtime folder");
    QFile::setPermissions(m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    return {};
}
