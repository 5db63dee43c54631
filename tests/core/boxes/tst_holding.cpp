// Holding: a message for a box in standby or off waits, then goes once, in
// order, when the box is on - unless its time ran out. Fake clock, fake
// transport edge, real files.
#include "FakeBoxSender.h"
#include "boxes/PanelFollower.h"
#include "reminders/ReminderMessage.h"
#include "reminders/ReminderRecord.h"
#include "FakeClock.h"
#include "SmallFileSystem.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HeldMessages.h"
#include "common/StatusBoard.h"

#include <QTest>

#include <memory>

class TestHolding : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void waitsUntilTheBoxIsOn_data();
    void waitsUntilTheBoxIsOn();
    void heldInOrderAndSentOnce();
    void hundredFirstPushesOutTheOldest();
    void survivesARestart_data();
    void survivesARestart();
    void staleWordAsksTheBox_data();
    void staleWordAsksTheBox();
    void panelSaysItWaits();
    void lateReminderSaysWhenItWasDue_data();
    void lateReminderSaysWhenItWasDue();
    void notTakenIsHeldAgain_data();
    void notTakenIsHeldAgain();
    void fileNotWrittenNothingSent();

private:
    // One running program's parts on the folder.
    struct Program {
        Program(const QDir &folder, const Clock &clock)
            : source(folder)
            , sender(&source)
            , record(clock)
            , held(folder, clock)
        {
            sender.keepRecordIn(&record);
            sender.panel()->showOn(&board);
            sender.holdIn(&held, &clock);
            QObject::connect(&sender, &BoxSender::heldStuck, &board, &StatusBoard::setLampNote);
        }
        BoxListSource source;
        FakeBoxSender sender;
        DeliveryRecord record;
        HeldMessages held;
        StatusBoard board;
    };

    QString outcome(const Program &p, int entry) const { return p.record.entries().at(size_t(entry)).outcomeText(); }

    std::unique_ptr<TempFolder> m_folder;
    FakeClock m_clock;
    std::unique_ptr<Program> m_program;
};

namespace {

const QDateTime kDue(QDate(2026, 12, 7), QTime(7, 25, 0));
const Message kText{MessageKind::Popup, QStringLiteral("07:30 Zahnarzt")};

MessageOrigin originOf(MessageSource source, std::optional<int> holdMinutes = std::nullopt)
{
    return {source, 0, QString(), source == MessageSource::Reminder ? kDue : QDateTime(), holdMinutes};
}

} // namespace

void TestHolding::init()
{
    m_folder = std::make_unique<TempFolder>();
    m_folder->write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n127.0.0.5\r\n");
    m_clock.set(kDue);
    m_program = std::make_unique<Program>(m_folder->dir(), m_clock);
}

void TestHolding::cleanup()
{
    m_program.reset();
    m_folder.reset();
}

void TestHolding::waitsUntilTheBoxIsOn_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("holdMinutes"); // -1: the settings' time
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("onAfterMinutes");
    QTest::addColumn<QString>("held");  // the record while it waits; empty: never held
    QTest::addColumn<QString>("ended"); // the record's final word, up to the time

    const int reminder = int(MessageSource::Reminder), notice = int(MessageSource::StatusNotice),
              text = int(MessageSource::TypedText), script = int(MessageSource::Script);
    const int standby = int(BoxState::Standby), off = int(BoxState::Off);
    const QString inStandby = "zurückgehalten (Box im Standby)";
    const QString delivered = "beantwortet (HTTP 200) um ";
    QTest::newRow("reminder, on 40 min later") << reminder << -1 << standby << 40 << inStandby << delivered;
    QTest::newRow("reminder, on after 3 h 5 min") << reminder << -1 << standby << 185 << inStandby << "verfallen";
    QTest::newRow("notice, 1 min") << notice << -1 << standby << 1 << inStandby << delivered;
    QTest::newRow("notice, 3 min") << notice << -1 << standby << 3 << inStandby << "verfallen";
    QTest::newRow("text, box off, 29 min") << text << -1 << off << 29 << "zurückgehalten (Box aus)" << delivered;
    QTest::newRow("text, box off, 31 min") << text << -1 << off << 31 << "zurückgehalten (Box aus)" << "verfallen";
    QTest::newRow("zelvo send --expire 90") << script << 90 << standby << 80 << inStandby << delivered;
    QTest::newRow("zelvo send --expire 0") << script << 0 << standby << 1 << QString()
                                           << "nicht gesendet: Box im Standby, nicht zurückgehalten";
}

