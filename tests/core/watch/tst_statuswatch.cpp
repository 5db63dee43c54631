#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "FaultyBox.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/HeldMessages.h"
#include "boxes/Message.h"
#include "boxes/nhttpd/RequestTarget.h"
#include "common/StatusBoard.h"
#include "sendtext/ScriptDelivery.h"
#include "watch/FastWake.h"
#include "watch/StatusWatch.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUrl>
#include <QTest>

#include <array>
#include <memory>

using Outcome = EchoResult::Outcome;

namespace {

// Box i lives at 127.0.0.(i+1), each with its own recording server.
QString boxAddress(int box)
{
    return QStringLiteral("127.0.0.%1").arg(box + 1);
}

QByteArray boxFile(const QStringList &lines)
{
    return lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

QStringList allConfigured(const QStringList &options)
{
    return QStringList{boxAddress(1), boxAddress(2), boxAddress(3), boxAddress(4)} + options;
}

QString line(int box, bool on)
{
    return QStringLiteral("- die ") + QString::number(box) + QStringLiteral(". D-Box wurde ")
           + (on ? QStringLiteral("ein") : QStringLiteral("aus")) + QStringLiteral("geschaltet\n");
}

} // namespace

class TestStatusWatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void tick_data();
    void tick();
    void noticeOnTheWire();
    void untrimmedAddressReachesTheBox();
    void tickUnderWayIsNotStartedTwice();
    void heldWatchLetsTicksPass();
    void slowProbeCountsAsOffAndIsNotRepeated();
    void unansweredVersionQueryHoldsNothingBack();
    void unresolvedNameAlertsOncePerAddress();
    void icmpNotAllowedAlertsOncePerRun();
    void journalHearsOfChangesOnly();
    void noticesHandedToTheSender();
    void standbyCountsAsOff_data();
    void standbyCountsAsOff();
    void unlearntModeKeepsWhatIsHeld_data();
    void unlearntModeKeepsWhatIsHeld();
    void newAddressIsAskedWhatItIs();
    void fastWakeSendsHeldAtTheFirstOn();

private:
    void writeBoxFile(const QByteArray &bytes) { m_folder->write(QStringLiteral("boxip.ini"), bytes); }
    bool runTick();
    // What reached box's server, the version query left out.
    QList<QByteArray> messages(int box) const
    {
        QList<QByteArray> targets = m_servers[box - 1]->targets();
        // A box that came on is asked what it is: these boxes answer neither kind's question.
        targets.removeAll(RequestTarget::kVersionQuery.toLatin1());
        targets.removeAll(QByteArrayLiteral("/api/about"));
        return targets;
    }

    std::array<RecordingHttpServer *, 4> m_servers{};
    quint16 m_port = 0;
    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<BoxListSource> m_boxList;
    std::unique_ptr<StatusBoard> m_display;
    std::unique_ptr<BoxSender> m_sender;
    std::unique_ptr<ScriptedEchoProber> m_prober;
    std::unique_ptr<StatusWatch> m_watch;
};

void TestStatusWatch::initTestCase()
{
    // One server per box address, all on the same port, as the boxes are.
    for (int attempt = 0; attempt < 20 && !m_port; ++attempt) {
        for (auto *&s : m_servers) {
            delete s;
            s = new RecordingHttpServer(this);
        }
        if (!m_servers[0]->listen(QHostAddress(boxAddress(1)), 0))
            continue;
        const quint16 port = m_servers[0]->port();
        bool all = true;
        for (int box = 2; box <= 4 && all; ++box)
            all = m_servers[box - 1]->listen(QHostAddress(boxAddress(box)), port);
        if (all)
            m_port = port;
    }
    QVERIFY2(m_port, "no common port for 127.0.0.2..5");
}

