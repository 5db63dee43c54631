#include "engine/SingleInstance.h"

#include "engine/InstanceClient.h"
#include "engine/InstanceServer.h"
#include "common/Logging.h"

#include <cstdio>

SingleInstance::SingleInstance(const QDir &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_lock(folder)
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    return m_lock.tryLock();
}

int SingleInstance::handOver()
{
    const auto answer = InstanceClient::ask(m_lock.socketName(), InstanceRequest{}, 3000);
    const QString folder = QDir::toNativeSeparators(m_folder.absolutePath());
    const qint64 pid = m_lock.holderPid();
    QString text = QStringLiteral("zelvo: Zelvo läuft in diesem Ordner (%1) bereits").arg(folder);
    if (pid > 0)
        text += QStringLiteral(" als Prozess %1").arg(pid);
    if (!answer)
        text += QStringLiteral(" - es antwortet nicht, es wird kein zweites gestartet.\n");
    else if (answer->ok)
        text += QStringLiteral(" - sein Fenster wird gezeigt.\n");
    else
        text += QStringLiteral(" - es läuft ohne Fenster, es wird kein zweites gestartet.\n");
    std::fputs(text.toLocal8Bit().constData(), stderr);
    return 0;
}

bool SingleInstance::serve(Engine *engine, bool hasWindow)
{
    if (m_server)
        return true;
    m_server = new InstanceServer(engine, this);
    m_server->setHasWindow(hasWindow);
    connect(m_server, &InstanceServer::showWindowRequested, this, &SingleInstance::showWindowRequested);
    if (m_server->listen(m_lock.socketName()))
        return true;
    // The socket carries the messages of `zelvo send`.
    qCWarning(lcSend).noquote() << "der lokale Anschluss" << m_lock.socketName()
                         << "kann nicht geöffnet werden, zelvo send sendet ohne dieses Zelvo:" << m_server->errorString();
    return false;
}
