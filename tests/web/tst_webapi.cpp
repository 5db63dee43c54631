// The page's API through a real socket: who may ask, every endpoint, bad
// bodies, the Origin and Content-Type rules, the reminder lists (409 on a
// stale version and 422 for a record that never fires, both writing nothing), the bounds of a request
// (431, 413, the 33rd connection, silent clients, a flood of connections
// while a message goes out), 429 after five wrong passwords, and logins
// that outlive a restart but not a new password.
#include "BoxServers.h"
#include "FakeClock.h"
#include "ProcessMemory.h"
#include "TempFolder.h"
#include "WebClient.h"
#include "WebFlood.h"

#include "boxes/BoxSender.h"
#include "common/StatusBoard.h"
#include "engine/Engine.h"
#include "listedit/ReminderListDocument.h"
#include "web/PasswordHash.h"
#include "web/SessionStore.h"
#include "web/WebAccess.h"
#include "web/WebApi.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"

#include <QProcess>
#include <QSslSocket>
#include <QTest>

#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(7, 25));
const QByteArray kPassword = "Sofa und Tee";
const QByteArray kJson = "Content-Type: application/json\r\n";

enum Credentials { None, Wrong, Basic, Cookie, ExpiredCookie, EndedCookie };

QByteArray basic(const QByteArray &password)
{
    return "Authorization: Basic " + ("familie:" + password).toBase64() + "\r\n";
}

// One engine with two boxes (1 on, 2 in standby; 3 and 4 not configured)
// and its page on 127.0.0.1.
struct Page {
    TempFolder folder;
    BoxServers boxes;
    FakeClock clock;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<WebAccess> access;
    std::unique_ptr<WebApi> api;
    std::unique_ptr<WebServer> server;

    explicit Page(const QString &hash)
    {
        clock.set(kStart);
        QByteArray ini = BoxServers::boxipIni();
        const QList<QByteArray> lines = ini.split('\n');
        folder.write("boxip.ini", lines.value(0) + "\n" + lines.value(1) + "\n0.0.0.0\r\n0.0.0.0\r\n");
        folder.write("zelvo.ini", "; mein Kommentar\r\n[Webseite]\r\nPasswort=" + hash.toUtf8() + "\r\n");
        if (!boxes.listen())
            qFatal("no port for the boxes");
        Engine::Options o;
        o.folder = folder.dir();
        o.clock = &clock;
        o.httpPort = boxes.port();
        o.httpTimeoutMs = 5000;
        engine = std::make_unique<Engine>(o);
        engine->sender()->setBoxState(1, BoxState::On);
        engine->sender()->setBoxState(2, BoxState::Standby);
        engine->display()->setLamp(1, BoxState::On);
        engine->display()->setLamp(2, BoxState::Standby);
        start();
    }
    void start()
    {
        server.reset();
        api.reset();
        access = std::make_unique<WebAccess>(folder.dir(), clock);
        api = std::make_unique<WebApi>(engine.get(), access.get());
        server = std::make_unique<WebServer>(api.get());
        WebServer::Options options;
        options.address = "127.0.0.1";
        if (!server->start(options).isEmpty())
            qFatal("page did not start");
    }
    WebReply ask(const QByteArray &method, const QByteArray &target, const QByteArray &headers = QByteArray(),
                 const QByteArray &body = QByteArray())
    {
        return webExchange(server->port(), webRequest(method, target, server->port(), headers, body));
    }
    QByteArray login()
    {
        const WebReply r = ask("POST", "/api/login", kJson, "{\"password\":\"" + kPassword + "\"}");
        const QByteArray cookie = r.headers.value("set-cookie");
        return cookie.left(cookie.indexOf(';'));
    }
};

} // namespace

class TestWebApi : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_page.reset(); }
    void api_data();
    void api();
    void boundsOfRequests_data();
    void boundsOfRequests();
    void connectionsBoundedSilentOnesClosed();
    void floodWhileSending();
    void fiveWrongPasswordsThen429();
    void floodOfWrongPasswords();
    void loginsOutliveRestartNotNewPassword();
    void httpsWithCertificate();

private:
    std::unique_ptr<Page> m_page;
    QByteArray m_cookie;
    QString m_hash;
};