void TestStatusWatch::init()
{
    for (int box = 1; box <= 4; ++box) {
        delete m_servers[box - 1];
        m_servers[box - 1] = new RecordingHttpServer(this);
        QVERIFY(m_servers[box - 1]->listen(QHostAddress(boxAddress(box)), m_port));
    }
    m_folder = std::make_unique<TempFolder>();
    m_boxList = std::make_unique<BoxListSource>(m_folder->dir());
    m_display = std::make_unique<StatusBoard>();
    m_sender = std::make_unique<BoxSender>(m_boxList.get(), BoxSender::Options{m_port, 5000});
    m_prober = std::make_unique<ScriptedEchoProber>();
    m_watch = std::make_unique<StatusWatch>(m_display.get(), m_sender.get(), m_prober.get());
}

void TestStatusWatch::cleanup()
{
    m_watch.reset();
    m_prober.reset();
    m_sender.reset();
    m_display.reset();
    m_boxList.reset();
    m_folder.reset();
}

bool TestStatusWatch::runTick()
{
    QSignalSpy finished(m_watch.get(), &StatusWatch::tickFinished);
    m_watch->tick();
    if (finished.isEmpty() && !finished.wait(5000))
        return false;
    // Every notice handed over has gone out and been answered.
    QElapsedTimer waited;
    waited.start();
    while (m_sender->pendingCount() > 0 && waited.elapsed() < 5000)
        QTest::qWait(10);
    return m_sender->pendingCount() == 0;
}

void TestStatusWatch::tick_data()
{
    QTest::addColumn<QByteArray>("file");       // null: no boxip.ini at all
    QTest::addColumn<QString>("stored");        // box status text before the tick
    QTest::addColumn<QString>("answering");     // which of 127.0.0.2..5 answer
    QTest::addColumn<QStringList>("probed");    // addresses the prober was asked for
    QTest::addColumn<QString>("status");        // box status text after the tick
    QTest::addColumn<QString>("lamps");         // g green, r red, - untouched
    QTest::addColumn<QString>("notice");        // empty: no notice
    QTest::addColumn<QString>("receivers");     // boxes that get the notice
    QTest::addColumn<bool>("panel");

    const QString head = StatusWatch::kNoticeHead;
    const QStringList ones{" 1 ", " 1 ", " 1 ", " 1 "};
    const QStringList all{boxAddress(1), boxAddress(2), boxAddress(3), boxAddress(4)};
    const QString unconfigured = QStringLiteral("0.0.0.0");

    QTest::newRow("no box configured")
        << boxFile({unconfigured, unconfigured, unconfigured, unconfigured, " 1 ", " 1 ", " 1 ", " 1 "}) << "0000"
        << "1111" << QStringList() << "0000" << "----" << QString() << "0000" << false;
    QTest::newRow("no box list file") << QByteArray() << "0000"
                                      << "1111" << QStringList() << "0000" << "----" << QString() << "0000" << false;
    QTest::newRow("start-up, boxes 1 and 2 answer")
        << boxFile(allConfigured(ones)) << "0000" << "1100" << all << "1100" << "ggrr"
        << head + line(1, true) + line(2, true) << "1100" << true;
    QTest::newRow("box going off is told to the others, not itself")
        << boxFile(allConfigured(ones)) << "1110" << "1010" << all << "1010" << "grgr"
        << head + line(2, false) << "1010" << true;
    QTest::newRow("box coming on is told about itself")
        << boxFile(allConfigured({" 0 ", " 1 ", " 0 ", " 0 "})) << "1000" << "1100" << all << "1100" << "ggrr"
        << head + line(2, true) << "0100" << true;
    QTest::newRow("0.0.0.0 while on: reported off, lamp kept")
        << boxFile({boxAddress(1), unconfigured, boxAddress(3), boxAddress(4), " 1 ", " 1 ", " 1 ", " 1 "}) << "1100"
        << "1111" << QStringList{boxAddress(1), boxAddress(3), boxAddress(4)} << "1011" << "g-gg"
        << head + line(2, false) + line(3, true) + line(4, true) << "1011" << true;
    QTest::newRow("options 2, 0, empty and missing")
        << boxFile(all + QStringList{" 2 ", " 0 ", ""}) << "0000" << "1111" << all << "1111" << "gggg"
        << head + line(1, true) + line(2, true) + line(3, true) + line(4, true) << "1000" << true;
    QTest::newRow("several changes in one notice, box order")
        << boxFile(allConfigured(ones)) << "0101" << "1010" << all << "1010" << "grgr"
        << head + line(1, true) + line(2, false) + line(3, true) + line(4, false) << "1010" << true;
    QTest::newRow("unchanged status sends nothing")
        << boxFile(allConfigured(ones)) << "1100" << "1100" << all << "1100" << "ggrr" << QString() << "0000"
        << false;
    QTest::newRow("all off, as stored")
        << boxFile(allConfigured(ones)) << "0000" << "0000" << all << "0000" << "rrrr" << QString() << "0000" << false;
    QTest::newRow("empty address is probed and off")
        << boxFile({boxAddress(1), boxAddress(2), "", boxAddress(4), " 1 ", " 1 ", " 1 ", " 1 "}) << "0000"
        << "1111" << QStringList{boxAddress(1), boxAddress(2), "", boxAddress(4)} << "1101" << "ggrg"
        << head + line(1, true) + line(2, true) + line(4, true) << "1101" << true;
}

