#include "FakeClock.h"
#include "RecordingHttpServer.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "boxes/DeliveryRecord.h"
#include "common/StatusBoard.h"
#include "reminders/ReminderClock.h"
#include "sendtext/BoxAddressTest.h"

#include <QSignalSpy>
#include <QTest>

// The record of every message, fed by the sender the producers share:
// a reminder to an answering box, to a silent one, to none listening, to
// none configured; a box test to "0.0.0.0". (bench_record keeps it bounded.)
class TestDeliveryRecord : public QObject
{
    Q_OBJECT
private slots:
    void reminderOutcome_data();
    void reminderOutcome();
    void boxTestToUnconfiguredAddress();
};

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(7, 25, 0));

} // namespace

void TestDeliveryRecord::reminderOutcome_data()
{
    QTest::addColumn<QString>("address"); // box 2's address; the server is on 127.0.0.2
    QTest::addColumn<bool>("answering");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("panel");

    const auto answered = int(DeliveryOutcome::Answered);
    QTest::newRow("answering box") << "127.0.0.2" << true << answered << 200 << "" << "07:30 Muell";
    QTest::newRow("silent box") << "127.0.0.2" << false << int(DeliveryOutcome::TimedOut) << 0
                                << "keine Antwort nach 0.3 s" << "07:30 Muell - nicht angekommen: keine Antwort nach 0.3 s";
    QTest::newRow("nobody listening") << "127.0.0.9" << true << int(DeliveryOutcome::ConnectionRefused) << 0
                                      << "Verbindung abgelehnt" << "07:30 Muell - nicht angekommen: Verbindung abgelehnt";
    QTest::newRow("box not configured")
        << "0.0.0.0" << true << int(DeliveryOutcome::NotSent) << 0 << "Box nicht eingerichtet (0.0.0.0)"
        << "Nichts gesendet an Box 2: Box nicht eingerichtet (0.0.0.0)";
}

void TestDeliveryRecord::reminderOutcome()
{
    QFETCH(QString, address);
    QFETCH(bool, answering);
    QFETCH(int, outcome);
    QFETCH(int, status);
    QFETCH(QString, reason);
    QFETCH(QString, panel);

    RecordingHttpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.2"))));
    server.setAnswering(answering);
    TempFolder folder;
    folder.write("boxip.ini", ("127.0.0.3\r\n" + address + "\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n").toUtf8());
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 Muell\nzweite Zeile\n");
    FakeClock time(kNow);
    BoxListSource boxList(folder.dir());
    BoxSender sender(&boxList, {server.port(), 300});
    StatusBoard display;
    DeliveryRecord record(time);
    sender.keepRecordIn(&record);
    sender.panel()->showOn(&display);
    ReminderClock clock(time, folder.dir(), &sender, &display);
    QSignalSpy added(&record, &DeliveryRecord::added);
    QSignalSpy updated(&record, &DeliveryRecord::updated);

    if (address == QLatin1String("0.0.0.0"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nicht gesendet an"));
    else if (outcome != int(DeliveryOutcome::Answered))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Fehler bei"));
    clock.tick();
    QCOMPARE(added.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 1, 5000);

    QCOMPARE(int(record.entries().size()), 1);
    const Delivery &d = record.entries().front();
    QCOMPARE(d.time, kNow);
    QCOMPARE(d.origin.source, MessageSource::Reminder);
    QCOMPARE(d.origin.box, 2);
    QCOMPARE(d.address, address);
    QCOMPARE(d.kind, MessageKind::Popup);
    QVERIFY2(d.firstLine.startsWith(QStringLiteral("07:30 Muell")), qPrintable(d.firstLine));
    QVERIFY(!d.firstLine.contains(QLatin1Char('\n')));
    QCOMPARE(int(d.outcome), outcome);
    QCOMPARE(d.httpStatus, status);
    QCOMPARE(d.reason, reason);
    QCOMPARE(display.infoText(), panel);
    if (address == QLatin1String("127.0.0.2"))
        QCOMPARE(server.requests().size(), 1);
}

void TestDeliveryRecord::boxTestToUnconfiguredAddress()
{
    FakeClock time(kNow);
    TempFolder folder;
    BoxListSource boxList(folder.dir());
    BoxSender sender(&boxList, {1, 300});
    StatusBoard display;
    DeliveryRecord record(time);
    sender.keepRecordIn(&record);
    sender.panel()->showOn(&display);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nicht gesendet an"));
    BoxAddressTest::run(&sender, 3, QStringLiteral("0.0.0.0"));
    QCOMPARE(int(record.entries().size()), 1);
    QCOMPARE(display.infoText(), QStringLiteral("Nichts gesendet an Box 3: Box nicht eingerichtet (0.0.0.0)"));
    QSignalSpy updated(&record, &DeliveryRecord::updated);
    QVERIFY(updated.wait(2000));
    const Delivery &d = record.entries().front();
    QCOMPARE(d.origin.source, MessageSource::BoxTest);
    QCOMPARE(d.outcome, DeliveryOutcome::NotSent);
    QCOMPARE(d.outcomeText(), QStringLiteral("nicht gesendet: Box nicht eingerichtet (0.0.0.0)"));
    QCOMPARE(display.infoText(), QStringLiteral("Nichts gesendet an Box 3: Box nicht eingerichtet (0.0.0.0)"));
}

QTEST_MAIN(TestDeliveryRecord)
#include "tst_deliveryrecord.moc"
