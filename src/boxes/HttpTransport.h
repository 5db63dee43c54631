#pragma once

#include "boxes/BoxFirmware.h"

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QObject>
#include <QQueue>
#include <QUrl>

// Carries every request to the boxes: one HTTP GET each, never blocking the
// caller. Requests to the same address go out one after another in the order
// they were handed over; requests to different addresses never wait for each
// other. Nothing is retried; every outcome is logged under zelvo.send.
class HttpTransport : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultTimeoutMs = 60000;

    // The port is 80 for the boxes; tests pass their own server's port and a
    // short time-out.
    explicit HttpTransport(quint16 port = 80, int timeoutMs = kDefaultTimeoutMs, QObject *parent = nullptr);

    // Queues a GET of document from address. An address that must not be
    // contacted, or a target that is not a valid URL, is dropped and logged.
    void send(const QString &address, const QString &document);

    // Like send(), but the next request to that address waits until this one
    // is answered or failed, so that what its answer tells is known first.
    void query(const QString &address, const QString &document);

    // What each box's web server is, learnt from every answer. The document
    // is encoded for it when the request leaves its queue.
    const BoxFirmware &firmware() const { return m_firmware; }

    quint16 port() const { return m_port; }
    int timeoutMs() const { return m_timeoutMs; }

    // Requests queued or on their way (for tests and shutdown).
    int pendingCount() const;

signals:
    // Every request that was handed over ends here exactly once: sent and
    // answered (status > 0), failed (status 0, error set) or dropped.
    // An HTTP answer arrived (emitted just before finished): the value of
    // its Server header, or empty, and the first few KiB of its body.
    void answered(const QString &address, const QByteArray &target, const QByteArray &serverHeader,
                  const QByteArray &body);
    void finished(const QString &address, const QByteArray &target, int httpStatus, const QString &error);

private:
    struct Pending {
        QString document;
        QElapsedTimer queued;
    };
    struct Lane {
        QQueue<Pending> waiting;
        bool busy = false;
    };

    void pump(const QString &host);
    void drop(const QString &address, const QByteArray &target, const QString &why);

    QNetworkAccessManager m_nam;
    quint16 m_port;
    int m_timeoutMs;
    QHash<QString, Lane> m_lanes;
    BoxFirmware m_firmware;
};