void TestHolding::waitsUntilTheBoxIsOn()
{
    QFETCH(int, source);
    QFETCH(int, holdMinutes);
    QFETCH(int, state);
    QFETCH(int, onAfterMinutes);
    QFETCH(QString, held);
    QFETCH(QString, ended);
    FakeBoxSender &sender = m_program->sender;
    sender.setBoxState(2, BoxState(state));
    SendHandle *handle = sender.send(2, kText, originOf(MessageSource(source), holdMinutes < 0 ? std::nullopt
                                                                                                 : std::optional(holdMinutes)));
    QCOMPARE(handle->isHeld(), !held.isEmpty());
    if (!held.isEmpty())
        QCOMPARE(outcome(*m_program, 0), held);
    m_clock.set(kDue.addSecs(onAfterMinutes * 60));
    sender.setBoxState(2, BoxState::On);
    const bool sent = ended.startsWith("beantwortet");
    QCOMPARE(sender.sent.size(), sent ? 1 : 0);
    if (sent) {
        QCOMPARE(sender.sent.first().address, QString("127.0.0.3"));
        sender.end(0, {DeliveryOutcome::Answered, 200, QString(), kText.text});
    }
    QTRY_VERIFY(m_program->record.entries().front().outcome != DeliveryOutcome::Waiting
                && m_program->record.entries().front().outcome != DeliveryOutcome::Held);
    QVERIFY2(outcome(*m_program, 0).startsWith(ended), qPrintable(outcome(*m_program, 0)));
    QCOMPARE(m_program->held.count(), 0);
    // Nothing more goes when the box is found on again.
    sender.setBoxState(2, BoxState::On);
    QCOMPARE(sender.sent.size(), sent ? 1 : 0);
}

void TestHolding::lateReminderSaysWhenItWasDue_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("record"); // due at kDue, a Monday
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("onAfterSecs");
    QTest::addColumn<QString>("shown"); // the first line the box gets
    const int daily = int(ReminderListKind::Daily), standby = int(BoxState::Standby), off = int(BoxState::Off);
    QTest::newRow("two hours late") << daily << "07:25 07:30 p 2 Zahnarzt" << standby << 7200
                                    << "Fällig war 07:25 Uhr – zurückgehalten, die Box war im Standby";
    QTest::newRow("a minute is not late") << daily << "07:25 07:30 p 2 Zahnarzt" << standby << 60 << "Es ist 07:25 Uhr!";
    QTest::newRow("weekly, box off") << int(ReminderListKind::Weekly) << "mo 07:25 07:30 p 2 Zahnarzt" << off << 61
                                     << "Fällig war Montag 07:25 Uhr – zurückgehalten, die Box war aus";
    QTest::newRow("dated") << int(ReminderListKind::Dated) << "07-12-2026 07:25 07:30 p 2 Zahnarzt" << standby << 600
                           << "Fällig war am 07-12-2026 07:25 Uhr – zurückgehalten, die Box war im Standby";
}

void TestHolding::lateReminderSaysWhenItWasDue()
{
    QFETCH(int, list);
    QFETCH(QString, record);
    QFETCH(int, state);
    QFETCH(int, onAfterSecs);
    QFETCH(QString, shown);
    FakeBoxSender &sender = m_program->sender;
    sender.rewordLate(&ReminderMessage::late);
    sender.setBoxState(2, BoxState(state));
    const ReminderMessage due = ReminderMessage::compose(ReminderRecord(ReminderListKind(list), record), kDue);
    MessageOrigin origin = originOf(MessageSource::Reminder);
    origin.dueWords = due.dueWords;
    sender.send(2, due.message, origin);
    m_clock.set(kDue.addSecs(onAfterSecs));
    sender.setBoxState(2, BoxState::On);
    QCOMPARE(sender.sent.size(), 1);
    const QString rest = due.message.text.mid(due.message.text.indexOf('\n'));
    QCOMPARE(sender.sent.first().message.text, shown + rest);
}

void TestHolding::heldInOrderAndSentOnce()
{
    FakeBoxSender &sender = m_program->sender;
    sender.setBoxState(3, BoxState::Standby);
    const QStringList texts{"erste", "zweite", "dritte"};
    for (const QString &t : texts)
        sender.send(3, {MessageKind::Message, t}, originOf(MessageSource::TypedText));
    sender.send(1, kText, originOf(MessageSource::TypedText)); // box 1 was never judged: it is asked
    QCOMPARE(sender.modeAsked, QStringList{"127.0.0.2"});
    QVERIFY(sender.sent.isEmpty());
    sender.setBoxState(3, BoxState::On);
    sender.send(3, {MessageKind::Message, "vierte"}, originOf(MessageSource::TypedText));
    QCOMPARE(sender.sent.size(), 1); // the next after this one has ended
    for (int i = 0; i < 3; ++i)
        sender.end(i, {DeliveryOutcome::Answered, 200, QString(), texts.at(i)});
    QStringList order;
    for (const auto &s : sender.sent)
        order << s.message.text;
    QCOMPARE(order, texts + QStringList{"vierte"});
    sender.setBoxState(3, BoxState::On);
    QCOMPARE(sender.sent.size(), 4);
}

