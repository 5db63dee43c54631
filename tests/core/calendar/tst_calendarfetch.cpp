#include "FakeClock.h"
#include "TempFolder.h"
#include "calendar/CalendarFetcher.h"
#include "calendar/CalendarTable.h"
#include "common/StatusBoard.h"
#include "engine/DefaultFolder.h"
#include "engine/Engine.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

namespace {

const QByteArray kPassword = "geheim-7Qx";
QStringList g_log;

void keepLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    g_log << text;
}

QByteArray eventAt(const QByteArray &start)
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//DE\r\nBEGIN:VEVENT\r\nUID:arzt\r\nDTSTAMP:20260101T000000Z\r\n"
           "DTSTART;TZID=Europe/Berlin:" + start + "\r\nSUMMARY:Arzt\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

QStringList shown(const QList<CalendarReminder> &list)
{
    QStringList lines;
    for (const CalendarReminder &r : list)
        lines << QDateTime::fromSecsSinceEpoch(r.due).toString("yyyy-MM-dd HH:mm ") + r.message.text;
    return lines;
}

} // namespace

class TestCalendarFetch : public QObject
{
    Q_OBJECT
private slots:
    void caldavSubscription();
    void failingFetchOnThePanel();
    void badServersLeaveTheKeptCopy_data();
    void badServersLeaveTheKeptCopy();
    void passwordOnlyHome_data();
    void passwordOnlyHome();
};

void TestCalendarFetch::caldavSubscription()
{
    const QString radicale = QStandardPaths::findExecutable("radicale");
    if (radicale.isEmpty())
        QSKIP("radicale is not installed (scripts/install-deps.sh test)");
    TempFolder server;
    QTcpServer probe; // a free port
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    server.write("users", "oma:" + kPassword + "\n");
    server.write("config", QStringLiteral("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\nhtpasswd_filename = %2\n"
                                          "htpasswd_encryption = plain\n[storage]\nfilesystem_folder = %3\n")
                               .arg(port).arg(server.path("users"), server.path("data")).toUtf8());
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(radicale, {"--config", server.path("config")});
    QVERIFY(process.waitForStarted());
    auto stop = qScopeGuard([&] { process.kill(); process.waitForFinished(); });

    QNetworkAccessManager net;
    const QString base = QStringLiteral("http://127.0.0.1:%1/oma/familie/").arg(port);
    const auto call = [&](const QByteArray &verb, const QString &url, const QByteArray &body) {
        QNetworkRequest req{QUrl(url)};
        req.setRawHeader("Authorization", "Basic " + ("oma:" + kPassword).toBase64());
        req.setHeader(QNetworkRequest::ContentTypeHeader, "text/calendar");
        QNetworkReply *reply = net.sendCustomRequest(req, verb, body);
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(10000);
        reply->deleteLater();
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    };
    int made = 0;
    for (int i = 0; i < 50 && made == 0; ++i) { // until the server listens
        made = call("MKCALENDAR", base, {});
        if (made == 0)
            QTest::qWait(100);
    }
    QCOMPARE(made, 201);
    QCOMPARE(call("PUT", base + "arzt.ics", eventAt("20260507T100000")), 201);

    TempFolder folder;
    folder.write("zelvo.ini", QStringLiteral("[Kalender1]\nAdresse=%1\nName=Familie\nBenutzer=oma\nPasswort=%2\n")
                                  .arg(base, QString::fromUtf8(kPassword)).toUtf8());
    g_log.clear();
    const QtMessageHandler old = qInstallMessageHandler(keepLog);
    auto restore = qScopeGuard([old] { qInstallMessageHandler(old); });
    qint64 now = QDateTime::fromString("2026-05-06T12:00:00", Qt::ISODate).toSecsSinceEpoch();
    const auto fetchedAt = [&](CalendarTable &table, qint64 at) {
        QSignalSpy fetched(table.fetcher(), &CalendarFetcher::fetched);
        table.poll(at); // fetches
        table.finishWork();
        fetched.wait(35000);
        table.poll(at + CalendarTable::kLookSecs); // reads the new copy
        table.finishWork();
        return shown(table.between(at, at + 7 * 86400));
    };
    ZelvoSettings settings(folder.dir());
    {
        CalendarTable table(folder.dir(), &settings);
        QCOMPARE(fetchedAt(table, now), QStringList{"2026-05-07 10:00 10:00 Arzt"});
        QCOMPARE(call("PUT", base + "arzt.ics", eventAt("20260507T113000")), 201);
        now += 15 * 60;
        QCOMPARE(fetchedAt(table, now), QStringList{"2026-05-07 11:30 11:30 Arzt"});

        stop.dismiss();
        process.kill();
        process.waitForFinished();
        now += 15 * 60;
        QCOMPARE(fetchedAt(table, now), QStringList{"2026-05-07 11:30 11:30 Arzt"});
        QCOMPARE(table.problems(), QStringList{"Kalender Familie: nicht erreichbar seit 12:30 – es gilt der Stand von 12:15"});
    }
    CalendarTable restarted(folder.dir(), &settings); // without the server: the kept copy reminds
    restarted.poll(now);
    restarted.finishWork();
    QCOMPARE(shown(restarted.between(now, now + 86400)), QStringList{"2026-05-07 11:30 11:30 Arzt"});
    QVERIFY(!g_log.join("\n").contains(QString::fromUtf8(kPassword)));
    QVERIFY(!g_log.join("\n").contains(QString::fromUtf8(("oma:" + kPassword).toBase64())));
}