void TestStatusWatch::tick()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, stored);
    QFETCH(QString, answering);
    QFETCH(QStringList, probed);
    QFETCH(QString, status);
    QFETCH(QString, lamps);
    QFETCH(QString, notice);
    QFETCH(QString, receivers);
    QFETCH(bool, panel);

    if (!file.isNull())
        writeBoxFile(file);
    for (int box = 1; box <= 4; ++box) {
        if (answering.at(box - 1) == QLatin1Char('1'))
            m_prober->setOutcome(boxAddress(box), Outcome::Reply);
    }
    m_display->setBoxStatus(stored);

    QVERIFY(runTick());

    QCOMPARE(m_prober->probedAddresses(), probed);
    QCOMPARE(m_display->boxStatus(), status);
    for (int box = 1; box <= 4; ++box) {
        const QChar lamp = lamps.at(box - 1);
        const BoxState expected = lamp == QLatin1Char('g')   ? BoxState::On
                                  : lamp == QLatin1Char('r') ? BoxState::Off
                                                             : BoxState::Unknown; // untouched
        QCOMPARE(m_display->lamp(box), expected);
    }
    QCOMPARE(m_display->infoVisible(), panel);
    QCOMPARE(m_display->infoText(), panel ? StatusWatch::kPanelText : QString());

    const Message expected{MessageKind::Message, notice};
    for (int box = 1; box <= 4; ++box) {
        // A box seen first is asked once what it is.
        const bool on = status.at(box - 1) == QLatin1Char('1');
        QCOMPARE(m_servers[box - 1]->targets().count(RequestTarget::kVersionQuery.toLatin1()), on ? 1 : 0);
        const bool receives = receivers.at(box - 1) == QLatin1Char('1');
        QCOMPARE(messages(box).size(), receives ? 1 : 0);
        if (receives)
            QCOMPARE(messages(box).first(), RequestTarget::encode(expected, FirmwareKind::Unknown).target);
    }
}

void TestStatusWatch::noticeOnTheWire()
{
    writeBoxFile(boxFile(allConfigured({" 1 ", " 0 ", " 0 ", " 0 "})));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    QVERIFY(runTick());
    QCOMPARE(m_servers[0]->targets(),
             (QList<QByteArray>{"/control/info?nhttpd_version", "/api/about",
                                "/control/message?nmsg=Der%20Status%20der%20D-Boxen%20hat%20sich%20ge%C3%A4ndert%3A%0A%0A"
                                "-%20die%201.%20D-Box%20wurde%20eingeschaltet%0A"}));
}

void TestStatusWatch::untrimmedAddressReachesTheBox()
{
    const QString padded = QStringLiteral("  ") + boxAddress(3) + QStringLiteral(" ");
    // Quoted, so that the blanks survive the field reader.
    writeBoxFile(boxFile({"0.0.0.0", "0.0.0.0", '"' + padded + '"', "0.0.0.0", " 0 ", " 0 ", " 1 ", " 0 "}));
    m_prober->setOutcome(boxAddress(3), Outcome::Reply);
    QVERIFY(runTick());
    QCOMPARE(m_prober->probedAddresses(), QStringList{boxAddress(3)});
    QCOMPARE(m_display->boxStatus(), QString("0010"));
    QCOMPARE(messages(3).size(), 1);
}