void TestWebApi::initTestCase()
{
    m_hash = PasswordHash::make(QString::fromUtf8(kPassword));
    m_page = std::make_unique<Page>(m_hash);
    // One message held for box 2.
    m_page->engine->sender()->send(2, Message{MessageKind::Popup, "Wäsche aufhängen"}, MessageOrigin{MessageSource::Reminder});
    const WebReply r = m_page->ask("POST", "/api/login", kJson, "{\"password\":\"" + kPassword + "\"}");
    const QByteArray cookie = r.headers.value("set-cookie");
    QVERIFY2(QRegularExpression("^zelvo=[0-9a-f]{32}; HttpOnly; SameSite=Strict; Path=/; Max-Age=7776000$")
                 .match(QString::fromLatin1(cookie))
                 .hasMatch(),
             cookie.constData());
    m_cookie = cookie.left(cookie.indexOf(';'));
    m_page->folder.write("zlv-woch.txt", "mo 07:25 07:30 p 1 Tonne raus\r\nkaputt\r\n");
    m_page->folder.write("familie.ics", "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//DE\r\nBEGIN:VEVENT\r\n"
                                        "UID:1\r\nDTSTART;TZID=Europe/Berlin:20261207T180000\r\nSUMMARY:Chor\r\n"
                                        "END:VEVENT\r\nBEGIN:VEVENT\r\nUID:2\r\nDTSTART;VALUE=DATE:20261213\r\n"
                                        "SUMMARY:Adventskaffee\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
}

void TestWebApi::api_data()
{
    QTest::addColumn<int>("credentials");
    QTest::addColumn<QByteArray>("request"); // method and target
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("answer"); // the whole JSON, or "~" and a part of it
    QTest::addColumn<int>("messagesToBox1");
    const auto row = [](const char *name, Credentials c, const QByteArray &request, const QByteArray &headers,
                        const QByteArray &body, int status, const QByteArray &answer, int messages = 0) {
        QTest::newRow(name) << int(c) << request << headers << body << status << answer << messages;
    };
    const QByteArray status = "{\"boxes\":[{\"address\":\"127.0.0.2\",\"box\":1,\"held\":0,\"kind\":\"nhttpd\","
                              "\"state\":\"on\"},{\"address\":\"127.0.0.3\",\"box\":2,\"held\":1,\"kind\":\"nhttpd\","
                              "\"state\":\"standby\"}]}";
    const QByteArray send = "POST /api/send";
    row("no credentials", None, "GET /api/status", "", "", 401, "{\"error\":\"Bitte zuerst mit dem Passwort anmelden.\"}");
    row("wrong password", Wrong, "GET /api/status", "", "", 401, "{\"error\":\"Das Passwort stimmt nicht.\"}");
    row("basic", Basic, "GET /api/status", "", "", 200, status);
    row("cookie", Cookie, "GET /api/status", "", "", 200, status);
    row("expired cookie", ExpiredCookie, "GET /api/status", "", "", 401, "~anmelden");
    row("ended cookie", EndedCookie, "GET /api/status", "", "", 401, "~anmelden");
    row("held", Cookie, "GET /api/held", "", "", 200,
        "~{\"box\":2,\"id\":1,\"kind\":\"popup\",\"reason\":\"standby\",\"since\":\"2026-12-07T07:25:00+01:00\"");
    row("send to 1, 2 and 3", Basic, send, kJson, "{\"text\":\"Essen ist fertig\",\"boxes\":[1,2,3],\"kind\":\"popup\"}",
        200,
        "{\"results\":[{\"box\":1,\"detail\":\"beantwortet (HTTP 200)\",\"outcome\":\"delivered\"},"
        "{\"box\":2,\"detail\":\"zurückgehalten (Box im Standby)\",\"outcome\":\"held\"},"
        "{\"box\":3,\"detail\":\"nicht gesendet: Box 3 ist nicht eingerichtet\",\"outcome\":\"failed\"}]}",
        1);
    row("send, no boxes: every configured one", Cookie, send, kJson + "Origin: http://127.0.0.1:PORT\r\n",
        "{\"text\":\"Tee\",\"expire\":0}", 200,
        "~{\"box\":2,\"detail\":\"nicht gesendet: Box im Standby, nicht zurückgehalten\",\"outcome\":\"failed\"}", 1);
    row("record", Cookie, "GET /api/record?limit=1", "", "", 200,
        "~{\"entries\":[{\"box\":2,\"detail\":\"nicht gesendet: Box im Standby, nicht zurückgehalten\",\"firstLine\":"
        "\"Tee\",\"id\":6,\"kind\":\"message\",\"outcome\":\"failed\",\"source\":\"Webseite\",\"text\":\"Tee\","
        "\"time\":\"2026-12-07T07:25:00+01:00\"");
    row("discard held", Cookie, "DELETE /api/held/1", kJson, "", 200, "{\"discarded\":1}");
    row("discard it again", Cookie, "DELETE /api/held/1", kJson, "", 404, "~wartet nicht mehr");
    row("discarded in the record", Cookie, "GET /api/record?limit=9", "", "", 200,
        "~\"detail\":\"verworfen um 07:25:00, zuvor zurückgehalten (Box im Standby)\",\"firstLine\":\"Wäsche aufhängen\"");
    row("not JSON", Basic, send, kJson, "text=Hallo", 400, "~kein JSON-Objekt");
    row("a number as text", Basic, send, kJson, "{\"text\":5}", 400, "~muss ein Text");
    row("box 0", Basic, send, kJson, "{\"text\":\"x\",\"boxes\":[0]}", 400, "~Nummern 1 bis 4");
    row("box 5", Basic, send, kJson, "{\"text\":\"x\",\"boxes\":[5]}", 400, "~Nummern 1 bis 4");
    row("empty text", Basic, send, kJson, "{\"text\":\"\"}", 400, "~Der Text ist leer.");
    row("control characters only", Basic, send, kJson, "{\"text\":\"\\n\\t\\u0001\"}", 400, "~Der Text ist leer.");
    row("unknown kind", Basic, send, kJson, "{\"text\":\"x\",\"kind\":\"laut\"}", 400, "~popup");
    row("other origin", Cookie, send, kJson + "Origin: http://example.org\r\n", "{\"text\":\"x\"}", 403,
        "~nicht von Zelvos Seite");
    row("no JSON type", Cookie, send, "Content-Type: text/plain\r\n", "{\"text\":\"x\"}", 415, "~application/json");
    row("delete without JSON type", Cookie, "DELETE /api/held/1", "", "", 415, "~JSON");
    row("length of a short text", Cookie, "POST /api/preview", kJson, "{\"text\":\"Essen\\r\\nist fertig\"}", 200,
        "{\"characters\":16,\"shortened\":false,\"words\":\"16 Zeichen\"}");
    row("length of a text to be cut", Cookie, "POST /api/preview", kJson,
        "{\"text\":\"" + QByteArray(1200, '&') + "\",\"kind\":\"popup\"}", 200,
        "~{\"characters\":1200,\"shortened\":true,\"words\":\"1.200 Zeichen, davon kommen ");
    row("unknown", Basic, "GET /api/nichts", "", "", 404, "~kennt Zelvo nicht");
    row("upcoming today: a list and a calendar", Cookie, "GET /api/upcoming?days=1", "", "", 200,
        "{\"reminders\":[{\"box\":1,\"kind\":\"popup\",\"source\":\"zlv-woch.txt\",\"text\":\"07:30 Tonne raus\","
        "\"time\":\"2026-12-07T07:25:20+01:00\"},{\"box\":1,\"kind\":\"popup\",\"source\":\"familie.ics\","
        "\"text\":\"18:00 Chor\",\"time\":\"2026-12-07T18:00:00+01:00\"}]}");
    row("upcoming: seven days unless asked", Basic, "GET /api/upcoming", "", "", 200,
        "~{\"box\":1,\"kind\":\"popup\",\"source\":\"familie.ics\",\"text\":\"Adventskaffee\","
        "\"time\":\"2026-12-13T08:00:00+01:00\"}");
    row("upcoming: no days", Cookie, "GET /api/upcoming?days=0", "", "", 400,
        "{\"error\":\"„days“ ist eine Zahl von 1 bis 7.\"}");
    row("upcoming: more than a week", Cookie, "GET /api/upcoming?days=8", "", "", 400, "~von 1 bis 7");
    row("upcoming: not a number", Cookie, "GET /api/upcoming?days=x", "", "", 400, "~von 1 bis 7");
    row("the page", None, "GET /", "", "", 200, "~<html lang=\"de\">");

    // The weekly list; VERSION stands for the version on disk.
    const QByteArray weekly = "/api/lists/weekly";
    const QByteArray fields = "\"fields\":{\"day\":\"mi\",\"trigger\":\"18:00\",\"event\":\"18:30\",\"kind\":"
                              "\"message\",\"box\":2,\"text\":\"Gelbe Säcke\"";
    row("list", Cookie, "GET " + weekly, "", "", 200,
        "~\"records\":[{\"fields\":{\"box\":1,\"day\":\"mo\",\"event\":\"07:30\",\"kind\":\"popup\",\"text\":"
        "\"Tonne raus\",\"trigger\":\"07:25\"},\"fires\":true,\"hints\":[],\"line\":1,\"reason\":null},"
        "{\"fields\":null,\"fires\":false,\"hints\":[],\"line\":2,\"raw\":\"kaputt\",\"reason\":");
    row("add", Cookie, "POST " + weekly, kJson, "{\"version\":\"VERSION\"," + fields + "}}", 200, "~\"reason\":null");
    row("add on a stale version", Cookie, "POST " + weekly, kJson, "{\"version\":\"alt\"," + fields + "}}", 409,
        "~{\"reason\":\"zlv-woch.txt wurde inzwischen geändert\",\"version\":\"");
    row("change", Cookie, "PUT " + weekly + "/3", kJson,
        "{\"version\":\"VERSION\"," + QByteArray(fields).replace("\"box\":2", "\"box\":3") + "}}", 200,
        "~\"reason\":null");
    row("a field missing", Cookie, "PUT " + weekly + "/3", kJson, "{\"version\":\"VERSION\",\"fields\":{}}", 400,
        "~\"reason\":\"das Feld \\\"trigger\\\" fehlt");
    row("a day code that is none", Cookie, "POST " + weekly, kJson,
        "{\"version\":\"VERSION\"," + QByteArray(fields).replace("\"mi\"", "\"xx\"") + "}}", 400, "~Tageskürzel");
    row("no such line", Cookie, "DELETE " + weekly + "/9?version=VERSION", kJson, "{}", 404,
        "~\"reason\":\"Zeile 9 gibt es nicht\"");
    row("delete on a stale version", Cookie, "DELETE " + weekly + "/2?version=alt", kJson, "{}", 409, "~geändert");
    row("send a line that is no reminder", Cookie, "POST " + weekly + "/2/send", kJson, "{\"version\":\"VERSION\"}",
        400, "~\"reason\":\"in Zeile 2 steht keine Erinnerung\"");
    row("send on a stale version", Cookie, "POST " + weekly + "/1/send", kJson, "{\"version\":\"alt\"}", 409, "~geändert");
    row("change, not JSON", Cookie, "PUT " + weekly + "/1", kJson, "day=mo", 400, "~kein JSON-Objekt");
    row("no version", Cookie, "POST " + weekly, kJson, "{" + fields + "}}", 400, "~\"reason\":\"die Version fehlt");
    row("delete", Cookie, "DELETE " + weekly + "/2?version=VERSION", kJson, "{}", 200, "~\"reason\":null");
    row("after the edits", Cookie, "GET " + weekly, "", "", 200,
        "~\"line\":1,\"reason\":null},{\"fields\":{\"box\":3,\"day\":\"mi\",\"event\":\"18:30\",\"kind\":"
        "\"message\",\"text\":\"Gelbe Säcke\",\"trigger\":\"18:00\"},\"fires\":true,\"hints\":[\"Hinweis: Box 3 ist");
    row("send line 1 now", Cookie, "POST " + weekly + "/1/send", kJson, "{\"version\":\"VERSION\"}", 200,
        "{\"results\":[{\"box\":1,\"detail\":\"beantwortet (HTTP 200)\",\"outcome\":\"delivered\"}]}", 1);
    row("send line 2 now: box 3 is not set up", Cookie, "POST " + weekly + "/2/send", kJson,
        "{\"version\":\"VERSION\"}", 200, "~{\"results\":[{\"box\":3,\"detail\":\"nicht gesendet: ");
    const QByteArray past = "{\"version\":\"0\",\"fields\":{\"date\":\"2026-12-01\",\"trigger\":\"??:15\",\"event\":"
                            "\"     \",\"kind\":\"popup\",\"box\":1,\"text\":\"vorbei\"}";
    row("a day gone by: never fires", Cookie, "POST /api/lists/dated", kJson, past + "}", 422,
        "~{\"reason\":\"wird nie gesendet: Termin");
    row("a day gone by, forced", Cookie, "POST /api/lists/dated", kJson, past + ",\"force\":true}", 200,
        "~\"reason\":null");
    row("change from another site", Cookie, "PUT " + weekly + "/1", kJson + "Origin: http://example.org\r\n", "{}", 403,
        "~nicht von Zelvos Seite");
    row("a list that is none", Cookie, "GET /api/lists/monthly", "", "", 404, "~kennt Zelvo nicht");
}

void TestWebApi::api()
{
    QFETCH(int, credentials);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, answer);
    QFETCH(int, messagesToBox1);
    Page &page = *m_page;
    // The watch's word, fresh for every row.
    page.engine->sender()->setBoxState(1, BoxState::On);
    page.engine->sender()->setBoxState(2, BoxState::Standby);
    headers.replace("PORT", QByteArray::number(page.server->port()));
    if (credentials == Wrong)
        headers += basic("falsch");
    if (credentials == Basic)
        headers += basic(kPassword);
    if (credentials == Cookie)
        headers += "Cookie: theme=dunkel; " + m_cookie + "\r\n";
    QByteArray other;
    if (credentials == ExpiredCookie) {
        other = page.login();
        page.clock.set(kStart.addDays(SessionStore::kDays).addSecs(1));
        headers += "Cookie: " + other + "\r\n";
    }
    if (credentials == EndedCookie) {
        other = page.login();
        QCOMPARE(page.ask("POST", "/api/logout", kJson + "Cookie: " + other + "\r\n", "{}").status, 200);
        headers += "Cookie: " + other + "\r\n";
    }
    const int before = page.boxes.box(1).messages().size();
    const QByteArray lists = page.folder.read("zlv-woch.txt") + page.folder.read("zlv-term.txt");
    const QByteArray version = ReminderListDocument::versionOnDisk(page.folder.dir(), ReminderListKind::Weekly).toUtf8();
    request.replace("VERSION", version);
    body.replace("VERSION", version);

    const QByteArray method = request.split(' ').first();
    const WebReply r = page.ask(method, request.split(' ').last(), headers, method == "GET" ? QByteArray() : body);
    if (status != 200 || method == "GET")
        QCOMPARE(page.folder.read("zlv-woch.txt") + page.folder.read("zlv-term.txt"), lists);
    page.clock.set(kStart);
    QCOMPARE(r.status, status);
    if (answer.startsWith('~'))
        QVERIFY2(r.body.contains(answer.mid(1)), r.body.constData());
    else
        QCOMPARE(r.body, answer);
    QCOMPARE(page.boxes.box(1).messages().size() - before, messagesToBox1);
    QCOMPARE(r.headers.value("cache-control"), QByteArray("no-store"));
    QCOMPARE(r.headers.value("content-security-policy"), QByteArray("default-src 'self'"));
    QCOMPARE(r.headers.value("x-frame-options"), QByteArray("DENY"));
    QCOMPARE(r.headers.value("referrer-policy"), QByteArray("no-referrer"));
    // A script's client may ask for the password; the page's own form does.
    QCOMPARE(r.headers.contains("www-authenticate"), status == 401);
}

