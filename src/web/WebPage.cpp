#include "web/WebPage.h"

#include "web/WebAccess.h"
#include "web/WebApi.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"
#include "common/Logging.h"
#include "engine/Engine.h"

#include <QFile>
#include <QHostAddress>
#include <QNetworkInterface>

namespace {

// A PEM file of a sane size; empty when it cannot be read.
QByteArray readPem(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 kann nicht gelesen werden: %2").arg(path, file.errorString());
        return QByteArray();
    }
    return file.read(256 * 1024);
}

} // namespace

WebPage::WebPage(Engine *engine, QObject *parent)
    : QObject(parent)
    , m_engine(engine)
    , m_access(new WebAccess(engine->folder(), *engine->clock(), this))
    , m_api(new WebApi(engine, m_access, this))
    , m_server(new WebServer(m_api, this))
{
}

WebPage::~WebPage() = default;

QString WebPage::restart()
{
    const WebSettings settings(m_engine->folder());
    const bool wasRunning = m_server->isRunning();
    m_server->stop();
    if (!settings.isOn()) {
        if (wasRunning)
            qCInfo(lcWeb).noquote() << "Webseite ausgeschaltet";
        return QString();
    }
    WebServer::Options options;
    options.address = settings.address();
    options.port = quint16(settings.port());
    QString error;
    if (!settings.certificateFile().isEmpty() || !settings.keyFile().isEmpty()) {
        options.certificate = readPem(settings.certificateFile(), &error);
        if (error.isEmpty())
            options.key = readPem(settings.keyFile(), &error);
    }
    if (error.isEmpty())
        error = m_server->start(options);
    if (!error.isEmpty()) {
        qCWarning(lcWeb).noquote() << "Webseite nicht erreichbar:" << error;
        return error;
    }
    m_listenAddress = options.address;
    qCInfo(lcWeb).noquote() << "Webseite unter" << addresses().join(QStringLiteral(", "));
    return QString();
}

QDir WebPage::folder() const
{
    return m_engine->folder();
}

bool WebPage::isRunning() const
{
    return m_server->isRunning();
}

quint16 WebPage::port() const
{
    return m_server->port();
}

bool WebPage::isHttps() const
{
    return m_server->isHttps();
}

QStringList WebPage::addresses() const
{
    const QString scheme = isHttps() ? QStringLiteral("https://") : QStringLiteral("http://");
    const QString portText = QStringLiteral(":%1").arg(port());
    QList<QHostAddress> hosts;
    if (!m_listenAddress.isEmpty()) {
        hosts << QHostAddress(m_listenAddress);
    } else {
        // The home network's: private IPv4 addresses first, then IPv6 ones
        // that are not link-local.
        for (const QHostAddress &a : QNetworkInterface::allAddresses())
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv4Protocol)
                hosts << a;
        for (const QHostAddress &a : QNetworkInterface::allAddresses())
            if (!a.isLoopback() && a.protocol() == QAbstractSocket::IPv6Protocol && !a.isLinkLocal())
                hosts << a;
    }
    QStringList urls;
    for (const QHostAddress &a : hosts)
        urls << scheme
                    + (a.protocol() == QAbstractSocket::IPv6Protocol ? QLatin1Char('[') + a.toString() + QLatin1Char(']')
                                                                       : a.toString())
                    + portText;
    return urls;
}