void TestStatusWatch::tickUnderWayIsNotStartedTwice()
{
    writeBoxFile(boxFile(allConfigured({" 1 ", " 1 ", " 1 ", " 1 "})));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    m_prober->setHoldAnswers(true);
    QSignalSpy finished(m_watch.get(), &StatusWatch::tickFinished);

    m_watch->tick();
    QVERIFY(m_watch->isRunning());
    QCOMPARE(m_prober->probedAddresses().size(), 4);
    m_watch->tick(); // Timer2 again before the answers
    QCOMPARE(m_prober->probedAddresses().size(), 4);
    QCOMPARE(m_display->boxStatus(), QString("0000"));

    m_prober->answerHeld();
    QTRY_COMPARE(finished.size(), 1); // after box 1's mode question
    QVERIFY(!m_watch->isRunning());
    QCOMPARE(m_display->boxStatus(), QString("1000"));

    // The next tick runs normally.
    m_prober->setHoldAnswers(false);
    m_prober->clearProbed();
    m_prober->setOutcome(boxAddress(2), Outcome::Reply);
    QVERIFY(runTick());
    QCOMPARE(m_prober->probedAddresses().size(), 4);
    QCOMPARE(m_display->boxStatus(), QString("1100"));
}

void TestStatusWatch::slowProbeCountsAsOffAndIsNotRepeated()
{
    writeBoxFile(boxFile(allConfigured({" 0 ", " 0 ", " 0 ", " 0 "})));
    for (int box = 1; box <= 4; ++box)
        m_prober->setOutcome(boxAddress(box), Outcome::Reply);
    m_display->setBoxStatus(QStringLiteral("1111"));
    m_watch->setTickLimitMs(50);
    m_prober->setHoldAnswers(true); // look-ups that hang

    QVERIFY(runTick());
    QCOMPARE(m_display->boxStatus(), QString("0000"));
    QCOMPARE(m_prober->probedAddresses().size(), 4);

    // The old probes are still out: not sent again, the boxes stay off.
    QVERIFY(runTick());
    QCOMPARE(m_prober->probedAddresses().size(), 4);
    QCOMPARE(m_display->boxStatus(), QString("0000"));

    // Their late answers change nothing by themselves...
    m_prober->answerHeld();
    QCOMPARE(m_display->boxStatus(), QString("0000"));
    QVERIFY(!m_watch->isRunning());

    // ...and the next tick probes again.
    m_prober->setHoldAnswers(false);
    QVERIFY(runTick());
    QCOMPARE(m_prober->probedAddresses().size(), 8);
    QCOMPARE(m_display->boxStatus(), QString("1111"));
}

// The box takes the version question and never answers it: the text of
// `zelvo send` alone (its own transport, which asks first, too) goes out
// with the unknown-box rules long before its 60 s; the watch, not knowing
// how to ask the box its mode, does not count it as on.
void TestStatusWatch::unansweredVersionQueryHoldsNothingBack()
{
    m_servers[0]->setUnanswered(RequestTarget::kVersionQuery.toLatin1());
    BoxSender running(m_boxList.get(), {m_port}), sendAlone(m_boxList.get(), {m_port});
    StatusWatch watch(m_display.get(), &running, m_prober.get());
    ScriptDelivery alone(&sendAlone);
    alone.setAskVersionFirst(true);
    writeBoxFile(boxFile(allConfigured({" 1 ", " 0 ", " 0 ", " 0 "})));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    for (int i = 0; i < 2; ++i) // the log says what happened
        QTest::ignoreMessage(QtWarningMsg, "Fehler bei \"127.0.0.2\" /control/info?nhttpd_version - keine Antwort nach 5 s");
    QTest::failOnWarning(QRegularExpression("."));

    watch.tick();
    alone.start(m_boxList->boxes(), {1}, nmsg("Tom & Jerry"));
    QTRY_VERIFY_WITH_TIMEOUT(alone.isFinished() && running.pendingCount() == 0, 15000);
    QCOMPARE(alone.outcomes().first().httpStatus, 200);
    QCOMPARE(messages(1), QList<QByteArray>{"/control/message?nmsg=Tom%20und%20Jerry"});
    QCOMPARE(m_display->boxStatus(), QString("0000"));
}

