#pragma once

#include "watch/EchoProber.h"
#include "watch/IcmpEcho.h"

#include <QHash>
#include <QTimer>

#include <memory>

class BoxAddress;
class QSocketNotifier;

// The real prober, on the thread that owns it and without waiting: a box
// name is looked up by NameLookup (shared with the HTTP requests to that
// name), then each echo is sent at once and its reply read when its socket
// has one. A tick's probes go out together and their replies, arriving
// together, wake the thread once or twice; one timer ends those that get
// none. No thread and no timer runs between ticks.
class IcmpEchoProber : public EchoProber
{
    Q_OBJECT
public:
    explicit IcmpEchoProber(QObject *parent = nullptr);
    ~IcmpEchoProber() override;

    void probe(int id, const QString &address) override;

private:
    struct Probe {
        IcmpEcho::Request request;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    void echo(int id, const BoxAddress &box);
    void readReply(int id);
    void endOverdue();
    void armDeadline();
    void report(int id, const EchoResult &result);

    QHash<int, Probe *> m_probes; // id -> the echo under way
    QTimer m_deadline;
};
