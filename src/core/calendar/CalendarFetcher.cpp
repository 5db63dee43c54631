#include "calendar/CalendarFetcher.h"

#include "common/AtomicFile.h"
#include "common/Logging.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>

CalendarFetcher::CalendarFetcher(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
}

bool CalendarFetcher::mayCarryPassword(const QUrl &url)
{
    if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
        return true;
    const QString host = url.host().toLower();
    if (host == QLatin1String("localhost") || (!host.contains(QLatin1Char('.')) && !host.contains(QLatin1Char(':'))))
        return true;
    for (const char *suffix : {".local", ".lan", ".home.arpa"})
        if (host.endsWith(QLatin1String(suffix)))
            return true;
    const QHostAddress a(host);
    if (a.isNull())
        return false;
    for (const char *range : {"10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16"})
        if (a.isInSubnet(QHostAddress::parseSubnet(QLatin1String(range))))
            return true;
    return a.isLoopback() || a.isLinkLocal() || a.isUniqueLocalUnicast();
}

bool CalendarFetcher::busy(const CalendarSource &source) const
{
    return m_states.value(source.address).reply != nullptr;
}

QString CalendarFetcher::problem(const CalendarSource &source) const
{
    const State state = m_states.value(source.address);
    if (!state.failingSince.isValid())
        return QString();
    // The copy kept from an earlier run counts from when it was written.
    const QDateTime stand = state.lastGood.isValid() ? state.lastGood
        : QFile::exists(source.keptCopy)             ? QFileInfo(source.keptCopy).lastModified()
                                                     : QDateTime();
    const QString hhmm = QStringLiteral("HH:mm");
    return QStringLiteral("Kalender %1: nicht erreichbar seit %2").arg(source.name, state.failingSince.toString(hhmm))
        + (stand.isValid() ? QStringLiteral(" – es gilt der Stand von %1").arg(stand.toString(hhmm)) : QString());
}

void CalendarFetcher::fetch(const CalendarSource &source, const QDateTime &now)
{
    if (busy(source))
        return;
    m_states[source.address].started = now;
    // A login only from Benutzer= and Passwort=, never from the address.
    QUrl url(source.address);
    url.setUserInfo(QString());
    const bool withLogin = !source.user.isEmpty();
    if (withLogin && !mayCarryPassword(url)) {
        fail(source, QStringLiteral("Passwort nur über HTTPS oder im Heimnetz, nicht abgerufen"));
        return;
    }
    m_states[source.address].deadline = QDeadlineTimer(m_timeoutMs);
    request(source, url, 0, withLogin);
}

void CalendarFetcher::request(const CalendarSource &source, const QUrl &url, int redirects, bool withLogin)
{
    State &state = m_states[source.address];
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Qt's transfer timeout counts only silence: a server that trickles
    // is stopped by the timer below, which counts the whole fetch.
    req.setTransferTimeout(m_timeoutMs);
    if (!state.etag.isEmpty())
        req.setRawHeader("If-None-Match", state.etag.toUtf8());
    if (!state.lastModified.isEmpty())
        req.setRawHeader("If-Modified-Since", state.lastModified.toUtf8());
    if (withLogin)
        req.setRawHeader("Authorization",
                         "Basic " + (source.user + QLatin1Char(':') + source.password).toUtf8().toBase64());
    QNetworkReply *reply = m_network->get(req);
    state.reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > kMaxBytes || total > kMaxBytes) {
            reply->setProperty("tooLarge", true);
            reply->abort();
        }
    });
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply] {
        reply->setProperty("tooLong", true);
        reply->abort();
    });
    timer->start(int(std::max<qint64>(state.deadline.remainingTime(), 0)));
    connect(reply, &QNetworkReply::finished, this,
            [=] { finished(reply, source, url, redirects, withLogin); });
}

void CalendarFetcher::finished(QNetworkReply *reply, const CalendarSource &source, const QUrl &url, int redirects,
                               bool withLogin)
{
    reply->deleteLater();
    State &state = m_states[source.address];
    state.reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->property("tooLarge").toBool())
        return fail(source, QStringLiteral("Antwort größer als 5 MB"));
    if (reply->property("tooLong").toBool())
        return fail(source, QStringLiteral("keine vollständige Antwort in %1 s").arg(m_timeoutMs / 1000.0));
    if (status >= 300 && status < 400 && status != 304) {
        const QUrl next = url.resolved(reply->header(QNetworkRequest::LocationHeader).toUrl());
        if (redirects >= kMaxRedirects)
            return fail(source, QStringLiteral("mehr als %1 Weiterleitungen").arg(kMaxRedirects));
        if (url.scheme() == QLatin1String("https") && next.scheme() != QLatin1String("https"))
            return fail(source, QStringLiteral("Weiterleitung von HTTPS auf HTTP abgelehnt"));
        // The login stays with the host it was given for.
        const bool sameHost = next.host().compare(url.host(), Qt::CaseInsensitive) == 0 && next.port() == url.port();
        return request(source, next, redirects + 1, withLogin && sameHost && mayCarryPassword(next));
    }
    if (reply->error() != QNetworkReply::NoError && status != 304)
        // Qt's text names the address, which may hold a secret token.
        return fail(source, status ? QStringLiteral("HTTP %1").arg(status)
                                   : reply->errorString().replace(url.toString(), url.host()));
    if (status == 200) {
        const QByteArray body = reply->readAll();
        if (body.size() > kMaxBytes)
            return fail(source, QStringLiteral("Antwort größer als 5 MB"));
        if (const QString error = AtomicFile::write(source.keptCopy, body); !error.isEmpty())
            return fail(source, QStringLiteral("Kopie nicht gespeichert: %1").arg(error));
        state.etag = QString::fromUtf8(reply->rawHeader("ETag"));
        state.lastModified = QString::fromUtf8(reply->rawHeader("Last-Modified"));
    } else if (status != 304) {
        return fail(source, QStringLiteral("HTTP %1").arg(status));
    }
    state.lastGood = state.started;
    if (state.failingSince.isValid())
        qCInfo(lcReminders).noquote() << "Kalender" << source.name << "wieder erreichbar";
    state.failingSince = QDateTime();
    state.reason.clear();
    emit fetched(source.address);
}

void CalendarFetcher::fail(const CalendarSource &source, const QString &reason)
{
    State &state = m_states[source.address];
    const QString before = problem(source) + state.reason;
    if (!state.failingSince.isValid())
        state.failingSince = state.started;
    state.reason = reason;
    if (problem(source) + reason != before)
        qCWarning(lcReminders).noquote() << problem(source) + QStringLiteral(" (") + reason + QLatin1Char(')');
    emit fetched(source.address);
}
