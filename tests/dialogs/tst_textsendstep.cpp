#include "BoxServers.h"
#include "TempFolder.h"
#include "app/Engine.h"
#include "boxes/RequestChannel.h"
#include "common/DisplayState.h"
#include "dialogs/TextSendStep.h"

#include <QTest>

using Boxes = QList<int>;
using Ticks = QList<bool>;

// The send step against four real HTTP servers, one per box address.
class TestTextSendStep : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void receiversByStatusAndTicks_data();
    void receiversByStatusAndTicks();
    void textOnTheWire_data();
    void textOnTheWire();
    void settingsSavedWhenNothingSent();
    void statusReadAtSending();
    void missingBoxListReachesNoBox();
    void saveFailureReportedAfterSending();

private:
    Engine::Options options() const;
    static SendTextSettings settings(MessageKind kind, const Ticks &ticks);

    TempFolder *m_folder = nullptr;
    BoxServers *m_boxes = nullptr;
    Engine *m_engine = nullptr;
};

Engine::Options TestTextSendStep::options() const
{
    Engine::Options o;
    o.folder = m_folder->dir();
    o.httpPort = m_boxes->port();
    o.httpTimeoutMs = 5000;
    return o;
}

SendTextSettings TestTextSendStep::settings(MessageKind kind, const Ticks &ticks)
{
    SendTextSettings s;
    s.kind = kind;
    for (int k = 0; k < 4; ++k)
        s.ticked[k] = ticks.value(k);
    return s;
}

void TestTextSendStep::init()
{
    m_folder = new TempFolder;
    m_folder->write("boxip.ini", BoxServers::boxipIni());
    m_boxes = new BoxServers;
    QVERIFY(m_boxes->listen());
    m_engine = new Engine(options());
}

void TestTextSendStep::cleanup()
{
    delete m_engine;
    delete m_boxes;
    delete m_folder;
}

void TestTextSendStep::receiversByStatusAndTicks_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<Boxes>("reached");
    QTest::newRow("all on, all ticked") << "1111" << Ticks{true, true, true, true} << Boxes{1, 2, 3, 4};
    QTest::newRow("status 0000") << "0000" << Ticks{true, true, true, true} << Boxes{};
    QTest::newRow("ticked but off") << "1010" << Ticks{true, true, true, true} << Boxes{1, 3};
    QTest::newRow("on but not ticked") << "1111" << Ticks{false, true, false, true} << Boxes{2, 4};
    QTest::newRow("box 4 only") << "0001" << Ticks{false, false, false, true} << Boxes{4};
    QTest::newRow("nothing ticked") << "1111" << Ticks{false, false, false, false} << Boxes{};
}

void TestTextSendStep::receiversByStatusAndTicks()
{
    QFETCH(QString, status);
    QFETCH(Ticks, ticks);
    QFETCH(Boxes, reached);
    m_engine->display()->setBoxStatus(status);
    const TextSendStep::Outcome out = TextSendStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(),
                                                        "Hallo", settings(MessageKind::Message, ticks));
    QCOMPARE(out.sentTo, reached);
    for (const int box : reached)
        QVERIFY(m_boxes->box(box).waitForRequests(1));
    QTest::qWait(200); // time for a stray request to arrive where none belongs
    QCOMPARE(m_boxes->boxesReached(), reached);
    QCOMPARE(m_boxes->requestCount(), reached.size());
    // Each box through its own channel, to its own address.
    for (int box = 1; box <= 4; ++box) {
        const bool sent = reached.contains(box);
        QCOMPARE(m_engine->channel(box)->address() == BoxServers::address(box), sent);
        if (sent)
            QCOMPARE(m_boxes->box(box).requests().first().localAddress.toString(), BoxServers::address(box));
    }
}