void TestWebApi::boundsOfRequests_data()
{
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<qint64>("bodyBytes");
    QTest::addColumn<int>("status");
    QTest::newRow("head of 9 KB") << "X-Fuell: " + QByteArray(9 * 1024, 'a') + "\r\n" << qint64(-1) << 431;
    QTest::newRow("head of 7 KB") << "X-Fuell: " + QByteArray(7 * 1024, 'a') + "\r\n" + kJson << qint64(-1) << 400;
    QTest::newRow("body of 64 KB") << kJson << qint64(64 * 1024) << 400;
    QTest::newRow("body of 100 MB") << kJson << qint64(100) * 1024 * 1024 << 413;
}

void TestWebApi::boundsOfRequests()
{
    QFETCH(QByteArray, headers);
    QFETCH(qint64, bodyBytes);
    QFETCH(int, status);
    const quint16 port = m_page->server->port();
    QByteArray head = "POST /api/send HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + basic(kPassword);
    if (bodyBytes >= 0)
        head += "Content-Length: " + QByteArray::number(bodyBytes) + "\r\n";
    head += "\r\n";
    // The body goes a megabyte at a time, so that only the server could grow.
    QTcpSocket socket;
    QByteArray got;
    qint64 left = qMax<qint64>(bodyBytes, 0);
    const QByteArray chunk(1024 * 1024, ' ');
    const auto more = [&] {
        while (left > 0 && socket.bytesToWrite() < chunk.size()) {
            const qint64 n = qMin<qint64>(left, chunk.size());
            socket.write(chunk.constData(), n);
            left -= n;
        }
    };
    connect(&socket, &QTcpSocket::connected, [&] { socket.write(head); more(); });
    connect(&socket, &QTcpSocket::bytesWritten, more);
    connect(&socket, &QTcpSocket::readyRead, [&] { got += socket.readAll(); });
    const qint64 peakBefore = processStatusKiB("VmHWM");
    socket.connectToHost(QHostAddress::LocalHost, port);
    QTRY_VERIFY_WITH_TIMEOUT(socket.state() == QAbstractSocket::UnconnectedState, 60000);
    QCOMPARE(got.mid(9, 3).toInt(), status);
    QVERIFY(processStatusKiB("VmHWM") - peakBefore < 20 * 1024);
}

