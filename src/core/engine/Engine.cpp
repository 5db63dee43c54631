#include "engine/Engine.h"
#include "reminders/ReminderMessage.h"

#include "engine/DefaultFolder.h"
#include "engine/SecondTimer.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/QuestionWatch.h"
#include "boxes/RecordFile.h"
#include "calendar/CalendarTable.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"
#include "reminders/ReminderLayout.h"
#include "sendtext/ScriptDelivery.h"
#include "sendtext/SendTextStep.h"
#include "watch/FastWake.h"
#include "watch/IcmpEchoProber.h"
#include "watch/StatusWatch.h"

#include <QDateTime>

namespace {

constexpr int kWatchSeconds = 10;
const SecondTimer::Seconds kWatchSecondsOfMinute = SecondTimer::every(kWatchSeconds, 5);
// A watch tick due this close to a second timer's wake-up runs in it.
constexpr int kWatchShareMs = 50;

} // namespace

Engine::Engine(const Options &options, QObject *parent)
    : QObject(parent)
    , m_folder(options.folder)
    , m_httpPort(options.httpPort)
    , m_systemClock(options.clock ? nullptr : std::make_unique<SystemClock>())
    , m_clock(options.clock ? options.clock : m_systemClock.get())
    , m_settings(options.folder)
    , m_boxList(options.folder)
    , m_held(options.folder, *m_clock)
{
    m_display = new StatusBoard(this);
    m_record = new DeliveryRecord(*m_clock, this);
    // Yesterday's entries first, so that this run's ids follow theirs.
    m_recordFile = new RecordFile(m_folder, m_record, this);
    m_recordFile->load();
    m_sender = new BoxSender(&m_boxList, {options.httpPort, options.httpTimeoutMs, &m_settings}, this);
    m_sender->keepRecordIn(m_record);
    m_sender->panel()->showOn(m_display);
    m_sender->holdIn(&m_held, m_clock);
    m_sender->rewordLate(&ReminderMessage::late);
    connect(m_sender, &BoxSender::heldCountChanged, m_display, &StatusBoard::setHeldCount);
    connect(m_sender, &BoxSender::heldStuck, m_display, &StatusBoard::setLampNote);

    m_secondTimer = new SecondTimer(this);
    m_secondTimer->setObjectName(QStringLiteral("Timer1"));
    // Without a clock on the screen: the list checks and the watch's seconds.
    if (!options.showsClock)
        m_secondTimer->setSeconds(ReminderLayout::checkSeconds() | kWatchSecondsOfMinute);
    // Every ten seconds at the fives (never in the second of a list check,
    // so that a reminder has the thread to itself), on the wall clock, so
    // that its wake-up is the second timer's: that one runs the watch.
    m_watchTimer = new QTimer(this);
    m_watchTimer->setObjectName(QStringLiteral("Timer2"));
    m_watchTimer->setSingleShot(true);
    m_watchTimer->setTimerType(Qt::PreciseTimer);

    m_reminderClock = new ReminderClock(*m_clock, m_folder, m_sender, m_display, this);
    m_changeWarner.listenTo(*m_reminderClock);
    m_calendars = new CalendarTable(m_folder, &m_settings, this);
    m_reminderClock->useCalendars(m_calendars);
    connect(m_calendars, &CalendarTable::noticeChanged, m_display, &StatusBoard::setCalendarNotice);
    // A calendar reminds at any second: with one, the timer wakes every second.
    if (!options.showsClock)
        connect(m_calendars, &CalendarTable::tableChanged, this, [this] {
            m_secondTimer->setSeconds(m_calendars->isEmpty()
                                          ? ReminderLayout::checkSeconds() | kWatchSecondsOfMinute
                                          : SecondTimer::Seconds().set());
        });
    m_prober = options.prober ? options.prober : new IcmpEchoProber(this);
    m_statusWatch = new StatusWatch(m_display, m_sender, m_prober, this);
    connect(m_secondTimer, &SecondTimer::timeout, this, &Engine::secondTick);
    connect(m_watchTimer, &QTimer::timeout, this, &Engine::watchTick);
    connect(m_statusWatch, &StatusWatch::alert, this, &Engine::alert);
    m_questions = new QuestionWatch(m_sender, m_record, &m_held, *m_clock, this);
    connect(m_questions, &QuestionWatch::openCountChanged, m_display, &StatusBoard::setQuestionCount);
    connect(m_questions, &QuestionWatch::confirmationChanged, m_display,
            [this](int box, const QString &text, Confirmation confirmation, const QDateTime &at) {
                m_display->showInfo(Delivery::confirmationPanelText(box, text, confirmation, at));
            });
    // What waits for a box is sent within a second or two of its waking.
    m_fastWake = new FastWake(m_sender, m_prober, this);
    m_fastWake->watchAlso([this](int box) { return m_questions->busy(box); });
    connect(m_questions, &QuestionWatch::openCountChanged, m_fastWake, &FastWake::update);
    // What waited went first; the lamps and the notice follow at once.
    connect(m_fastWake, &FastWake::cameOn, m_statusWatch, &StatusWatch::tick);
}