void TestCalendarFetch::failingFetchOnThePanel()
{
    // The engine's panel says what the folder lacks and which calendar
    // cannot be fetched, as long as it lasts.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const quint16 port = server.serverPort();
    connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket *s = server.nextPendingConnection();
        connect(s, &QTcpSocket::readyRead, s, [s] {
            s->readAll();
            const QByteArray body = eventAt("20260507T100000");
            s->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size())
                     + "\r\n\r\n" + body);
            s->disconnectFromHost();
        });
    });
    TempFolder folder;
    folder.write("zelvo.ini", QStringLiteral("[Kalender1]\nAdresse=http://127.0.0.1:%1/familie.ics\nName=Familie\n")
                                  .arg(port).toUtf8());
    FakeClock clock(QDateTime::fromString("2026-05-06T13:47:00", Qt::ISODate));
    Engine::Options options;
    options.folder = folder.dir();
    options.clock = &clock;
    Engine engine(options);
    StatusBoard *panel = engine.display();
    panel->setFolderNotice(DefaultFolder::missingFilesNotice(folder.dir())); // as the engine's start says
    const QString lacks = panel->notice();
    QVERIFY(lacks.startsWith("Es fehlen boxip.ini"));
    CalendarTable *table = engine.calendars();
    const auto fetchAt = [&](const char *time) {
        clock.set(QDateTime::fromString(QString("2026-05-06T") + time, Qt::ISODate));
        QSignalSpy fetched(table->fetcher(), &CalendarFetcher::fetched);
        table->finishWork();
        table->poll(clock.now().toSecsSinceEpoch());
        return fetched.wait(10000);
    };
    QVERIFY(fetchAt("13:47:00"));
    QCOMPARE(panel->infoText(), lacks);
    server.close();
    QVERIFY(fetchAt("14:02:00"));
    const QString unreachable = "Kalender Familie: nicht erreichbar seit 14:02 – es gilt der Stand von 13:47";
    QCOMPARE(panel->notice(), lacks + "\n" + unreachable);
    QCOMPARE(panel->infoText(), lacks + "\n" + unreachable);
    panel->setFolderNotice(QString()); // the files came
    QCOMPARE(panel->infoText(), unreachable);
    QVERIFY(server.listen(QHostAddress::LocalHost, port));
    QVERIFY(fetchAt("14:17:00"));
    QCOMPARE(panel->notice(), QString());
    QVERIFY(!panel->infoVisible());
}

void TestCalendarFetch::badServersLeaveTheKeptCopy_data()
{
    QTest::addColumn<QByteArray>("answer"); // "/plain" stands for the plain server's address
    QTest::addColumn<bool>("https");
    QTest::addColumn<QString>("reason"); // in the log, after the panel's sentence
    const QByteArray endless = "HTTP/1.1 200 OK\r\nContent-Type: text/calendar\r\n\r\n";
    QTest::newRow("endless answer") << endless + "x" << false << "(Antwort größer als 5 MB)";
    QTest::newRow("trickling answer") << endless << false << "(keine vollständige Antwort in 2 s)";
    QTest::newRow("redirect loop") << QByteArray("HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 0\r\n\r\n")
                                   << false << "(mehr als 5 Weiterleitungen)";
    QTest::newRow("HTTPS redirected to HTTP") << QByteArray("HTTP/1.1 302 Found\r\nLocation: /plain\r\nContent-Length: 0\r\n\r\n")
                                              << true << "(Weiterleitung von HTTPS auf HTTP abgelehnt)";
}

