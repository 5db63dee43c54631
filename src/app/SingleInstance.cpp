#include "app/SingleInstance.h"

#include "app/InstanceClient.h"
#include "app/InstanceServer.h"
#include "common/Logging.h"

#include <QThread>

#include <cstdio>

namespace {
// How long a second start waits for the running Zelvo's answer, and then,
// without one, for a Zelvo that is just ending to let go of the lock.
constexpr int kAnswerWaitMs = 3000;
constexpr int kEndingWaitMs = 3000;
} // namespace

SingleInstance::SingleInstance(const QDir &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_lock(folder)
{
}

SingleInstance::~SingleInstance()
{
    release();
}

bool SingleInstance::claim()
{
    m_state = m_lock.tryLock();
    if (m_state != InstanceLock::State::Held)
        return m_state == InstanceLock::State::Taken;
    m_answer = InstanceClient::ask(m_lock.socketName(), InstanceRequest{}, kAnswerWaitMs);
    // No answer: the holder may be closing down (its socket goes first).
    for (int waited = 0; !m_answer && m_state == InstanceLock::State::Held && waited < kEndingWaitMs; waited += 100) {
        QThread::msleep(100);
        m_state = m_lock.tryLock();
    }
    return m_state == InstanceLock::State::Taken;
}

void SingleInstance::release()
{
    m_lock.release();
}

int SingleInstance::handOver()
{
    if (m_state == InstanceLock::State::Failed) {
        std::fprintf(stderr, "zelvo: Zelvo kann in diesem Ordner nicht starten: %s.\n",
                     m_lock.error().toLocal8Bit().constData());
        return 1;
    }
    const QString folder = QDir::toNativeSeparators(m_folder.absolutePath());
    const qint64 pid = m_lock.holderPid();
    QString text = QStringLiteral("zelvo: Zelvo läuft in diesem Ordner (%1) bereits").arg(folder);
    if (pid > 0)
        text += QStringLiteral(" als Prozess %1").arg(pid);
    if (!m_answer)
        text += QStringLiteral(" - es antwortet nicht, es wird kein zweites gestartet.\n");
    else if (m_answer->ok)
        text += QStringLiteral(" - sein Fenster wird gezeigt.\n");
    else
        text += QStringLiteral(" - es läuft ohne Fenster, es wird kein zweites gestartet.\n");
    std::fputs(text.toLocal8Bit().constData(), stderr);
    return 0;
}

std::unique_ptr<InstanceServer> SingleInstance::serve(Engine *engine, bool hasWindow)
{
    auto server = std::make_unique<InstanceServer>(engine);
    server->setHasWindow(hasWindow);
    connect(server.get(), &InstanceServer::showWindowRequested, this, &SingleInstance::showWindowRequested);
    if (!server->listen(m_lock.socketName())) {
        // The socket carries the messages of `zelvo send`.
        qCWarning(lcSend).noquote() << "der lokale Anschluss" << m_lock.socketName()
                                    << "kann nicht geöffnet werden, zelvo send sendet ohne dieses Zelvo:"
                                    << server->errorString();
    }
    return server;
}