void TestStatusWatch::heldWatchLetsTicksPass()
{
    writeBoxFile(boxFile(allConfigured({" 0 ", " 0 ", " 0 ", " 0 "})));
    m_prober->setOutcome(boxAddress(4), Outcome::Reply);
    QSignalSpy finished(m_watch.get(), &StatusWatch::tickFinished);

    m_watch->hold();
    m_watch->hold();
    m_watch->tick();
    m_watch->release();
    m_watch->tick();
    QTest::qWait(50);
    QVERIFY(m_prober->probedAddresses().isEmpty());
    QVERIFY(finished.isEmpty());
    QCOMPARE(m_display->boxStatus(), QString("0000"));

    m_watch->release();
    QVERIFY(!m_watch->isHeld());
    QVERIFY(runTick());
    QCOMPARE(m_display->boxStatus(), QString("0001"));
}

void TestStatusWatch::unresolvedNameAlertsOncePerAddress()
{
    writeBoxFile(boxFile({"gibt-es-nicht.invalid", "auch-nicht.invalid", boxAddress(3), "0.0.0.0", " 1 ", " 1 ",
                          " 1 ", " 1 "}));
    m_prober->setOutcome("gibt-es-nicht.invalid", Outcome::Unresolved);
    m_prober->setOutcome("auch-nicht.invalid", Outcome::Unresolved);
    m_prober->setOutcome(boxAddress(3), Outcome::Reply);
    QSignalSpy alerts(m_watch.get(), &StatusWatch::alert);

    QVERIFY(runTick());
    QCOMPARE(alerts.size(), 1);
    // One alert, one line per box.
    QCOMPARE(alerts.first().first().toString(), StatusWatch::kUnresolvedAlert
                                                    + "\nBox 1: \"gibt-es-nicht.invalid\"\nBox 2: \"auch-nicht.invalid\"");
    QCOMPARE(m_display->boxStatus(), QString("0010"));
    QCOMPARE(m_display->lamp(1), BoxState::Off);
    QCOMPARE(m_display->lamp(2), BoxState::Off);
    // Told about box 3 only; nothing went to the names.
    QCOMPARE(messages(3).size(), 1);

    // Once per address: later ticks only log; a new address that fails is told again.
    QVERIFY(runTick());
    QVERIFY(runTick());
    QCOMPARE(alerts.size(), 1);
    writeBoxFile(boxFile({"gibt-es-nicht.invalid", "anders.invalid", boxAddress(3), "0.0.0.0", " 1 ", " 1 ", " 1 ",
                          " 1 "}));
    m_prober->setOutcome("anders.invalid", Outcome::Unresolved);
    QVERIFY(runTick());
    QCOMPARE(alerts.size(), 2);
    QCOMPARE(alerts.last().first().toString(), StatusWatch::kUnresolvedAlert + "\nBox 2: \"anders.invalid\"");
    QVERIFY(runTick());
    QCOMPARE(alerts.size(), 2);
}

void TestStatusWatch::icmpNotAllowedAlertsOncePerRun()
{
    writeBoxFile(boxFile(allConfigured({" 1 ", " 1 ", " 1 ", " 1 "})));
    for (int box = 1; box <= 4; ++box)
        m_prober->setOutcome(boxAddress(box), Outcome::IcmpNotAllowed);
    QSignalSpy alerts(m_watch.get(), &StatusWatch::alert);
    m_display->setBoxStatus(QStringLiteral("1111"));

    QVERIFY(runTick());
    QCOMPARE(alerts.size(), 1);
    QCOMPARE(alerts.first().first().toString(),
             QString("Die D-Boxen können nicht angepingt werden: ICMP ist diesem Programm nicht erlaubt.\n"
                     "Abhilfe: sysctl -w net.ipv4.ping_group_range=\"0 2147483647\" oder setcap cap_net_raw+ep zelvo"));
    QCOMPARE(m_display->boxStatus(), QString("0000"));
    for (int box = 1; box <= 4; ++box)
        QCOMPARE(m_display->lamp(box), BoxState::Off);
    for (auto *server : m_servers)
        QCOMPARE(server->requests().size(), 0);

    QVERIFY(runTick());
    QVERIFY(runTick());
    QCOMPARE(alerts.size(), 1);
}

