#include "BoxSimulator.h"

#include "BoxRequest.h"
#include "Enigma2Reading.h"
#include "NhttpdReading.h"

#include <QDateTime>
#include <QFileDevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

// A head larger than this is no request a box would take.
constexpr int kMaxHead = 64 * 1024;

QByteArray answer(const QByteArray &version, const QByteArray &body, const QByteArray &status = "200 OK")
{
    return "HTTP/1.1 " + status + "\r\n"
           "Server: nhttpd/" + version + "\r\n"
           "Content-Type: text/plain\r\n"
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
           "Connection: close\r\n"
           "\r\n" + body;
}

// An Enigma2 receiver's web interface answers from a Python web server.
QByteArray enigma2Answer(const QByteArray &body, const QByteArray &status = "200 OK",
                         const QByteArray &extraHeaders = {})
{
    return "HTTP/1.1 " + status + "\r\n"
           "Server: TwistedWeb/22.10.0\r\n"
           "Content-Type: application/json; charset=utf-8\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n"
           "Connection: close\r\n"
           "\r\n" + body;
}

QByteArray json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// The value of the header name in head (name without ':', case ignored).
QByteArray headerValue(const QByteArray &head, const QByteArray &name)
{
    for (const QByteArray &line : head.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

} // namespace

QByteArray BoxSimulator::version() const
{
    if (m_kind == Kind::Enigma2)
        return "OWIF 1.5.2";
    return m_firmware == FirmwareKind::Old ? "3.1.9" : "3.6.0";
}

const QList<QByteArray> &BoxSimulator::modes()
{
    static const QList<QByteArray> all{"tv",  "radio", "avinput", "standby",  "audio",  "pic",
                                       "ts",  "webtv", "upnp",    "webradio", "unknown"};
    return all;
}

bool BoxSimulator::setMode(const QByteArray &mode)
{
    if (!modes().contains(mode))
        return false;
    if (mode != m_mode) {
        m_mode = mode;
        // A dark screen closes the question unanswered.
        if (mode == "standby" && m_reply == Reply::Open)
            m_reply = Reply::None;
        emit modeChanged(mode);
    }
    return true;
}

BoxSimulator::BoxSimulator(QIODevice *output, QObject *parent)
    : QObject(parent)
    , m_output(output)
{
    connect(&m_server, &QTcpServer::newConnection, this, &BoxSimulator::onNewConnection);
}

bool BoxSimulator::press(const QByteArray &key)
{
    if (m_reply != Reply::Open || (key != "yes" && key != "no" && key != "exit"))
        return false;
    m_reply = key == "yes" ? Reply::Yes : Reply::No;
    return true;
}

bool BoxSimulator::listen(const QHostAddress &address, quint16 port)
{
    return m_server.listen(address, port);
}

void BoxSimulator::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0) {
                if (buffer->size() > kMaxHead)
                    socket->abort();
                return;
            }
            const QByteArray head = buffer->left(end);
            const int lineEnd = head.indexOf("\r\n");
            BoxRequest request = BoxRequest::fromRequestLine(lineEnd < 0 ? head : head.left(lineEnd), m_firmware);
            // One request per connection, as the box does.
            buffer->clear();
            const NhttpdReading reading(request.target, m_firmware == FirmwareKind::Old);
            if (reading.path() == kSwitchPath) {
                const QByteArray wanted = reading.value("set");
                const bool ok = wanted.isNull() || setMode(wanted);
                const QByteArray body = ok ? m_mode + '\n' : QByteArray("unbekannter Modus\n");
                const QByteArray status = ok ? "200 OK" : "400 Bad Request";
                socket->write(m_kind == Kind::Enigma2 ? enigma2Answer(body, status) : answer(version(), body, status));
                socket->disconnectFromHost();
                return;
            }

            if (reading.path() == kAnswerPath) {
                const bool pressed = press(reading.firstName());
                const QByteArray body = pressed ? reading.firstName() + '\n' : QByteArray("keine offene Frage\n");
                const QByteArray status = pressed ? "200 OK" : "409 Conflict";
                socket->write(m_kind == Kind::Enigma2 ? enigma2Answer(body, status) : answer(version(), body, status));
                socket->disconnectFromHost();
                return;
            }

            if (m_kind == Kind::Enigma2) {
                answerAsEnigma2(socket, head, lineEnd < 0 ? head : head.left(lineEnd));
                socket->disconnectFromHost();
                return;
            }
            // The firmware shows messages only outside these two modes.
            if (!request.kind.isEmpty() && (m_mode == "standby" || m_mode == "avinput")) {
                request.shown.clear();
                request.discarded = QString::fromLatin1(m_mode);
            }
            record(socket, request);

            const bool asksVersion = reading.path() == NhttpdReading::kVersionPath
                                     && reading.firstName() == "nhttpd_version";
            const bool asksMode = reading.path() == NhttpdReading::kModePath
                                  || reading.path() == NhttpdReading::kStandbyPath;
            if (asksVersion)
                socket->write(answer(version(), version() + '\n'));
            else if (asksMode && !m_knowsMode)
                socket->write(answer(version(), "404 : Not Found\n", "404 Not Found"));
            else if (reading.path() == NhttpdReading::kModePath)
                socket->write(answer(version(), m_mode + '\n'));
            else if (reading.path() == NhttpdReading::kStandbyPath)
                socket->write(answer(version(), m_mode == "standby" ? "on\n" : "off\n"));
            else
                socket->write(answer(version(), "ok\n"));
            socket->disconnectFromHost();
        });
    }
}

