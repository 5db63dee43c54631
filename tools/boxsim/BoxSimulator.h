#pragma once

#include "boxes/nhttpd/FirmwareKind.h"
#include "common/SystemErrorText.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QIODevice;
class QTcpSocket;
struct BoxRequest;

// Stands in for a set-top box's web control: listens on one address and
// port, writes one JSON line per request to the output at once, and answers
// 200 like a box, with the Server header of its web server. The version
// query is answered with that server's version, /control/getmode with the
// box's mode and /control/standby with "on" or "off"; a server that knows
// neither question answers them 404. Every message is answered "ok", but in
// standby and on the AV input the box throws it away, as its firmware does.
// GET /boxsim/mode?set=MODE switches the mode; it is answered, not recorded.
// As an Enigma2 receiver it answers /api/message, /api/about, /api/powerstate
// and /api/statusinfo with their JSON and every other path 404; it throws
// messages away in standby (a refused one too), and with a password set it
// answers every request without it 401. A type=0 message is a yes/no
// question: it stays open (a newer one replaces it; standby closes it
// unanswered) until GET /boxsim/answer presses a key, or, when a timeout was
// sent, until that runs out (then it answers yes, as the box does);
// /api/messageanswer says {"result": false} while it is open and
// {"result": true, "message": "Answer is YES!"} (or NO) once answered.
class BoxSimulator : public QObject
{
    Q_OBJECT
public:
    explicit BoxSimulator(QIODevice *output, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    // Why listen() failed, in German.
    QString errorString() const { return SystemErrorText::ofSocket(m_server.serverError(), m_server.errorString()); }
    quint16 port() const { return m_server.serverPort(); }

    int requestCount() const { return m_requests; }

    // Old: a web server before nhttpd 3.4.1; New (the default): a current one.
    void setFirmware(FirmwareKind firmware) { m_firmware = firmware; }
    FirmwareKind firmware() const { return m_firmware; }
    QByteArray version() const;

    enum class Kind { Nhttpd, Enigma2 };
    void setKind(Kind kind) { m_kind = kind; }
    Kind kind() const { return m_kind; }
    // "USER:PASSWORD" an Enigma2 box wants as HTTP Basic; empty: none.
    void setLogin(const QByteArray &userAndPassword) { m_login = userAndPassword; }
    // Enigma2: answer every message {"result": false, "message": refusal}; empty: take them.
    void setRefusal(const QString &refusal) { m_refusal = refusal; }

    // "tv", "standby", "avinput", …: one of modes().
    static const QList<QByteArray> &modes();
    bool setMode(const QByteArray &mode);
    QByteArray mode() const { return m_mode; }
    // False: a server too old to answer /control/getmode and /control/standby.
    void setKnowsMode(bool knows) { m_knowsMode = knows; }

    static constexpr char kSwitchPath[] = "/boxsim/mode";
    // GET /boxsim/answer?yes, ?no or ?exit presses that key on an open
    // yes/no question (EXIT answers no); 409 when none is open.
    static constexpr char kAnswerPath[] = "/boxsim/answer";

    // The last yes/no question of an Enigma2 receiver: none, open, answered.
    enum class Reply { None, Open, Yes, No };
    Reply reply() const { return m_reply; }
    // Presses a key on the open question; false when none is open.
    bool press(const QByteArray &key);

signals:
    void requestRecorded(const QByteArray &jsonLine);
    void modeChanged(const QByteArray &mode);

private:
    void onNewConnection();
    // Records the request and answers it as an Enigma2 receiver does.
    void answerAsEnigma2(QTcpSocket *socket, const QByteArray &head, const QByteArray &requestLine);
    void record(QTcpSocket *socket, const BoxRequest &request);

    QTcpServer m_server;
    QIODevice *m_output;
    int m_requests = 0;
    FirmwareKind m_firmware = FirmwareKind::New;
    QByteArray m_mode = "tv";
    bool m_knowsMode = true;
    Kind m_kind = Kind::Nhttpd;
    QByteArray m_login;
    QString m_refusal;
    Reply m_reply = Reply::None;
    quint64 m_question = 0; // counts the questions asked, for a timeout's own
};