namespace {
QStringList g_watchInfo;
void keepWatchInfo(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtInfoMsg && QByteArray(context.category) == "zelvo.watch")
        g_watchInfo << text;
}
} // namespace

// A service runs for months: the same answer every ten seconds is no news
// at info level (per probe it stays at debug level).
void TestStatusWatch::journalHearsOfChangesOnly()
{
    writeBoxFile(boxFile(allConfigured({" 0 ", " 0 ", " 0 ", " 0 "})));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    m_prober->setOutcome(boxAddress(2), Outcome::Reply);
    m_prober->setOutcome(boxAddress(3), Outcome::IcmpNotAllowed);
    m_prober->setOutcome(boxAddress(4), Outcome::NoReply);
    g_watchInfo.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWatchInfo);
    const auto linesOf = [](int box) {
        return int(g_watchInfo.filter(QStringLiteral("Box %1 \"").arg(box)).size());
    };
    bool ran = runTick() && runTick() && runTick();
    QList<int> firstThree{linesOf(1), linesOf(2), linesOf(3), linesOf(4)};
    m_prober->setOutcome(boxAddress(2), Outcome::NoReply);
    ran = ran && runTick() && runTick();
    // A name that cannot be looked up: the reason names it once.
    m_prober->setOutcome(boxAddress(1), Outcome::Unresolved);
    m_prober->setDetail(boxAddress(1), QStringLiteral("Name nicht auflösbar (unbekannter Name)"));
    ran = ran && runTick();
    qInstallMessageHandler(previous);
    QVERIFY(ran);
    QCOMPARE(firstThree, (QList<int>{1, 1, 1, 1}));
    QCOMPARE(linesOf(2), 2); // its change, once
    QCOMPARE(linesOf(3) + linesOf(4), 2);
    QCOMPARE(g_watchInfo.filter(QStringLiteral("Box 1 \"")).last(),
             QStringLiteral("Box 1 \"127.0.0.2\": Name nicht auflösbar (unbekannter Name)"));
}

// Without any box: the boxes that came on are asked what they are, the
// notice goes to each reporting box that is on, the panel says so.
void TestStatusWatch::noticesHandedToTheSender()
{
    writeBoxFile(boxFile(allConfigured({" 1 ", " 0 ", " 1 ", " 1 "})));
    FakeBoxSender sender(m_boxList.get());
    StatusWatch watch(m_display.get(), &sender, m_prober.get());
    for (const int box : {1, 2, 4})
        m_prober->setOutcome(boxAddress(box), Outcome::Reply);
    m_display->setBoxStatus("0001");
    QSignalSpy finished(&watch, &StatusWatch::tickFinished);
    watch.tick();
    QTRY_COMPARE(sender.modeAsked.size(), 3);
    for (int i = 0; i < 3; ++i)
        sender.answerMode(i, QuestionAnswer()); // servers that cannot tell
    QVERIFY(finished.size() == 1 || finished.wait(5000));
    QCOMPARE(sender.identified, (QStringList{boxAddress(1), boxAddress(2)}));
    QCOMPARE(sender.sent.size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(sender.sent.at(i).address, boxAddress(i == 0 ? 1 : 4));
        QCOMPARE(sender.sent.at(i).origin.box, i == 0 ? 1 : 4);
        QCOMPARE(sender.sent.at(i).origin.source, MessageSource::StatusNotice);
        QCOMPARE(sender.sent.at(i).message, nmsg(StatusWatch::composeNotice("0001", "1101")));
    }
    QCOMPARE(m_display->infoText(), StatusWatch::kPanelText);
}

