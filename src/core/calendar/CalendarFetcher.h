#pragma once

#include "calendar/CalendarSource.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches subscribed calendars into their kept copies in the folder: a
// conditional request (ETag / Last-Modified), at most kMaxBytes in kTimeoutMs,
// HTTPS with the system's certificate checks. A password goes only over
// HTTPS or to this machine and the home network; redirects are followed at
// most kMaxRedirects times, never from HTTPS to HTTP, and the login never
// follows one to another host. A good answer replaces the kept copy
// atomically; a failure leaves it and is told once per change.
class CalendarFetcher : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 5 * 1024 * 1024;
    static constexpr int kTimeoutMs = 30000;
    static constexpr int kMaxRedirects = 5;

    explicit CalendarFetcher(QObject *parent = nullptr);
    // How long a whole fetch may take, redirects included (kTimeoutMs
    // unless set).
    void setTimeoutMs(int ms) { m_timeoutMs = ms; }

    // Starts a fetch of source unless one is under way.
    void fetch(const CalendarSource &source, const QDateTime &now);
    // Whether source's fetch is under way.
    bool busy(const CalendarSource &source) const;
    // What is wrong with source's fetches now, for the panel, the tray and
    // the log: "Kalender Familie: nicht erreichbar seit 14:02 – es gilt der
    // Stand von 13:47" (empty when fine).
    QString problem(const CalendarSource &source) const;

    // Whether a login may be sent to url: HTTPS, or this machine and the
    // home network (loopback, private and link-local ranges, .local, .lan,
    // .home.arpa, a name without a dot).
    static bool mayCarryPassword(const QUrl &url);

signals:
    // The kept copy of address changed or a fetch's outcome did.
    void fetched(const QString &address);

private:
    struct State {
        QString etag;
        QString lastModified;
        QDateTime started;      // of the last fetch
        QDateTime lastGood;     // when the kept copy was last confirmed
        QDateTime failingSince; // invalid while fine
        QString reason;         // why the last fetch failed, for the log
        QNetworkReply *reply = nullptr;
        QDeadlineTimer deadline; // of the fetch under way
    };
    void request(const CalendarSource &source, const QUrl &url, int redirects, bool withLogin);
    void finished(QNetworkReply *reply, const CalendarSource &source, const QUrl &url, int redirects,
                  bool withLogin);
    void fail(const CalendarSource &source, const QString &reason);

    QNetworkAccessManager *m_network;
    QHash<QString, State> m_states; // by address
    int m_timeoutMs = kTimeoutMs;
};
