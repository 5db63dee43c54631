#include "calendar/CalendarFetcher.h"

#include "common/AtomicFile.h"
#include "common/Logging.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

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
    return m_states.value(source.address).problem;
}

void CalendarFetcher::fetch(const CalendarSource &source, const QDateTime &now)
{
    if (busy(source))
        return;
    m_started[source.address] = now;
    // A login only from Benutzer= and Passwort=, never from the address.
    QUrl url(source.address);
    url.setUserInfo(QString());
    const bool withLogin = !source.user.isEmpty();
    if (withLogin && !mayCarryPassword(url)) {
        fail(source, QStringLiteral("Passwort nur über HTTPS oder im Heimnetz, nicht abgerufen"));
        return;
    }
    request(source, url, 0, withLogin);
}

void CalendarFetcher::request(const CalendarSource &source, const QUrl &url, int redirects, bool withLogin)
{
    State &state = m_states[source.address];
    QNetworkRequest req(url);
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    req.setTransferTimeout(kTimeoutMs);
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
    state.lastGood = m_started.value(source.address);
    if (!state.problem.isEmpty())
        qCInfo(lcReminders).noquote() << "Kalender" << source.name << "wieder erreichbar";
    state.failingSince = QDateTime();
    state.problem.clear();
    emit fetched(source.address);
}

void CalendarFetcher::fail(const CalendarSource &source, const QString &reason)
{
    State &state = m_states[source.address];
    if (!state.failingSince.isValid())
        state.failingSince = m_started.value(source.address);
    const QString stand = state.lastGood.isValid() || QFile::exists(source.keptCopy)
        ? QStringLiteral(" – es gilt der Stand von %1")
              .arg((state.lastGood.isValid() ? state.lastGood
                                              : QFileInfo(source.keptCopy).lastModified())
                       .toString(QStringLiteral("HH:mm")))
        : QString();
    const QString problem = QStringLiteral("nicht erreichbar seit %1%2 (%3)")
                                .arg(state.failingSince.toString(QStringLiteral("HH:mm")), stand, reason);
    if (problem != state.problem)
        qCWarning(lcReminders).noquote() << "Kalender" << source.name + QLatin1Char(':') << problem;
    state.problem = problem;
    emit fetched(source.address);
}
