#include "BoxServers.h"
#include "TempFolder.h"
#include "engine/Engine.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/RequestChannel.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "common/StatusBoard.h"
#include "sendtext/SendTextStep.h"

#include <QTest>

using Boxes = QList<int>;
using Ticks = QList<bool>;

// The send step against four real HTTP servers, one per box address.
class TestSendTextStep : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void receiversByStatusAndTicks_data();
    void receiversByStatusAndTicks();
    void missingBoxListReachesNoBox();
    void tooLongTextIsTold_data();
    void tooLongTextIsTold();

private:
    Engine::Options options() const;
    static SendTextSettings settings(MessageKind kind, const Ticks &ticks);

    TempFolder *m_folder = nullptr;
    BoxServers *m_boxes = nullptr;
    Engine *m_engine = nullptr;
};

Engine::Options TestSendTextStep::options() const
{
    Engine::Options o;
    o.folder = m_folder->dir();
    o.httpPort = m_boxes->port();
    o.httpTimeoutMs = 5000;
    return o;
}

SendTextSettings TestSendTextStep::settings(MessageKind kind, const Ticks &ticks)
{
    SendTextSettings s;
    s.kind = kind;
    for (int k = 0; k < 4; ++k)
        s.ticked[k] = ticks.value(k);
    return s;
}

void TestSendTextStep::init()
{
    m_folder = new TempFolder;
    m_folder->write("boxip.ini", BoxServers::boxipIni());
    m_boxes = new BoxServers;
    QVERIFY(m_boxes->listen());
    m_engine = new Engine(options());
}

void TestSendTextStep::cleanup()
{
    delete m_engine;
    delete m_boxes;
    delete m_folder;
}

void TestSendTextStep::receiversByStatusAndTicks_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<Boxes>("reached");
    QTest::addColumn<QString>("panel");
    const QString sent = QStringLiteral("Hallo");
    QTest::newRow("all on, all ticked") << "1111" << Ticks{true, true, true, true} << Boxes{1, 2, 3, 4} << sent;
    QTest::newRow("status 0000") << "0000" << Ticks{true, true, true, true} << Boxes{}
                                 << "Nichts gesendet: keine angekreuzte Box ist eingeschaltet";
    QTest::newRow("ticked but off") << "1010" << Ticks{true, true, true, true} << Boxes{1, 3} << sent;
    QTest::newRow("on but not ticked") << "1111" << Ticks{false, true, false, true} << Boxes{2, 4} << sent;
    QTest::newRow("box 4 only") << "0001" << Ticks{false, false, false, true} << Boxes{4} << sent;
    QTest::newRow("nothing ticked") << "1111" << Ticks{false, false, false, false} << Boxes{}
                                    << "Nichts gesendet: keine Box angekreuzt";
}

void TestSendTextStep::receiversByStatusAndTicks()
{
    QFETCH(QString, status);
    QFETCH(Ticks, ticks);
    QFETCH(Boxes, reached);
    QFETCH(QString, panel);
    m_engine->display()->setBoxStatus(status);
    const SendTextStep::Outcome out = SendTextStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(),
                                                        "Hallo", settings(MessageKind::Message, ticks));
    QCOMPARE(out.sentTo, reached);
    QCOMPARE(m_engine->display()->infoText(), panel);
    // One entry per box reached, or one that says why none was.
    const std::deque<Delivery> &entries = m_engine->deliveryRecord()->entries();
    QCOMPARE(int(entries.size()), std::max(1, int(reached.size())));
    for (int i = 0; i < reached.size(); ++i)
        QCOMPARE(entries.at(i).origin.box, reached.at(i));
    if (reached.isEmpty()) {
        QCOMPARE(entries.front().outcome, DeliveryOutcome::NotSent);
        QCOMPARE(entries.front().origin.source, MessageSource::TypedText);
    }
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

void TestSendTextStep::missingBoxListReachesNoBox()
{
    QVERIFY(QFile::remove(m_folder->path("boxip.ini")));
    m_engine->display()->setBoxStatus("1000");
    SendTextStep::run(m_folder->dir(), m_engine->display(), m_engine->channels(), "x",
                      settings(MessageKind::Message, {true, false, false, false}));
    // The unconfigured placeholder is never contacted.
    QCOMPARE(m_engine->channel(1)->address(), QString("0.0.0.0"));
    QTest::qWait(200);
    QCOMPARE(m_boxes->requestCount(), 0);
    QVERIFY(!QFile::exists(m_folder->path("boxip.ini")));
}

void TestSendTextStep::tooLongTextIsTold_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("shortened");
    const int room = RequestTarget::kMaxTarget - int(RequestTarget::encode(Message{MessageKind::Popup, QString()}, FirmwareKind::New).target.size());
    QTest::newRow("short") << QString("Hallo") << false;
    QTest::newRow("just fits") << QString(room, QLatin1Char('x')) << false;
    QTest::newRow("one more") << QString(room + 1, QLatin1Char('x')) << true;
    QTest::newRow("line breaks count as %0A") << QString(room / 3 + 1, QLatin1Char('\n')) << true;
    // "%" may have to go as "Prozent" to a box not known to be new.
    QTest::newRow("percent signs") << QString(room / 3, QLatin1Char('%')) << true;
}

void TestSendTextStep::tooLongTextIsTold()
{
    QFETCH(QString, typed);
    QFETCH(bool, shortened);
    QCOMPARE(SendTextStep::willBeShortened(typed, MessageKind::Popup), shortened);
}

QTEST_GUILESS_MAIN(TestSendTextStep)
#include "tst_sendtextstep.moc"