void BoxSimulator::record(QTcpSocket *socket, const BoxRequest &request)
{
    const QByteArray line = request.toJsonLine(socket->localAddress().toString(),
                                               QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    m_output->write(line + '\n');
    // Whoever watches the output sees each request the moment it came.
    if (auto *file = qobject_cast<QFileDevice *>(m_output))
        file->flush();
    ++m_requests;
    emit requestRecorded(line);
}

void BoxSimulator::answerAsEnigma2(QTcpSocket *socket, const QByteArray &head, const QByteArray &requestLine)
{
    BoxRequest request = BoxRequest::fromEnigma2RequestLine(requestLine);
    const Enigma2Reading reading(request.target);
    const bool standby = m_mode == "standby";

    if (!m_login.isEmpty() && headerValue(head, "Authorization") != "Basic " + m_login.toBase64()) {
        request.shown.clear();
        request.discarded = QStringLiteral("unauthorized");
        record(socket, request);
        socket->write(enigma2Answer("<html><body>Unauthorized</body></html>", "401 Unauthorized",
                                    "WWW-Authenticate: Basic realm=\"OpenWebif\"\r\n"));
        return;
    }
    const auto text = [](const char *latin1) { return QString::fromLatin1(latin1); };
    const QString type = reading.value("type");
    QString refusal; // of a message, in the interface's words
    if (!request.kind.isEmpty()) {
        if (reading.value("text").isNull())
            refusal = text("Error: text parameter missing");
        else if (type.size() != 1 || type.at(0) < QLatin1Char('0') || type.at(0) > QLatin1Char('3'))
            refusal = text("Error: type must be 0, 1, 2 or 3");
        else
            refusal = m_refusal;
    }
    if (!request.kind.isEmpty() && (standby || !refusal.isEmpty())) {
        request.shown.clear();
        request.discarded = refusal.isEmpty() ? QString::fromLatin1(m_mode) : text("refused");
    }
    record(socket, request);

    if (reading.path() == Enigma2Reading::kMessagePath) {
        const bool taken = refusal.isEmpty();
        if (taken && !standby && request.kind == QLatin1String("question")) {
            m_reply = Reply::Open; // replaces an older question and its answer
            const quint64 asked = ++m_question;
            bool number = false;
            const int seconds = request.timeout.toInt(&number);
            if (number && seconds > 0)
                QTimer::singleShot(seconds * 1000, this, [this, asked] {
                    if (m_question == asked && m_reply == Reply::Open)
                        m_reply = Reply::Yes;
                });
        }
        socket->write(enigma2Answer(json({{text("result"), taken},
                                          {text("message"), taken ? text("Message sent successfully!") : refusal}})));
    } else if (reading.path() == Enigma2Reading::kMessageAnswerPath) {
        const bool answered = m_reply == Reply::Yes || m_reply == Reply::No;
        socket->write(enigma2Answer(json({{text("result"), answered},
                                          {text("message"), !answered              ? text("No answer in time")
                                                            : m_reply == Reply::Yes ? text("Answer is YES!")
                                                                                    : text("Answer is NO!")}})));
    } else if (reading.path() == Enigma2Reading::kPowerStatePath) {
        socket->write(enigma2Answer(json({{text("result"), true}, {text("instandby"), standby}})));
    } else if (reading.path() == Enigma2Reading::kStatusInfoPath) {
        // This interface writes the standby state as a string here.
        socket->write(enigma2Answer(json({{text("inStandby"), text(standby ? "true" : "false")},
                                          {text("isRecording"), text("false")}})));
    } else if (reading.path() == Enigma2Reading::kAboutPath) {
        const QJsonObject info{{text("brand"), text("boxsim")},
                               {text("model"), text("Enigma2")},
                               {text("webifver"), QString::fromLatin1(version())},
                               {text("enigmaver"), text("2026-01-01")}};
        socket->write(enigma2Answer(json({{text("info"), info}, {text("service"), QJsonObject{}}})));
    } else {
        socket->write(enigma2Answer("<html><body>Not Found</body></html>", "404 Not Found"));
    }
}
