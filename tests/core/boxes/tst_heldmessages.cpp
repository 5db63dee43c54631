// Held messages: per box in order, at most 100, dropped when their time ran
// out, read back after a restart; a damaged file is set aside, never lost.
#include "FakeClock.h"
#include "TempFolder.h"

#include "boxes/HeldMessages.h"

#include <QTest>

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(7, 25));

HeldMessage held(int box, const QString &text, int minutes = 180)
{
    return HeldMessage{0, box, Message{MessageKind::Popup, text}, MessageOrigin{MessageSource::Reminder, box, text},
                       kStart, kStart.addSecs(minutes * 60), HoldReason::BoxInStandby};
}

QStringList textsOf(const QList<HeldMessage> &list)
{
    QStringList texts;
    for (const HeldMessage &m : list)
        texts << m.message.text;
    return texts;
}

QList<HeldMessage> takeAll(HeldMessages &list, int box)
{
    QList<HeldMessage> taken;
    while (const std::optional<HeldMessage> m = list.takeFirst(box))
        taken << *m;
    return taken;
}

} // namespace

class TestHeldMessages : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_clock.set(kStart); }
    void inOrderPerBoxAtMostAHundred();
    void expiredOnesDropped();
    void restartReadsThemBack();
    void damagedFileSetAside_data();
    void damagedFileSetAside();
    void idsNeverRunOut();

private:
    FakeClock m_clock;
};

void TestHeldMessages::inOrderPerBoxAtMostAHundred()
{
    TempFolder folder;
    HeldMessages list(folder.dir(), m_clock);
    list.hold(held(3, "anderswo"));
    for (int i = 1; i <= HeldMessages::kMaxPerBox; ++i)
        QVERIFY(!list.hold(held(2, QString::number(i))).pushedOut);
    const HeldMessages::Held last = list.hold(held(2, "101"));
    QCOMPARE(last.pushedOut->message.text, QString("1"));
    const QList<HeldMessage> taken = takeAll(list, 2);
    QCOMPARE(taken.size(), HeldMessages::kMaxPerBox);
    QCOMPARE(textsOf(taken.mid(0, 2)) << taken.last().message.text, (QStringList{"2", "3", "101"}));
    QCOMPARE(taken.last().id, last.id);
    QVERIFY(takeAll(list, 2).isEmpty());
    QCOMPARE(textsOf(list.held(3)), QStringList{"anderswo"});
}

void TestHeldMessages::expiredOnesDropped()
{
    TempFolder folder;
    HeldMessages list(folder.dir(), m_clock);
    list.hold(held(1, "Notiz", 2));
    list.hold(held(1, "Termin", 180));
    m_clock.set(kStart.addSecs(119));
    QVERIFY(list.dropExpired().isEmpty());
    m_clock.set(kStart.addSecs(3 * 60));
    QCOMPARE(textsOf(list.dropExpired()), QStringList{"Notiz"});
    m_clock.set(kStart.addSecs(3 * 3600 + 5 * 60));
    QCOMPARE(textsOf(list.dropExpired()), QStringList{"Termin"});
    QCOMPARE(list.count(), 0);
}

// All of a message comes back, with its id; one that ran out meanwhile is
// returned once and gone from the file.
void TestHeldMessages::restartReadsThemBack()
{
    TempFolder folder;
    HeldMessage typed{0, 4, Message{MessageKind::Message, "Essen!\n„Jetzt“ & 100 %"},
                      MessageOrigin{MessageSource::TypedText, 4}, kStart, kStart.addSecs(1800), HoldReason::BoxOff};
    {
        HeldMessages list(folder.dir(), m_clock);
        list.hold(held(2, "Notiz", 2));
        typed.id = list.hold(typed).id;
    }
    m_clock.set(kStart.addSecs(10 * 60));
    HeldMessages again(folder.dir(), m_clock);
    QCOMPARE(textsOf(again.load()), QStringList{"Notiz"});
    const HeldMessage back = again.held(4).value(0);
    QCOMPARE(std::tie(back.id, back.box, back.message, back.origin.source, back.origin.box, back.madeAt,
                      back.expiresAt, back.reason),
             std::tie(typed.id, typed.box, typed.message, typed.origin.source, typed.origin.box, typed.madeAt,
                      typed.expiresAt, typed.reason));
    QVERIFY(again.hold(held(1, "neu")).id > typed.id); // an id is never given twice

    HeldMessages third(folder.dir(), m_clock);
    QVERIFY(third.load().isEmpty());
    QCOMPARE(third.count(), 2);
}

void TestHeldMessages::damagedFileSetAside_data()
{
    QTest::addColumn<QByteArray>("content"); // "folder": a folder by that name
    QTest::newRow("no json") << QByteArray("{\"format\": 1, \"held\": [");
    QTest::newRow("no list") << QByteArray("{\"format\": 1, \"held\": 5}");
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

    HeldMessages list(folder.dir(), m_clock);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("zelvo-zurueckgehalten\\.json ist beschädigt .* beiseitegelegt "
                                                          "als .*zelvo-zurueckgehalten\\.json\\.2\\.defekt"));
    QVERIFY(list.load().isEmpty());
    QCOMPARE(folder.read(name + ".defekt"), QByteArray("older"));
    QCOMPARE(folder.read(name + ".2.defekt"), content == "folder" ? QByteArray() : content);
    list.hold(held(1, "weiter"));
    HeldMessages again(folder.dir(), m_clock);
    again.load();
    QCOMPARE(textsOf(again.held(1)), QStringList{"weiter"});
}

// After the largest id they start again, skipping those in use; an entry
// that cannot be read goes aside alone.
void TestHeldMessages::idsNeverRunOut()
{
    TempFolder folder;
    QByteArray file = "{\"format\": 1, \"nextId\": 9223372036854775807, \"held\": []}";
    for (const char *entry : {"1, \"box\": 1", "3, \"box\": 9", "9223372036854775806, \"box\": 2"})
        file.insert(file.size() - 2, QByteArray(file.endsWith("[]}") ? "" : ", ") + "{\"id\": " + entry
                                         + ", \"kind\": \"popup\", \"text\": \"x\", \"source\": \"reminder\", "
                                           "\"reason\": \"off\", \"madeAt\": \"2026-12-07T06:25:00Z\", "
                                           "\"expiresAt\": \"2026-12-07T09:25:00Z\"}");
    folder.write(HeldMessages::kFileName, file);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Eintrag 2 ist beschädigt \\(keine Box 1 bis 4\\)"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("1 beschädigte Einträge beiseitegelegt"));
    HeldMessages list(folder.dir(), m_clock);
    list.load();
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.hold(held(3, "drei")).id, HeldMessages::kMaxId);
    QCOMPARE(list.hold(held(3, "vier")).id, quint64(2)); // 1 is in use
    QVERIFY(folder.read(HeldMessages::kFileName + ".defekt").contains("\"box\": 9"));
    HeldMessages again(folder.dir(), m_clock);
    again.load();
    QCOMPARE(again.count(), 4);
}

QTEST_GUILESS_MAIN(TestHeldMessages)
#include "tst_heldmessages.moc"