// 32 silent clients: the 33rd waits until the page closes them, after 10 s
// of silence, and is answered then.
void TestWebApi::connectionsBoundedSilentOnesClosed()
{
    const quint16 port = m_page->server->port();
    std::vector<std::unique_ptr<QTcpSocket>> silent;
    for (int i = 0; i < WebServer::kMaxConnections; ++i) {
        silent.push_back(std::make_unique<QTcpSocket>());
        silent.back()->connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(silent.back()->waitForConnected(5000));
    }
    QTest::qWait(200); // the page takes them in
    QElapsedTimer since;
    since.start();
    QTcpSocket waiting;
    waiting.connectToHost(QHostAddress::LocalHost, port);
    waiting.write(webRequest("GET", "/api/status", port));
    QTRY_VERIFY_WITH_TIMEOUT(waiting.bytesAvailable() > 0, 20000);
    QVERIFY(since.elapsed() >= (WebServer::kTimeoutSeconds - 1) * 1000);
    QVERIFY(waiting.readAll().startsWith("HTTP/1.1 401"));
    for (const auto &s : silent)
        QTRY_COMPARE(s->state(), QAbstractSocket::UnconnectedState);
}

void TestWebApi::floodWhileSending()
{
    rlimit files {};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    if (files.rlim_cur < 2200)
        QSKIP("too few file descriptors for 1,000 connections");
    Page &page = *m_page;
    const qint64 before = processStatusKiB("VmRSS");
    std::vector<std::unique_ptr<QTcpSocket>> flood;
    for (int i = 0; i < 1000; ++i) {
        flood.push_back(std::make_unique<QTcpSocket>());
        flood.back()->connectToHost(QHostAddress::LocalHost, page.server->port());
    }
    const int sent = page.boxes.box(1).messages().size();
    page.engine->sender()->send(1, Message{MessageKind::Popup, "Erinnerung"}, MessageOrigin{MessageSource::Reminder});
    QTRY_COMPARE(page.boxes.box(1).messages().size(), sent + 1);
    QVERIFY(processStatusKiB("VmRSS") - before < 60 * 1024);
    flood.clear();
    QTRY_COMPARE(page.ask("GET", "/api/status", basic(kPassword)).status, 200);
}

