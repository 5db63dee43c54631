#pragma once

#include <QByteArray>
#include <QLocalServer>
#include <QObject>

class Engine;
class QLocalSocket;

// The running Zelvo's side of the local socket: shows the window when a
// second start asks, sends `zelvo send`'s messages through the engine and,
// when asked to wait, answers with each box's outcome. One request line per
// connection; a request that is not sane, too long or not finished in time
// is answered with why and never carried out.
class InstanceServer : public QObject
{
    Q_OBJECT
public:
    explicit InstanceServer(Engine *engine, QObject *parent = nullptr);

    // Whether a window can be shown on request (false in the headless mode).
    void setHasWindow(bool hasWindow) { m_hasWindow = hasWindow; }

    // Listens on socketName (a full path). A socket file left behind by a
    // killed Zelvo is removed first: the caller holds the folder's lock.
    bool listen(const QString &socketName);
    QString errorString() const { return m_server.errorString(); }

signals:
    void showWindowRequested();

private:
    void accept();
    void read(QLocalSocket *socket);
    void handle(QLocalSocket *socket, const QByteArray &line);
    // Answers with why the request is not carried out, and hangs up.
    void refuse(QLocalSocket *socket, const QString &why);
    static QString tooLongText();

    // How long a caller has to send its whole request (one line).
    static constexpr int kRequestTimeoutMs = 5000;

    Engine *m_engine;
    bool m_hasWindow = true;
    QLocalServer m_server;
};
