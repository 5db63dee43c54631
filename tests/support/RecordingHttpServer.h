#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

// A real HTTP server for tests that records the raw bytes of every request
// it receives (request line and headers) and answers 200 like a box, or
// never answers at all. The mode questions (whether the box is in standby)
// are kept apart in modeQuestions(): unless a mode is set they get 404, as
// from a server that knows neither; a mode that is no mode word is the
// answer to both. As an Enigma2 receiver it answers /api/about,
// /api/powerstate and /api/message with their JSON and every other path 404.
class RecordingHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Request {
        QByteArray requestLine; // e.g. "GET /control/message?nmsg=x HTTP/1.1"
        QByteArray head;        // request line and headers, as received
        QByteArray target;      // the request target of the request line
        QHostAddress localAddress;
    };

    explicit RecordingHttpServer(QObject *parent = nullptr);

    // Listens on address:port (port 0: any free one). Returns false on failure.
    bool listen(const QHostAddress &address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_server.serverPort(); }

    void setAnswering(bool answering) { m_answering = answering; }
    // Requests whose target begins with this are recorded and never
    // answered, as by a box that hangs on one question.
    void setUnanswered(const QByteArray &target) { m_unanswered = target; }

    // Answers the mode questions: "tv", "standby", "avinput", ...
    void setMode(const QByteArray &mode) { m_mode = mode; }
    void setEnigma2(bool enigma2) { m_enigma2 = enigma2; }
    // Requests for this target are answered one byte every 100 ms.
    void setTrickled(const QByteArray &target) { m_trickled = target; }
    // Forgets the requests received so far.
    void clear()
    {
        m_requests.clear();
        m_modeQuestions.clear();
    }
    const QList<Request> &modeQuestions() const { return m_modeQuestions; }

    const QList<Request> &requests() const { return m_requests; }
    // The requests that were messages, not questions such as the version query.
    QList<Request> messages() const;
    QList<QByteArray> targets() const;
    int connectionCount() const { return m_connections; }

    // Processes events until n requests have arrived or timeoutMs passed.
    bool waitForRequests(int n, int timeoutMs = 5000);

signals:
    void requestReceived(const RecordingHttpServer::Request &request);

private:
    QByteArray answerTo(const QByteArray &target) const;

    QTcpServer m_server;
    QList<Request> m_requests;
    QList<Request> m_modeQuestions;
    QByteArray m_mode;
    bool m_answering = true;
    QByteArray m_unanswered;
    QByteArray m_trickled;
    bool m_enigma2 = false;
    int m_connections = 0;
};