void TestWebApi::fiveWrongPasswordsThen429()
{
    Page page(m_hash); // a guard that has seen nothing
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("5 falsche Passwörter von 127.0.0.1 in einer Minute"));
    for (int i = 1; i <= 5; ++i)
        QCOMPARE(page.ask("GET", "/api/status", basic("geraten" + QByteArray::number(i))).status, 401);
    const WebReply r = page.ask("GET", "/api/status", basic(kPassword));
    QCOMPARE(r.status, 429);
    QVERIFY(r.body.contains("Zu viele falsche Passwörter"));
    QCOMPARE(page.ask("POST", "/api/login", kJson, "{\"password\":\"" + kPassword + "\"}").status, 429);
}

// 10,000 wrong passwords, every other one from 127.0.0.1, the rest each from
// an address of its own (127.0.x.y), while a message goes out: one address
// gets 429 after its five, the others derive at most kMaxChecks at once and
// are told 503 beyond; the message leaves, and once the flood ends the right
// password logs in from another address.
void TestWebApi::floodOfWrongPasswords()
{
    Page page(m_hash);
    const auto from = [](int i) {
        return QHostAddress(i % 2 ? quint32(0x7f010000 + i) : quint32(0x7f000001)); // 127.1.x.y or 127.0.0.1
    };
    const quint16 port = page.server->port();
    const int sent = page.boxes.box(1).messages().size();
    const QList<int> statuses = WebFlood(port, 64).run(
        10000, from, [port](int i) { return webRequest("GET", "/api/status", port, basic("geraten" + QByteArray::number(i))); },
        [&page](int ended) {
            if (ended == 5000)
                page.engine->sender()->send(1, Message{MessageKind::Popup, "Erinnerung"},
                                            MessageOrigin{MessageSource::Reminder});
        });
    QCOMPARE(page.boxes.box(1).messages().size(), sent + 1);
    QMap<int, int> one, many;
    for (int i = 0; i < statuses.size(); ++i)
        ++(i % 2 ? many : one)[statuses.at(i)];
    QCOMPARE(one.keys() + many.keys(), (QList<int>{401, 429, 503, 401, 503}));
    QVERIFY(one.value(401) >= LoginGuard::kTries && one.value(401) < LoginGuard::kTries + WebAccess::kMaxChecks);
    QVERIFY2(statuses.at(9998) == 429, QByteArray::number(statuses.at(9998)));
    QVERIFY(many.value(401) > 0 && many.value(503) > 0);
    QTRY_COMPARE_WITH_TIMEOUT(WebFlood(port, 1).run(1, [](int) { return QHostAddress("127.0.9.9"); },
                                                    [port](int) {
                                                        return webRequest("POST", "/api/login", port, kJson,
                                                                          "{\"password\":\"" + kPassword + "\"}");
                                                    }),
                              QList<int>{200}, 20000);
}