void TestCalendarFetch::badServersLeaveTheKeptCopy()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, https);
    QFETCH(QString, reason);
    TempFolder folder;
    QSslServer tls;
    QTcpServer plain;
    QTcpServer *server = &plain;
    if (https) {
        // A certificate for 127.0.0.1 that this process trusts.
        QProcess openssl;
        openssl.start("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1",
                                  "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", folder.path("key.pem"), "-out",
                                  folder.path("cert.pem")});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0)
            QSKIP("openssl cannot make a certificate here");
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        const QList<QSslCertificate> certificate = QSslCertificate::fromPath(folder.path("cert.pem"));
        config.addCaCertificates(certificate);
        QSslConfiguration::setDefaultConfiguration(config);
        QSslConfiguration serverConfig = QSslConfiguration::defaultConfiguration();
        serverConfig.setLocalCertificate(certificate.value(0));
        QFile key(folder.path("key.pem"));
        QVERIFY(key.open(QIODevice::ReadOnly));
        serverConfig.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        tls.setSslConfiguration(serverConfig);
        server = &tls;
    }
    QVERIFY(plain.listen(QHostAddress::LocalHost));
    if (https)
        QVERIFY(tls.listen(QHostAddress::LocalHost));
    answer.replace("/plain", QStringLiteral("http://127.0.0.1:%1/kal").arg(plain.serverPort()).toUtf8());
    int plainRequests = 0;
    connect(server, &QTcpServer::pendingConnectionAvailable, server, [&] {
        QTcpSocket *s = server->nextPendingConnection();
        connect(s, &QTcpSocket::readyRead, s, [s, answer] {
            s->readAll();
            s->write(answer);
            if (!answer.contains("200"))
                return;
            // Then data without end: a quarter megabyte at a time, or a byte every 100 ms.
            const bool fast = answer.endsWith('x');
            auto *more = new QTimer(s);
            connect(more, &QTimer::timeout, s, [s, fast] {
                if (s->bytesToWrite() < 1 << 20)
                    s->write(fast ? QByteArray(256 * 1024, 'x') : QByteArray("x"));
            });
            more->start(fast ? 1 : 100);
        });
    });
    if (https)
        connect(&plain, &QTcpServer::pendingConnectionAvailable, &plain, [&] { ++plainRequests; });
    folder.write(".kalender1.ics", eventAt("20260507T100000"));
    const QDateTime kept = QDateTime::fromString("2026-05-06T13:47:00", Qt::ISODate);
    QFile copy(folder.path(".kalender1.ics"));
    QVERIFY(copy.open(QIODevice::ReadWrite) && copy.setFileTime(kept, QFileDevice::FileModificationTime));
    copy.close();
    CalendarSource source;
    source.name = "Familie";
    source.address = QStringLiteral("%1://127.0.0.1:%2/kal").arg(https ? "https" : "http").arg(server->serverPort());
    source.keptCopy = folder.path(".kalender1.ics");
    CalendarFetcher fetcher;
    fetcher.setTimeoutMs(2000);
    QSignalSpy spy(&fetcher, &CalendarFetcher::fetched);
    g_log.clear();
    const QtMessageHandler old = qInstallMessageHandler(keepLog);
    auto restore = qScopeGuard([old] { qInstallMessageHandler(old); });
    fetcher.fetch(source, QDateTime::fromString("2026-05-06T14:02:00", Qt::ISODate));
    QVERIFY(spy.wait(20000));
    // The panel's sentence; the log says it once, with the reason.
    const QString sentence = "Kalender Familie: nicht erreichbar seit 14:02 – es gilt der Stand von 13:47";
    QCOMPARE(fetcher.problem(source), sentence);
    fetcher.fetch(source, QDateTime::fromString("2026-05-06T14:17:00", Qt::ISODate));
    QVERIFY(spy.wait(20000));
    QCOMPARE(fetcher.problem(source), sentence);
    qInstallMessageHandler(old);
    restore.dismiss();
    QCOMPARE(g_log.filter(QRegularExpression("^Kalender")), QStringList{sentence + " " + reason});
    QCOMPARE(plainRequests, 0);
    QCOMPARE(folder.read(".kalender1.ics"), eventAt("20260507T100000"));
}

void TestCalendarFetch::passwordOnlyHome_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https anywhere") << "https://cloud.example.com/dav" << true;
    QTest::newRow("http on the internet") << "http://cloud.example.com/dav" << false;
    QTest::newRow("http public address") << "http://93.184.216.34/dav" << false;
    QTest::newRow("loopback") << "http://127.0.0.1:5232/" << true;
    QTest::newRow("private") << "http://192.168.1.10/" << true;
    QTest::newRow("link-local") << "http://169.254.3.4/" << true;
    QTest::newRow(".local") << "http://nas.local/" << true;
    QTest::newRow(".home.arpa") << "http://nas.home.arpa/" << true;
    QTest::newRow("lan-looking suffix of a public name") << "http://evil-lan.com/" << false;
}

void TestCalendarFetch::passwordOnlyHome()
{
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    QCOMPARE(CalendarFetcher::mayCarryPassword(QUrl(url)), allowed);
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    QCoreApplication app(argc, argv);
    TestCalendarFetch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_calendarfetch.moc"
