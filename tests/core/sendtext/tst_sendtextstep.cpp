#include "BoxServers.h"
#include "FakeBoxSender.h"
#include "boxes/PanelFollower.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "common/StatusBoard.h"
#include "sendtext/SendTextStep.h"

#include <QFile>
#include <QTest>

#include <memory>

using Boxes = QList<int>;
using Ticks = QList<bool>;

// The send step's choices, through a sender that keeps what it is given.
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
    static SendTextSettings settings(MessageKind kind, const Ticks &ticks);
    SendTextStep::Outcome run(const Ticks &ticks)
    {
        return SendTextStep::run(m_folder->dir(), m_sender.get(), "Hallo",
                                 settings(MessageKind::Message, ticks));
    }

    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<BoxListSource> m_boxList;
    FakeClock m_clock;
    StatusBoard m_display;
    std::unique_ptr<DeliveryRecord> m_record;
    std::unique_ptr<FakeBoxSender> m_sender;
};

SendTextSettings TestSendTextStep::settings(MessageKind kind, const Ticks &ticks)
{
    SendTextSettings s;
    s.kind = kind;
    for (int k = 0; k < BoxList::kBoxes; ++k)
        s.ticked[k] = ticks.value(k);
    return s;
}

void TestSendTextStep::init()
{
    m_folder = std::make_unique<TempFolder>();
    m_folder->write("boxip.ini", BoxServers::boxipIni());
    m_boxList = std::make_unique<BoxListSource>(m_folder->dir());
    m_record = std::make_unique<DeliveryRecord>(m_clock);
    m_sender = std::make_unique<FakeBoxSender>(m_boxList.get());
    m_sender->keepRecordIn(m_record.get());
    m_sender->panel()->showOn(&m_display);
}

void TestSendTextStep::cleanup()
{
    m_sender.reset();
    m_record.reset();
    m_boxList.reset();
    m_folder.reset();
}

void TestSendTextStep::receiversByStatusAndTicks_data()
{
    QTest::addColumn<QString>("boxip");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<Boxes>("reached");
    QTest::addColumn<QString>("panel");
    const QString sent = QStringLiteral("Hallo");
    const QString all = QString::fromLatin1(BoxServers::boxipIni());
    // On, off or in standby: every ticked box with an address gets it (the
    // sender holds it for a box that cannot show it).
    QTest::newRow("all ticked") << all << Ticks{true, true, true, true} << Boxes{1, 2, 3, 4} << sent;
    QTest::newRow("some ticked") << all << Ticks{false, true, false, true} << Boxes{2, 4} << sent;
    QTest::newRow("ticked but not configured") << "127.0.0.2\r\n0.0.0.0\r\n \r\n127.0.0.5\r\n"
                                               << Ticks{false, true, true, true} << Boxes{4} << sent;
    QTest::newRow("none configured") << "0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n"
                                     << Ticks{true, true, true, true} << Boxes{}
                                     << "Nichts gesendet: keine angekreuzte Box ist eingerichtet";
    QTest::newRow("nothing ticked") << all << Ticks{false, false, false, false} << Boxes{}
                                    << "Nichts gesendet: keine Box angekreuzt";
}

void TestSendTextStep::receiversByStatusAndTicks()
{
    QFETCH(QString, boxip);
    QFETCH(Ticks, ticks);
    QFETCH(Boxes, reached);
    QFETCH(QString, panel);
    m_folder->write("boxip.ini", boxip.toLatin1());
    const SendTextStep::Outcome out = run(ticks);
    QCOMPARE(out.sentTo, reached);
    QCOMPARE(m_display.infoText(), panel);
    QCOMPARE(out.notSent, reached.isEmpty() ? panel : QString());
    // One entry per box reached, or one that says why none was.
    const std::deque<Delivery> &entries = m_record->entries();
    QCOMPARE(int(entries.size()), std::max(1, int(reached.size())));
    for (int i = 0; i < reached.size(); ++i)
        QCOMPARE(entries.at(i).origin.box, reached.at(i));
    if (reached.isEmpty()) {
        QTRY_COMPARE(entries.front().outcome, DeliveryOutcome::NotSent);
        QCOMPARE(entries.front().origin.source, MessageSource::TypedText);
    }
    // Each box to its own address, in box order.
    QCOMPARE(m_sender->sent.size(), reached.size());
    for (int i = 0; i < reached.size(); ++i) {
        QCOMPARE(m_sender->sent.at(i).address, BoxServers::address(reached.at(i)));
        QCOMPARE(m_sender->sent.at(i).origin.box, reached.at(i));
        QCOMPARE(m_sender->sent.at(i).message, (Message{MessageKind::Message, "Hallo"}));
    }
}

void TestSendTextStep::missingBoxListReachesNoBox()
{
    QVERIFY(QFile::remove(m_folder->path("boxip.ini")));
    const SendTextStep::Outcome out = run({true, false, false, false});
    // Nothing is configured: no box is sent to, the panel says so at once.
    QCOMPARE(m_sender->sent.size(), 0);
    QCOMPARE(out.notSent, QString("Nichts gesendet: keine angekreuzte Box ist eingerichtet"));
    QCOMPARE(m_display.infoText(), out.notSent);
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