// A box in standby answers echo but shows nothing: amber lamp, "0" in the
// status, and someone turning the television on is "eingeschaltet".
void TestStatusWatch::standbyCountsAsOff_data()
{
    QTest::addColumn<QByteArray>("before"); // box 1's mode
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("lampBefore");
    QTest::addColumn<int>("lampAfter");
    QTest::addColumn<QString>("notice"); // to box 2, which is on; empty: none
    const int on = int(BoxState::On), standby = int(BoxState::Standby);
    QTest::newRow("standby to tv") << QByteArray("standby") << QByteArray("tv") << standby << on << "eingeschaltet";
    QTest::newRow("tv to AV input") << QByteArray("tv") << QByteArray("avinput") << on << standby << "ausgeschaltet";
    QTest::newRow("radio to standby") << QByteArray("radio") << QByteArray("standby") << on << standby << "ausgeschaltet";
    // A server that cannot tell: the box counts as on, as before.
    QTest::newRow("cannot tell") << QByteArray() << QByteArray() << on << on << QString();
    // An answer that tells nothing: the box stays as it was, and is asked again.
    QTest::newRow("garbage") << QByteArray("standby") << QByteArray("<html>Fehler</html>") << standby << standby
                             << QString();
}

void TestStatusWatch::standbyCountsAsOff()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(int, lampBefore);
    QFETCH(int, lampAfter);
    QFETCH(QString, notice);
    writeBoxFile(boxFile(allConfigured({" 0 ", " 1 ", " 0 ", " 0 "})));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    m_prober->setOutcome(boxAddress(2), Outcome::Reply);
    m_servers[0]->setMode(before);
    m_servers[1]->setMode("tv");
    QVERIFY(runTick());
    QTRY_COMPARE(m_sender->pendingCount(), 0); // the start-up notice has arrived
    QCOMPARE(int(m_display->lamp(1)), lampBefore);
    const QString status = lampBefore == int(BoxState::On) ? "11" : "01";
    QCOMPARE(m_display->boxStatus().left(2), status);
    const int noticesBefore = int(messages(2).size());

    m_servers[0]->setMode(after);
    QVERIFY(runTick());
    QVERIFY(runTick()); // the same again: no news
    QCOMPARE(int(m_display->lamp(1)), lampAfter);
    QVERIFY(m_servers[0]->modeQuestions().size() <= 4); // at most one per tick (two for a server that lacks the first)
    QCOMPARE(m_servers[0]->modeQuestions().last().target, QByteArray(before.isEmpty() ? "/control/standby" : "/control/getmode"));
    if (notice.isEmpty()) {
        QTRY_COMPARE(m_sender->pendingCount(), 0); // whatever was sent has arrived
        QCOMPARE(int(messages(2).size()), noticesBefore);
        return;
    }
    QTRY_COMPARE(int(messages(2).size()), noticesBefore + 1);
    QVERIFY2(QUrl::fromPercentEncoding(messages(2).last()).contains("1. D-Box wurde " + notice),
             messages(2).last().constData());
}

// Box 1 in standby with two held messages answers echo, but its mode cannot
// be learnt: they stay held, and no "eingeschaltet" goes out.
void TestStatusWatch::unlearntModeKeepsWhatIsHeld_data()
{
    QTest::addColumn<bool>("trickles"); // an Enigma2 box whose /api/about trickles, else every connection closed
    QTest::newRow("web server closes every connection") << false;
    QTest::newRow("/api/about trickles") << true;
}