void TestWebApi::loginsOutliveRestartNotNewPassword()
{
    Page page(m_hash);
    const QByteArray cookie = "Cookie: " + page.login() + "\r\n";
    struct stat st {};
    const QString sessions = page.folder.path(SessionStore::kFileName);
    QCOMPARE(::stat(QFile::encodeName(sessions).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
    QVERIFY(!page.folder.read(SessionStore::kFileName).contains(cookie.mid(14, 32)));

    // A login under way while the page ends: it gets no answer, and no crash.
    QTcpSocket waiting;
    waiting.connectToHost(QHostAddress::LocalHost, page.server->port());
    waiting.write(webRequest("POST", "/api/login", page.server->port(), kJson, "{\"password\":\"x\"}"));
    QVERIFY(waiting.waitForBytesWritten(5000));
    QTest::qWait(300); // read, and waiting for its derivation
    page.server.reset();
    page.start(); // a restart: the login is read back
    QCOMPARE(page.ask("GET", "/api/status", cookie).status, 200);
    QVERIFY(WebSettings(page.folder.dir()).setPasswordHash(PasswordHash::make("neu")).isEmpty());
    QVERIFY(page.folder.read("zelvo.ini").startsWith("; mein Kommentar\r\n[Webseite]\r\n"));
    QCOMPARE(page.ask("GET", "/api/status", cookie).status, 401);
}

void TestWebApi::httpsWithCertificate()
{
    TempFolder keys;
    QProcess openssl;
    openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=zelvo",
                              "-keyout", keys.path("key.pem"), "-out", keys.path("cert.pem")});
    if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
        QSKIP("openssl cannot make a certificate here");
    WebServer server(m_page->api.get());
    QVERIFY(server.start({"127.0.0.1", 0, keys.read("cert.pem"), keys.read("key.pem")}).isEmpty());
    QSslSocket tls;
    tls.setPeerVerifyMode(QSslSocket::VerifyNone); // made a moment ago, by nobody a browser knows
    tls.connectToHostEncrypted("127.0.0.1", server.port());
    tls.write(webRequest("GET", "/api/status", server.port()));
    QTRY_VERIFY(tls.state() == QAbstractSocket::UnconnectedState || tls.bytesAvailable() > 12);
    QVERIFY(tls.readAll().startsWith("HTTP/1.1 401"));
    QCOMPARE(webExchange(server.port(), webRequest("GET", "/api/status", server.port()), 3000).status, 0);
}

int main(int argc, char *argv[])
{
    qputenv("TZ", "Europe/Berlin"); // the times' offset in the answers
    QCoreApplication app(argc, argv);
    TestWebApi test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_webapi.moc"
