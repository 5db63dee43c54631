// Messages that ask for confirmation on the wire: through the real sender and
// transport to boxsim, whose own reading says what the box made of them.
#include "BoxSimulator.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HeldMessages.h"
#include "boxes/QuestionWatch.h"
#include "boxes/SendHandle.h"
#include "reminders/ReminderMessage.h"
#include "reminders/ReminderRecord.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

class TestConfirmWire : public QObject
{
    Q_OBJECT
private slots:
    void askedUntilAnswered_data();
    void askedUntilAnswered();
};

void TestConfirmWire::askedUntilAnswered_data()
{
    QTest::addColumn<bool>("enigma2");
    QTest::addColumn<QByteArray>("key"); // pressed on the box; empty: none
    QTest::addColumn<QString>("kind");   // as boxsim read the message
    QTest::addColumn<QString>("target"); // its request's path and what follows the text
    QTest::addColumn<int>("answerQuestions"); // /api/messageanswer requests over three polls
    QTest::addColumn<QString>("record");

    const QString question = "/api/message?…&type=0";
    QTest::newRow("Enigma2, yes") << true << QByteArray("yes") << "question" << question << 2
                                  << "gesehen um 07:25 (Ja)";
    QTest::newRow("Enigma2, EXIT counts as no") << true << QByteArray("exit") << "question" << question << 2
                                                << "gesehen um 07:25 (Nein)";
    QTest::newRow("Enigma2, nobody there") << true << QByteArray() << "question" << question << 3
                                           << "wartet auf Bestätigung";
    QTest::newRow("D-Box: until closed, and nothing more")
        << false << QByteArray() << "nmsg"
        << "/control/message?…&timeout=0" << 0
        << "angezeigt – diese Box kann nicht melden, ob es gesehen wurde";
}

void TestConfirmWire::askedUntilAnswered()
{
    QFETCH(bool, enigma2);
    QFETCH(QByteArray, key);
    QFETCH(QString, kind);
    QFETCH(QString, target);
    QFETCH(int, answerQuestions);
    QFETCH(QString, record);

    QBuffer output;
    output.open(QIODevice::WriteOnly);
    BoxSimulator box(&output);
    box.setKind(enigma2 ? BoxSimulator::Kind::Enigma2 : BoxSimulator::Kind::Nhttpd);
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    QList<QJsonObject> messages;
    int answerRequests = 0;
    connect(&box, &BoxSimulator::requestRecorded, this, [&](const QByteArray &line) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.value(QLatin1String("kind")).toString().isEmpty())
            messages << o;
        answerRequests += o.value(QLatin1String("request")).toString().contains(QLatin1String("/api/messageanswer"));
    });

    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.1\r\n");
    FakeClock clock(QDateTime(QDate(2026, 12, 24), QTime(7, 25)));
    BoxListSource source(folder.dir());
    BoxSender sender(&source, {box.port(), 5000});
    DeliveryRecord deliveries(clock);
    HeldMessages held(folder.dir(), clock);
    sender.keepRecordIn(&deliveries);
    QuestionWatch watch(&sender, &deliveries, &held, clock);
    sender.identifyAt(QStringLiteral("127.0.0.1"));
    sender.setBoxState(1, BoxState::On);

    const Message message = // a "b" line of the daily list
        ReminderMessage::compose(ReminderRecord::daily(QStringLiteral("07:25 07:30 b 1 Tabletten")), clock.now()).message;
    QVERIFY(message.confirm);
    SendHandle *handle = sender.send(1, message, {MessageSource::Reminder});
    QSignalSpy finished(handle, &SendHandle::finished);
    QVERIFY(finished.wait(10000));

    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().value(QLatin1String("kind")).toString(), kind);
    const QString request = messages.first().value(QLatin1String("request")).toString();
    const QString sent = request.section(QLatin1Char(' '), 1, 1);
    QCOMPARE(sent.section(QLatin1Char('?'), 0, 0) + QStringLiteral("?…") + sent.mid(sent.lastIndexOf(QLatin1Char('&'))),
             target);
    QVERIFY(messages.first().value(QLatin1String("shown")).toString().endsWith(QLatin1String("Tabletten")));
    QVERIFY(!messages.first().contains(QLatin1String("timeout")) || !enigma2);

    // Three polls, ten seconds apart on the engine's timer; the key pressed after the first.
    for (int poll = 0; poll < 3; ++poll) {
        const int before = answerRequests;
        watch.poll();
        if (enigma2 && (poll == 0 || key.isEmpty()))
            QTRY_COMPARE(answerRequests, before + 1);
        QTest::qWait(50);
        if (poll == 0 && !key.isEmpty())
            QVERIFY(box.press(key));
    }
    QCOMPARE(answerRequests, answerQuestions);
    QCOMPARE(messages.size(), 1);
    QTRY_COMPARE(deliveries.entries().back().outcomeText(), record);
}

QTEST_GUILESS_MAIN(TestConfirmWire)
#include "tst_confirmwire.moc"
