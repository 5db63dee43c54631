// Held messages: per box in order, at most 100, dropped when their time ran
// out, and kept in a file that a restart reads back; a damaged file is set
// aside, never lost and never a crash.
#include "FakeClock.h"
#include "TempFolder.h"

#include "boxes/HeldMessages.h"

#include <QTest>

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(7, 25));

HeldMessage reminder(int box, const QString &text, int minutes = 180, HoldReason why = HoldReason::BoxInStandby)
{
    HeldMessage m;
    m.box = box;
    m.message = Message{MessageKind::Popup, text};
    m.origin = MessageOrigin{MessageSource::Reminder, box, QStringLiteral("07:25 ") + text};
    m.madeAt = kStart;
    m.expiresAt = kStart.addSecs(minutes * 60);
    m.reason = why;
    return m;
}

QStringList textsOf(const QList<HeldMessage> &list)
{
    QStringList texts;
    for (const HeldMessage &m : list)
        texts << m.message.text;
    return texts;
}

} // namespace

class TestHeldMessages : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_clock.set(kStart); }
    void heldInOrderPerBox();
    void theHundredAndFirstPushesOutTheOldest();
    void expiredOnesDropped();
    void restartReadsThemBack();
    void damagedFileSetAside_data();
    void damagedFileSetAside();

private:
    FakeClock m_clock;
};

void TestHeldMessages::heldInOrderPerBox()
{
    TempFolder folder;
    HeldMessages held(folder.dir(), m_clock);
    const quint64 first = held.hold(reminder(2, "eins")).id;
    held.hold(reminder(3, "anderswo"));
    held.hold(reminder(2, "zwei"));
    held.hold(reminder(2, "drei"));
    QCOMPARE(held.count(), 4);
    const QList<HeldMessage> taken = held.takeAll(2);
    QCOMPARE(textsOf(taken), (QStringList{"eins", "zwei", "drei"}));
    QCOMPARE(taken.first().id, first);
    QVERIFY(held.takeAll(2).isEmpty());
    QCOMPARE(textsOf(held.held(3)), QStringList{"anderswo"});
}

void TestHeldMessages::theHundredAndFirstPushesOutTheOldest()
{
    TempFolder folder;
    HeldMessages held(folder.dir(), m_clock);
    for (int i = 1; i <= HeldMessages::kMaxPerBox; ++i)
        QVERIFY(!held.hold(reminder(1, QString::number(i))).pushedOut);
    const HeldMessages::Held last = held.hold(reminder(1, "101"));
    QVERIFY(last.pushedOut);
    QCOMPARE(last.pushedOut->message.text, QString("1"));
    QCOMPARE(held.held(1).size(), HeldMessages::kMaxPerBox);
    QCOMPARE(held.held(1).first().message.text, QString("2"));
    QCOMPARE(held.held(1).last().id, last.id);
}

void TestHeldMessages::expiredOnesDropped()
{
    TempFolder folder;
    HeldMessages held(folder.dir(), m_clock);
    held.hold(reminder(1, "Notiz", 2));
    held.hold(reminder(1, "Termin", 180));
    m_clock.set(kStart.addSecs(60));
    QVERIFY(held.dropExpired().isEmpty());
    m_clock.set(kStart.addSecs(3 * 60));
    QCOMPARE(textsOf(held.dropExpired()), QStringList{"Notiz"});
    m_clock.set(kStart.addSecs(3 * 3600 + 5 * 60));
    QCOMPARE(textsOf(held.dropExpired()), QStringList{"Termin"});
    QCOMPARE(held.count(), 0);
}

// Everything a message is comes back after a restart, with its id; one that
// ran out meanwhile is returned once and gone from the file.
void TestHeldMessages::restartReadsThemBack()
{
    TempFolder folder;
    HeldMessage typed = reminder(4, "Essen ist fertig!\n„Jetzt“ & 100 %", 30, HoldReason::BoxOff);
    typed.message.kind = MessageKind::Message;
    typed.origin = MessageOrigin{MessageSource::TypedText, 4};
    quint64 id = 0;
    {
        HeldMessages held(folder.dir(), m_clock);
        held.hold(reminder(2, "Notiz", 2));
        id = held.hold(typed).id;
    }
    m_clock.set(kStart.addSecs(10 * 60));
    HeldMessages again(folder.dir(), m_clock);
    QCOMPARE(textsOf(again.load()), QStringList{"Notiz"});
    QCOMPARE(again.held(4).size(), 1);
    const HeldMessage &back = again.held(4).first();
    QCOMPARE(back.id, id);
    QCOMPARE(back.message, typed.message);
    QCOMPARE(back.origin.source, MessageSource::TypedText);
    QCOMPARE(back.origin.box, 4);
    QCOMPARE(back.madeAt, typed.madeAt);
    QCOMPARE(back.expiresAt, typed.expiresAt);
    QCOMPARE(back.reason, HoldReason::BoxOff);
    QVERIFY(again.hold(reminder(1, "neu")).id > id); // ids are never given twice

    HeldMessages third(folder.dir(), m_clock);
    QVERIFY(third.load().isEmpty());
    QCOMPARE(third.count(), 2);
}

void TestHeldMessages::damagedFileSetAside_data()
{
    QTest::addColumn<QByteArray>("content"); // "folder": a folder by that name
    QTest::newRow("no json") << QByteArray("{\"format\": 1, \"held\": [");
    QTest::newRow("other format") << QByteArray("{\"format\": 2, \"held\": []}");
    QTest::newRow("box 5") << QByteArray("{\"format\": 1, \"held\": [{\"id\": 1, \"box\": 5, \"kind\": \"popup\", "
                                         "\"text\": \"x\", \"source\": \"reminder\", \"reason\": \"off\", "
                                         "\"madeAt\": \"2026-12-07T06:25:00Z\", "
                                         "\"expiresAt\": \"2026-12-07T09:25:00Z\"}]}");
    QTest::newRow("a folder") << QByteArray("folder");
}

void TestHeldMessages::damagedFileSetAside()
{
    QFETCH(QByteArray, content);
    TempFolder folder;
    const QString name = HeldMessages::kFileName;
    if (content == "folder")
        QVERIFY(folder.dir().mkdir(name));
    else
        folder.write(name, content);
    folder.write(name + ".defekt", "older");

    HeldMessages held(folder.dir(), m_clock);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("zelvo-zurueckgehalten\\.json ist beschädigt .*"
                                                          "beiseitegelegt als .*zelvo-zurueckgehalten\\.json\\.2\\.defekt"));
    QVERIFY(held.load().isEmpty());
    QCOMPARE(held.count(), 0);
    QCOMPARE(folder.read(name + ".defekt"), QByteArray("older"));
    if (content != "folder")
        QCOMPARE(folder.read(name + ".2.defekt"), content);
    held.hold(reminder(1, "weiter"));
    QCOMPARE(held.writeError(), QString());
    HeldMessages again(folder.dir(), m_clock);
    again.load();
    QCOMPARE(textsOf(again.held(1)), QStringList{"weiter"});
}

QTEST_GUILESS_MAIN(TestHeldMessages)
#include "tst_heldmessages.moc"