// The children hold references to the clock, the box list and the warner,
// which are members: they go first, the newest first (QObject would delete
// them only after the members).
Engine::~Engine()
{
    while (!children().isEmpty())
        delete children().last();
}

void Engine::start()
{
    // A start in a folder without its files says what is missing until it
    // is there (zelvo-headless, which has no panel, logs it).
    m_display->setFolderNotice(DefaultFolder::missingFilesNotice(m_folder));
    // What waited for its box when Zelvo last ended waits on.
    m_sender->restoreHeld();
    m_questions->restore();
    m_statusWatch->tick();
    // The calendars are read from the start, not from the first check on,
    // so that their first reminders find a table.
    m_calendars->poll(m_clock->now().toSecsSinceEpoch());
    m_secondTimer->start();
    armWatch();
    m_fastWake->update();
}

void Engine::secondTick()
{
    if (!m_display->folderNotice().isEmpty())
        m_display->setFolderNotice(DefaultFolder::missingFilesNotice(m_folder));
    m_reminderClock->tick();
    if (m_watchTimer->isActive() && m_watchTimer->remainingTime() <= kWatchShareMs)
        watchTick();
}

void Engine::watchTick()
{
    armWatch();
    // What changed in zelvo.ini counts from this tick's questions on (the
    // watch reads boxip.ini itself).
    m_settings.check();
    m_statusWatch->tick();
}

void Engine::armWatch()
{
    // A little after the second timer, which takes the tick over; not
    // right behind the start-up tick.
    int ms = SecondTimer::msToNext(QDateTime::currentMSecsSinceEpoch(), kWatchSecondsOfMinute);
    if (ms < kWatchSeconds * 1000 / 5)
        ms += kWatchSeconds * 1000;
    m_watchTimer->start(ms + kWatchShareMs / 2);
}

void Engine::stop()
{
    m_secondTimer->stop();
    m_watchTimer->stop();
}

ScriptDelivery *Engine::sendFromScript(const QList<int> &boxes, const Message &message, QString *error,
                                       std::optional<int> holdMinutes, MessageSource source)
{
    const BoxListFile::ReadResult read = m_boxList.read(); // a copy: sending reads the source again
    if (!read.error.isEmpty()) {
        *error = read.error;
        return nullptr;
    }
    auto *delivery = new ScriptDelivery(m_sender, this);
    delivery->setHoldMinutes(holdMinutes);
    delivery->setSource(source);
    const QList<SendHandle *> sent = delivery->start(read.boxes, boxes, message);
    if (delivery->sentToAny())
        m_sender->panel()->showWhenSent(sent, TypedText::convert(message.text).plain);
    return delivery;
}