void TestHolding::hundredFirstPushesOutTheOldest()
{
    FakeBoxSender &sender = m_program->sender;
    sender.setBoxState(4, BoxState::Off);
    QList<SendHandle *> handles;
    for (int i = 0; i <= HeldMessages::kMaxPerBox; ++i)
        handles << sender.send(4, {MessageKind::Message, QString::number(i)}, originOf(MessageSource::TypedText));
    QCOMPARE(m_program->held.count(), HeldMessages::kMaxPerBox);
    QCOMPARE(sender.heldCount(), HeldMessages::kMaxPerBox);
    QVERIFY2(outcome(*m_program, 0).startsWith("verfallen: verdrängt, mehr als 100 Nachrichten für Box 4"),
             qPrintable(outcome(*m_program, 0)));
    QVERIFY(handles.last()->isHeld());
    sender.setBoxState(4, BoxState::On);
    for (int i = 0; i < HeldMessages::kMaxPerBox; ++i)
        sender.end(i, {DeliveryOutcome::Answered, 200, QString(), QString()});
    QCOMPARE(sender.sent.size(), HeldMessages::kMaxPerBox);
    QCOMPARE(sender.sent.first().message.text, QString("1"));
}

void TestHolding::survivesARestart_data()
{
    QTest::addColumn<int>("downMinutes"); // how long no Zelvo ran
    QTest::addColumn<bool>("sent");
    QTest::newRow("back within its time") << 60 << true;
    QTest::newRow("its time ran out meanwhile") << 200 << false;
}

void TestHolding::survivesARestart()
{
    QFETCH(int, downMinutes);
    QFETCH(bool, sent);
    m_program->sender.setBoxState(2, BoxState::Standby);
    const ReminderMessage due = ReminderMessage::compose(ReminderRecord::daily("07:25 07:30 p 2 Zahnarzt"), kDue);
    MessageOrigin origin = originOf(MessageSource::Reminder);
    origin.dueWords = due.dueWords;
    m_program->sender.send(2, due.message, origin);
    QCOMPARE(m_program->held.count(), 1);
    m_program.reset(); // a crash keeps what was written at once

    m_clock.set(kDue.addSecs(downMinutes * 60));
    m_program = std::make_unique<Program>(m_folder->dir(), m_clock);
    m_program->sender.rewordLate(&ReminderMessage::late);
    m_program->sender.restoreHeld();
    QCOMPARE(m_program->record.entries().size(), size_t(1));
    QCOMPARE(m_program->record.entries().front().time, kDue);
    QCOMPARE(outcome(*m_program, 0), sent ? QString("zurückgehalten (Box im Standby)")
                                          : QString("verfallen, zuvor zurückgehalten (Box im Standby)"));
    m_program->sender.setBoxState(2, BoxState::On);
    QCOMPARE(m_program->sender.sent.size(), sent ? 1 : 0);
    if (sent) // an hour late, and it says so
        QVERIFY(m_program->sender.sent.first().message.text.startsWith("Fällig war 07:25 Uhr – zurückgehalten"));
}

void TestHolding::staleWordAsksTheBox_data()
{
    QTest::addColumn<bool>("reached");
    QTest::addColumn<int>("canShow"); // -1: cannot tell
    QTest::addColumn<bool>("neverSent");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("shows it") << true << 1 << false << "wartet auf Antwort";
    QTest::newRow("cannot tell") << true << -1 << false << "wartet auf Antwort";
    QTest::newRow("standby") << true << 0 << false << "zurückgehalten (Box im Standby)";
    QTest::newRow("no answer") << false << -1 << false << "zurückgehalten (Box aus)";
    // Its messages fail the same way, in their own words.
    QTest::newRow("name not resolved") << false << -1 << true << "wartet auf Antwort";
}

// Without the watch's word of the last tick the box is asked first; what it
// says decides.
void TestHolding::staleWordAsksTheBox()
{
    QFETCH(bool, reached);
    QFETCH(int, canShow);
    QFETCH(bool, neverSent);
    QFETCH(QString, outcome);
    FakeBoxSender &sender = m_program->sender;
    sender.send(2, kText, originOf(MessageSource::Reminder));
    sender.send(2, {MessageKind::Message, "danach"}, originOf(MessageSource::TypedText));
    QCOMPARE(sender.modeAsked, QStringList{"127.0.0.3"}); // once for both
    QCOMPARE(sender.identified, QStringList{"127.0.0.3"}); // its kind decides how it is asked
    QVERIFY(sender.sent.isEmpty());
    QuestionAnswer answer;
    answer.reached = reached;
    answer.neverSent = neverSent;
    if (canShow >= 0)
        answer.canShow = canShow == 1;
    sender.answerMode(0, answer);
    QCOMPARE(this->outcome(*m_program, 0), outcome);
    QCOMPARE(sender.sent.size(), outcome == "wartet auf Antwort" ? 2 : 0);
}