void TestTextSendStep::textOnTheWire_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("popup");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("panel");
    QTest::newRow("two typed lines") << "Zeile eins\nZeile zwei" << false
                                     << QByteArray("/control/message?nmsg=Zeile%20eins%0AZeile%20zwei")
                                     << "Zeile einsZeile zwei";
    QTest::newRow("empty text") << "" << true << QByteArray("/control/message?popup=---") << "---";
    QTest::newRow("ampersand and percent") << "A & B: 100% #1" << false
                                           << QByteArray("/control/message?nmsg=A%20%26%20B%3A%20100%25%20%231")
                                           << "A & B: 100% #1";
    QTest::newRow("umlauts") << "Grüße" << true << QByteArray("/control/message?popup=Gr%FC%DFe") << "Grüße";
    QTest::newRow("lone CR keeps the next character") << "a\rb" << false
                                                      << QByteArray("/control/message?nmsg=a%0Ab") << "ab";
    QTest::newRow("empty line between") << "a\n\nb" << false << QByteArray("/control/message?nmsg=a%0A%0Ab")
                                        << "ab";
}

void TestTextSendStep::textOnTheWire()
{
    QFETCH(QString, typed);
    QFETCH(bool, popup);
    QFETCH(QByteArray, target);
    QFETCH(QString, panel);
    m_engine->display()->setBoxStatus("0100");
    const TextSendStep::Outcome out =
        TextSendStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(), typed,
                          settings(popup ? MessageKind::Popup : MessageKind::Message, {false, true, false, false}));
    QVERIFY(m_boxes->box(2).waitForRequests(1));
    QCOMPARE(m_boxes->box(2).requests().first().requestLine, "GET " + target + " HTTP/1.1");
    QVERIFY(m_engine->display()->infoVisible());
    QCOMPARE(m_engine->display()->infoText(), panel);
    QCOMPARE(out.saveError, QString());
}

void TestTextSendStep::settingsSavedWhenNothingSent()
{
    m_engine->display()->setBoxStatus("0000");
    TextSendStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(), "Niemand hört zu",
                      settings(MessageKind::Popup, {true, false, true, false}));
    QCOMPARE(m_folder->read("wendrel.ini"), QByteArray("Wahr\r\nFalsch\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n"));
    QCOMPARE(m_engine->display()->infoText(), QString("Niemand hört zu"));
    QTest::qWait(200);
    QCOMPARE(m_boxes->requestCount(), 0);
}

void TestTextSendStep::statusReadAtSending()
{
    const SendTextSettings s = settings(MessageKind::Message, {true, true, true, true});
    m_engine->display()->setBoxStatus("1111");
    // Box 1 goes off and box 3 comes on before the click.
    m_engine->display()->setBoxStatus("0110");
    const TextSendStep::Outcome out =
        TextSendStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(), "x", s);
    QCOMPARE(out.sentTo, (Boxes{2, 3}));
    QVERIFY(m_boxes->box(2).waitForRequests(1));
    QVERIFY(m_boxes->box(3).waitForRequests(1));
    QTest::qWait(200);
    QCOMPARE(m_boxes->boxesReached(), (Boxes{2, 3}));
}

void TestTextSendStep::missingBoxListReachesNoBox()
{
    QVERIFY(QFile::remove(m_folder->path("boxip.ini")));
    m_engine->display()->setBoxStatus("1000");
    TextSendStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(), "x",
                      settings(MessageKind::Message, {true, false, false, false}));
    // The unconfigured placeholder is never contacted.
    QCOMPARE(m_engine->channel(1)->address(), QString("0.0.0.0"));
    QTest::qWait(200);
    QCOMPARE(m_boxes->requestCount(), 0);
    QVERIFY(!QFile::exists(m_folder->path("boxip.ini")));
}

void TestTextSendStep::saveFailureReportedAfterSending()
{
    // boxip.ini stays readable while wendrel.ini cannot be written: it is a folder.
    QVERIFY(m_folder->dir().mkdir("wendrel.ini"));
    QVERIFY(QFile::copy(m_folder->path("boxip.ini"), m_folder->path("wendrel.ini/keep")));
    m_engine->display()->setBoxStatus("1000");
    const TextSendStep::Outcome out =
        TextSendStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(), "Hallo",
                          settings(MessageKind::Message, {true, false, false, false}));
    QVERIFY(out.saveError.startsWith("wendrel.ini konnte nicht gespeichert werden: "));
    QVERIFY(out.saveError.size() > QString("wendrel.ini konnte nicht gespeichert werden: ").size());
    QVERIFY(m_boxes->box(1).waitForRequests(1));
    QCOMPARE(m_engine->display()->infoText(), QString("Hallo"));
}

QTEST_GUILESS_MAIN(TestTextSendStep)
#include "tst_textsendstep.moc"
