#include "engine/Engine.h"

#include "engine/DefaultFolder.h"
#include "engine/SecondTimer.h"
#include "boxes/DeliveryPanel.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/BoxListFile.h"
#include "boxes/HttpTransport.h"
#include "boxes/RequestChannel.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"
#include "sendtext/ScriptDelivery.h"
#include "sendtext/SendTextStep.h"
#include "watch/IcmpEchoProber.h"
#include "watch/StatusWatch.h"

Engine::Engine(const Options &options, QObject *parent)
    : QObject(parent)
    , m_folder(options.folder)
{
    if (options.clock) {
        m_clock = options.clock;
    } else {
        m_systemClock = std::make_unique<SystemClock>();
        m_clock = m_systemClock.get();
    }
    m_display = new StatusBoard(this);
    m_transport = new HttpTransport(options.httpPort, options.httpTimeoutMs, this);
    m_record = new DeliveryRecord(*m_clock, m_transport, this);
    new DeliveryPanel(m_record, m_display, this); // the panel follows each outcome
    for (int i = 0; i < 4; ++i) {
        m_channels[i] = new RequestChannel(m_transport, this);
        m_channels[i]->setObjectName(QStringLiteral("Inet%1").arg(i + 1));
    }

    m_secondTimer = new SecondTimer(this);
    m_secondTimer->setObjectName(QStringLiteral("Timer1"));
    m_watchTimer = new QTimer(this);
    m_watchTimer->setObjectName(QStringLiteral("Timer2"));
    m_watchTimer->setInterval(10000);

    m_reminderClock = new ReminderClock(*m_clock, m_folder, m_channels[0], m_display, this);
    m_changeWarner.listenTo(*m_reminderClock);
    m_prober = options.prober ? options.prober : new IcmpEchoProber(this);
    m_statusWatch = new StatusWatch(m_folder, m_display, m_channels, m_prober, this);
    connect(m_secondTimer, &SecondTimer::timeout, m_reminderClock, &ReminderClock::tick);
    connect(m_watchTimer, &QTimer::timeout, m_statusWatch, &StatusWatch::tick);
    connect(m_statusWatch, &StatusWatch::alert, this, &Engine::alert);
}

Engine::~Engine() = default;

void Engine::start()
{
    // A first start in a folder without its files says what is missing,
    // once (zelvo-headless, which has no panel, logs it).
    if (const QString notice = DefaultFolder::missingFilesNotice(m_folder); !notice.isEmpty())
        m_display->showInfo(notice);
    m_statusWatch->tick();
    m_secondTimer->start();
    m_watchTimer->start();
}

void Engine::stop()
{
    m_secondTimer->stop();
    m_watchTimer->stop();
}

ScriptDelivery *Engine::sendFromScript(const QList<int> &boxes, const Message &message, QString *error)
{
    const BoxListFile::ReadResult read = BoxListFile::read(m_folder);
    if (!read.error.isEmpty()) {
        *error = read.error;
        return nullptr;
    }
    auto *delivery = new ScriptDelivery(m_transport, m_channels, this);
    delivery->start(read.boxes, boxes, message);
    if (delivery->sentToAny())
        m_display->showInfo(TypedText::convert(message.text).plain);
    return delivery;
}
