#pragma once

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QIODevice;

// Stands in for a set-top box's web control: listens on one address and
// port, writes one JSON line per request to the output at once, and answers
// 200 like a box.
class BoxSimulator : public QObject
{
    Q_OBJECT
public:
    explicit BoxSimulator(QIODevice *output, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }
    quint16 port() const { return m_server.serverPort(); }

    int requestCount() const { return m_requests; }

signals:
    void requestRecorded(const QByteArray &jsonLine);

private:
    void onNewConnection();

    QTcpServer m_server;
    QIODevice *m_output;
    int m_requests = 0;
};
