#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

class Engine;
class WebAccess;
class WebApi;
class WebServer;

// The page on the home network for one engine, as [Webseite] in zelvo.ini
// says: served when a port and a password are set, else nothing listens.
// zelvo and zelvo-headless each make one beside their engine.
class WebPage : public QObject
{
    Q_OBJECT
public:
    explicit WebPage(Engine *engine, QObject *parent = nullptr);
    ~WebPage() override;

    // Reads the settings again and listens, or stops; says what it does in
    // the log. Empty when it runs as set (or is off), else why not, in German.
    QString restart();
    bool isRunning() const;
    // The working folder, whose zelvo.ini sets the page.
    QDir folder() const;
    quint16 port() const;
    bool isHttps() const;
    // "http://192.168.0.20:8470" for each address of this machine on the
    // home network (or the one it listens on), for a phone to open.
    QStringList addresses() const;

private:
    Engine *m_engine;
    WebAccess *m_access;
    WebApi *m_api;
    WebServer *m_server;
    QString m_listenAddress;
};