void TestStatusWatch::unlearntModeKeepsWhatIsHeld()
{
    QFETCH(bool, trickles);
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(20, 0)));
    HeldMessages held(m_folder->dir(), clock);
    BoxSender sender(m_boxList.get(), {m_port, 1000});
    sender.holdIn(&held, &clock);
    StatusWatch watch(m_display.get(), &sender, m_prober.get());
    FaultyBox closing(FaultyBox::Fault::CloseAfterRequest);
    if (trickles) {
        m_servers[0]->setEnigma2(true);
        m_servers[0]->setMode("standby");
        m_servers[0]->setTrickled("/api/about");
    } else {
        delete std::exchange(m_servers[0], nullptr);
        QVERIFY(closing.listen(QHostAddress(boxAddress(1)), m_port));
    }
    writeBoxFile(boxFile(allConfigured({" 1 ", " 1 ", " 0 ", " 0 "})));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    m_prober->setOutcome(boxAddress(2), Outcome::Reply);
    sender.setBoxState(1, BoxState::Standby);
    for (const char *text : {"eins", "zwei"})
        sender.send(1, nmsg(text), {MessageSource::TypedText});
    QSignalSpy finished(&watch, &StatusWatch::tickFinished);
    watch.tick();
    QVERIFY(finished.wait(10000) && QTest::qWaitFor([&] { return sender.pendingCount() == 0; }, 10000));
    QCOMPARE(held.count(), 2);
    QCOMPARE(m_display->boxStatus(), QString("0100"));
}

// Box 1, a D-Box that was on, is given the address of an Enigma2 box in
// standby: it is asked what it is, then its mode as that kind.
void TestStatusWatch::newAddressIsAskedWhatItIs()
{
    writeBoxFile(boxFile({boxAddress(1), "0.0.0.0", "0.0.0.0", "0.0.0.0", " 0 ", " 0 ", " 0 ", " 0 "}));
    m_prober->setOutcome(boxAddress(1), Outcome::Reply);
    m_prober->setOutcome(boxAddress(3), Outcome::Reply);
    m_servers[0]->setMode("tv");
    m_servers[2]->setEnigma2(true);
    m_servers[2]->setMode("standby");
    QVERIFY(runTick());
    writeBoxFile(boxFile({boxAddress(3), "0.0.0.0", "0.0.0.0", "0.0.0.0", " 0 ", " 0 ", " 0 ", " 0 "}));
    QVERIFY(runTick());
    QVERIFY(runTick());
    QCOMPARE(m_display->lamp(1), BoxState::Standby);
    QVERIFY(m_servers[2]->targets().contains("/api/about"));
    QCOMPARE(m_servers[2]->modeQuestions().size(), 2); // one a tick
}

// While a message is held for a box, FastWake asks the box every second
// (its mode while it answers echo, an echo while it is off) and the message
// goes at the first "on"; with nothing held nothing runs.
void TestStatusWatch::fastWakeSendsHeldAtTheFirstOn()
{
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n");
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
    BoxListSource source(folder.dir());
    FakeBoxSender sender(&source);
    HeldMessages held(folder.dir(), clock);
    sender.holdIn(&held, &clock);
    ScriptedEchoProber prober;
    prober.setOutcome(QStringLiteral("127.0.0.3"), EchoResult::Outcome::Reply);
    FastWake wake(&sender, &prober);
    wake.update();
    QVERIFY(!wake.isRunning()); // nothing waits: no timer

    sender.setBoxState(2, BoxState::Off);
    QVERIFY(sender.send(2, {MessageKind::Popup, QStringLiteral("Tee")}, {MessageSource::TypedText})->isHeld());
    QVERIFY(wake.isRunning());
    QTRY_COMPARE(sender.modeAsked.size(), 1); // within a second or two
    QCOMPARE(prober.probedAddresses(), QStringList{QStringLiteral("127.0.0.3")}); // off: an echo, then its mode
    QCOMPARE(sender.modeAsked.first(), QStringLiteral("127.0.0.3"));

    QuestionAnswer mode;
    mode.canShow = false;
    sender.answerMode(0, mode); // still dark: held
    QCOMPARE(sender.sent.size(), 0);
    QTRY_COMPARE(sender.modeAsked.size(), 2);
    mode.canShow = true;
    sender.answerMode(1, mode); // switched on
    QCOMPARE(sender.sent.size(), 1);
    QVERIFY(!wake.isRunning());
}

QTEST_GUILESS_MAIN(TestStatusWatch)
#include "tst_statuswatch.moc"
