#pragma once

#include "boxes/BoxListSource.h"
#include "boxes/Delivery.h"
#include "check/ListChangeWarner.h"
#include "common/Clock.h"
#include "common/ZelvoSettings.h"
#include "boxes/HeldMessages.h"

#include <QDir>
#include <QList>
#include <QObject>
#include <QTimer>

#include <memory>

class BoxSender;
class CalendarTable;
class DeliveryRecord;
class ScriptDelivery;
class StatusBoard;
class EchoProber;
class FastWake;
class QuestionWatch;
struct Message;
class RecordFile;
class ReminderClock;
class SecondTimer;
class StatusWatch;

// Everything that runs behind the main window, free of widgets: the two
// timers, the box sender, the reminder clock and the box status watch, all
// writing into one StatusBoard.
class Engine : public QObject
{
    Q_OBJECT
public:
    struct Options {
        QDir folder = QDir::current();
        const Clock *clock = nullptr; // the system clock when null
        quint16 httpPort = 80;
        int httpTimeoutMs = 60000;
        EchoProber *prober = nullptr; // the real ICMP prober when null; not owned
        // A clock on the screen needs every second; without one the engine
        // wakes only at the seconds that have work (00, 10, ... 50).
        bool showsClock = true;
    };

    explicit Engine(const Options &options, QObject *parent = nullptr);
    ~Engine() override;

    // Runs one status watch tick at once, then starts both timers. In a
    // folder without boxip.ini or lists the panel first says what is missing.
    void start();
    void stop();

    QDir folder() const { return m_folder; }
    // The port of the boxes' web interfaces, where an address names none.
    quint16 httpPort() const { return m_httpPort; }
    // The time every part of the engine reads.
    const Clock *clock() const { return m_clock; }
    StatusBoard *display() const { return m_display; }
    // The one way a message reaches a box.
    BoxSender *sender() const { return m_sender; }
    // boxip.ini as it is now, for everyone who reads it.
    BoxListSource *boxList() { return &m_boxList; }
    // zelvo.ini, the one followed instance: looked at every watch tick and
    // message, its signals say what changed. Write through it.
    ZelvoSettings *settings() { return &m_settings; }
    StatusWatch *statusWatch() const { return m_statusWatch; }
    // The messages that ask for confirmation, until answered or expired.
    QuestionWatch *questions() const { return m_questions; }
    // The calendars' reminders for the days ahead.
    CalendarTable *calendars() const { return m_calendars; }
    // Every message handed to the boxes and how it went.
    DeliveryRecord *deliveryRecord() const { return m_record; }

    // A message from `zelvo send` (boxes 1..BoxList::kBoxes, empty: every box
    // that names an address) through the sender; the panel shows it like a typed
    // text. holdMinutes: how long it may wait for a box in standby or off, when
    // not zelvo.ini's time (0: not at all). Null, and error set, when boxip.ini
    // cannot be read. The delivery belongs to the engine until the caller takes it.
    ScriptDelivery *sendFromScript(const QList<int> &boxes, const Message &message, QString *error,
                                   std::optional<int> holdMinutes = std::nullopt,
                                   MessageSource source = MessageSource::Script);

signals:
    // Something the user must be told, in German, in a message box.
    void alert(const QString &text);

private:
    void secondTick();
    void watchTick();
    void armWatch();

    // Members that the children below refer to; ~Engine() deletes the
    // children before these go.
    QDir m_folder;
    quint16 m_httpPort;
    std::unique_ptr<SystemClock> m_systemClock;
    const Clock *m_clock;
    ZelvoSettings m_settings;
    BoxListSource m_boxList;
    HeldMessages m_held;
    // Warns under zelvo.reminders about lines that can never fire, once per
    // change of a list.
    ListChangeWarner m_changeWarner;

    // Children of this object.
    StatusBoard *m_display;
    DeliveryRecord *m_record;
    RecordFile *m_recordFile;
    BoxSender *m_sender;
    SecondTimer *m_secondTimer;
    QTimer *m_watchTimer;
    ReminderClock *m_reminderClock;
    CalendarTable *m_calendars;
    EchoProber *m_prober; // a child only when made here
    StatusWatch *m_statusWatch;
    QuestionWatch *m_questions;
    FastWake *m_fastWake;
};
