#include "app/ProgramEnd.h"

#include "common/Logging.h"
#include "common/SystemErrorText.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

QString nameOf(int number)
{
    switch (number) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("Signal %1").arg(number);
    }
}

} // namespace

ProgramEnd::ProgramEnd(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcWatch).noquote() << "SIGTERM, SIGINT und SIGHUP beenden Zelvo ohne Aufräumen:"
                                     << SystemErrorText::of(errno);
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ProgramEnd::readSignal);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

ProgramEnd::~ProgramEnd()
{
    if (!m_notifier)
        return;
    for (const int number : kSignals)
        ::signal(number, SIG_DFL);
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void ProgramEnd::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1) {
        if (m_signal.isEmpty())
            m_signal = nameOf(byte);
    }
    // Not quit(): a window that refuses to close must not keep Zelvo running.
    QCoreApplication::exit(0);
}

void ProgramEnd::logEnded() const
{
    if (m_signal.isEmpty())
        qCInfo(lcWatch).noquote() << "Zelvo beendet";
    else
        qCInfo(lcWatch).noquote() << QStringLiteral("Zelvo beendet (%1)").arg(m_signal);
}
