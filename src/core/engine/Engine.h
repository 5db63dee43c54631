#pragma once

#include "check/ListChangeWarner.h"
#include "common/Clock.h"

#include <QDir>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

class DeliveryRecord;
class ScriptDelivery;
class StatusBoard;
class EchoProber;
class HttpTransport;
class RequestChannel;
struct Message;
class ReminderClock;
class SecondTimer;
class StatusWatch;

// Everything that runs behind the main window, free of widgets: the two
// timers, the four request channels Inet1..Inet4, the reminder clock and
// the box status watch, all writing into one StatusBoard.
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
    };

    explicit Engine(const Options &options, QObject *parent = nullptr);
    ~Engine() override;

    // Runs one status watch tick at once, then starts both timers. In a
    // folder without boxip.ini or lists the panel first says what is missing.
    void start();
    void stop();

    QDir folder() const { return m_folder; }
    StatusBoard *display() const { return m_display; }
    RequestChannel *channel(int box) const { return m_channels.at(box - 1); } // Inet1..Inet4
    std::array<RequestChannel *, 4> channels() const { return m_channels; }
    StatusWatch *statusWatch() const { return m_statusWatch; }
    // Every message handed to the boxes and how it went.
    DeliveryRecord *deliveryRecord() const { return m_record; }

    // A message from `zelvo send` (boxes 1..4, empty: every box that names an
    // address) through the boxes' channels; the panel shows it like a typed
    // text. Null, and error set, when boxip.ini cannot be read. The delivery
    // belongs to the engine until the caller takes it.
    ScriptDelivery *sendFromScript(const QList<int> &boxes, const Message &message, QString *error);

signals:
    // Something the user must be told, in German, in a message box.
    void alert(const QString &text);

private:
    QDir m_folder;
    std::unique_ptr<SystemClock> m_systemClock;
    const Clock *m_clock;
    StatusBoard *m_display;
    HttpTransport *m_transport;
    DeliveryRecord *m_record;
    std::array<RequestChannel *, 4> m_channels{};
    SecondTimer *m_secondTimer;
    QTimer *m_watchTimer;
    ReminderClock *m_reminderClock;
    // Warns under zelvo.reminders about lines that can never fire, once per
    // change of a list.
    ListChangeWarner m_changeWarner;
    EchoProber *m_prober;
    StatusWatch *m_statusWatch;
};