void TestHolding::panelSaysItWaits()
{
    FakeBoxSender &sender = m_program->sender;
    sender.setBoxState(1, BoxState::Off);
    sender.setBoxState(2, BoxState::Standby);
    sender.panel()->showWhenSent({sender.send(1, kText, originOf(MessageSource::Reminder)),
                         sender.send(2, kText, originOf(MessageSource::Reminder))},
                        kText.text);
    QCOMPARE(m_program->board.infoText(), QString("Zurückgehalten für Box 1 (aus), Box 2 (Standby): 07:30 Zahnarzt"));
    sender.setBoxState(2, BoxState::On);
    QCOMPARE(m_program->board.infoText(), kText.text);
}

void TestHolding::notTakenIsHeldAgain_data()
{
    QTest::addColumn<SendResult>("result");
    QTest::addColumn<bool>("heldAgain");
    QTest::newRow("refused") << SendResult{DeliveryOutcome::ConnectionRefused, 0, {}, {}} << true;
    QTest::newRow("error status") << SendResult{DeliveryOutcome::Answered, 500, {}, "erste"} << true;
    // It may be on the screen: at most once.
    QTest::newRow("written, no answer") << SendResult{DeliveryOutcome::TimedOut, 0, {}, "erste"} << false;
}

// One at a time: one the box did not take waits again, first and with its
// expiry; a crash while one is on its way loses that one only.
void TestHolding::notTakenIsHeldAgain()
{
    QFETCH(SendResult, result);
    QFETCH(bool, heldAgain);
    FakeBoxSender &sender = m_program->sender;
    sender.setBoxState(2, BoxState::Standby);
    for (const char *text : {"erste", "zweite", "dritte"})
        sender.send(2, {MessageKind::Message, text}, originOf(MessageSource::TypedText));
    const QDateTime expiry = m_program->held.held(2).first().expiresAt;
    m_clock.set(kDue.addSecs(60));
    sender.setBoxState(2, BoxState::On);
    sender.end(0, result);
    QCOMPARE(sender.sent.size(), heldAgain ? 1 : 2);
    QCOMPARE(m_program->held.held(2).first().message.text, heldAgain ? "erste" : "dritte");
    QCOMPARE(m_program->held.held(2).first().expiresAt, expiry);
    m_program = std::make_unique<Program>(m_folder->dir(), m_clock); // after a crash
    m_program->sender.restoreHeld();
    QCOMPARE(m_program->held.count(), heldAgain ? 3 : 1);
}

// Sent only once the file without it is written: a full disk or a
// read-only folder keeps all three, and after a restart each goes once.
void TestHolding::fileNotWrittenNothingSent()
{
    for (const bool full : {true, false}) {
        SmallFileSystem fs("512k");
        if (!fs.mounted())
            QSKIP("needs root, for a file system in a private mount namespace");
        QVERIFY(QFile::copy(m_folder->path("boxip.ini"), fs.filePath("boxip.ini")));
        m_program = std::make_unique<Program>(QDir(fs.path()), m_clock);
        m_program->sender.setBoxState(2, BoxState::Standby);
        for (const char *text : {"erste", "zweite", "dritte"})
            m_program->sender.send(2, {MessageKind::Message, text}, originOf(MessageSource::TypedText));
        QVERIFY(fs.fillUp() && (full || fs.makeReadOnly()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("nicht geschrieben werden: .* - zurückgehaltene "
                                                              "Nachrichten bleiben zurückgehalten"));
        QStringList arrived;
        for (const bool restarted : {false, true}) {
            for (int tick = 0, ended = 0; tick < 3; ++tick) {
                FakeBoxSender &sender = m_program->sender;
                sender.setBoxState(2, BoxState::On);
                for (; ended < sender.sent.size(); ++ended) {
                    arrived << sender.sent.at(ended).message.text;
                    sender.end(ended, {DeliveryOutcome::Answered, 200, QString(), arrived.last()});
                }
            }
            QVERIFY(restarted || m_program->board.lampNote(2).endsWith(full ? "(der Datenträger ist voll)"
                                                                            : "(das Dateisystem ist schreibgeschützt)"));
            m_program.reset();
            QVERIFY(restarted || fs.free());
            m_program = std::make_unique<Program>(QDir(fs.path()), m_clock);
            m_program->sender.restoreHeld();
        }
        QCOMPARE(arrived, (QStringList{"erste", "zweite", "dritte"}));
        m_program.reset();
    }
}

int main(int argc, char *argv[])
{
    PrivateNetwork::enter(); // while the process has a single thread
    QCoreApplication app(argc, argv);
    TestHolding test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_holding.moc"
