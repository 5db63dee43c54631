// Questions for confirmation: one out per box, the next waits; answered,
// expired, asked again after standby and after a restart. Fake clock, fake
// transport edge, the real sender, record and held-messages file.
#include "FakeBoxSender.h"
#include "FakeClock.h"
#include "TempFolder.h"
#include "boxes/BoxListSource.h"
#include "boxes/DeliveryRecord.h"
#include "boxes/HeldMessages.h"
#include "boxes/QuestionWatch.h"

#include <QTest>

#include <memory>

class TestQuestionWatch : public QObject
{
    Q_OBJECT
private slots:
    void story_data();
    void story();
};

namespace {

constexpr int kBox = 2;

// One running program's parts on the folder.
struct Program {
    Program(const QDir &folder, const Clock &clock, const std::deque<Delivery> &earlier, bool tells)
        : source(folder)
        , sender(&source)
        , record(clock)
        , held(folder, clock)
        , watch(&sender, &record, &held, clock)
    {
        record.restore(QList<Delivery>(earlier.begin(), earlier.end()));
        sender.keepRecordIn(&record);
        sender.holdIn(&held, &clock);
        sender.tellsAnswers = tells;
        sender.restoreHeld();
        watch.restore();
    }
    BoxListSource source;
    FakeBoxSender sender;
    DeliveryRecord record;
    HeldMessages held;
    QuestionWatch watch;
    int delivered = 0; // messages sent that the test has ended
    int replied = 0;   // answer questions replied to
};

QuestionAnswer replyOf(const QString &word)
{
    QuestionAnswer a;
    a.reply = word == "yes" ? PromptReply::Yes : word == "no" ? PromptReply::No : PromptReply::Open;
    return a;
}

} // namespace

void TestQuestionWatch::story_data()
{
    // Steps: "send X" (a text that asks for confirmation, to box 2),
    // "deliver" (the box took the next message sent), "poll", "reply
    // open|yes|no|seen" (to the next answer question), "state on|standby",
    // "later N" (minutes), "restart".
    QTest::addColumn<bool>("tells");       // whether the box can say what became of its question
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("wire");     // what reached the box: texts, "?" for each answer question
    QTest::addColumn<QString>("record");   // every entry's word, oldest first

    const QStringList asked{"state on", "send A", "deliver", "later 2", "poll"};
    // (Answered yes or no: on the wire, in tst_wire.)
    QTest::newRow("not answered before it expired, then never asked")
        << true << asked + QStringList{"reply open", "later 29", "poll", "poll"} << "A ?" << "nicht bestätigt";
    QTest::newRow("the second goes once the first is answered")
        << true << QStringList{"state on", "send A", "send B", "deliver", "poll", "reply yes", "deliver"} << "A ? B"
        << "gesehen um 08:00 (Ja) | wartet auf Bestätigung";
    QTest::newRow("one waiting that expired first was never shown")
        << true << QStringList{"state on", "send A", "send B", "deliver", "later 31", "poll"} << "A"
        << "nicht bestätigt | verfallen, zuvor zurückgehalten (die vorige Frage an die Box ist noch offen)";
    QTest::newRow("standby and back: asked again")
        << true << asked + QStringList{"reply open", "state standby", "poll", "state on", "reply open", "deliver"}
        << "A ? ? A" << "wartet auf Bestätigung";
    QTest::newRow("standby and back: answered before it went dark")
        << true << QStringList{"state on", "send A", "deliver", "state standby", "state on", "reply yes"} << "A ?"
        << "gesehen um 08:00 (Ja)";
    QTest::newRow("restart, answered meanwhile")
        << true << QStringList{"state on", "send A", "deliver", "restart", "state on", "reply no"} << "A ?"
        << "gesehen um 08:00 (Nein)";
    QTest::newRow("restart, not answered: asked again")
        << true << QStringList{"state on", "send A", "deliver", "restart", "state on", "reply open", "deliver"}
        << "A ? A" << "wartet auf Bestätigung";
    QTest::newRow("restart with one waiting")
        << true << QStringList{"state on", "send A", "send B", "deliver", "restart", "state on", "reply yes", "deliver"}
        << "A ? B" << "gesehen um 08:00 (Ja) | wartet auf Bestätigung";
    QTest::newRow("a box that cannot tell") << false << QStringList{"state on", "send A", "deliver", "send B", "poll"}
                                            << "A B"
                                            << "angezeigt – diese Box kann nicht melden, ob es gesehen wurde | "
                                               "wartet auf Antwort";
}

void TestQuestionWatch::story()
{
    QFETCH(bool, tells);
    QFETCH(QStringList, steps);
    QFETCH(QString, wire);
    QFETCH(QString, record);

    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n127.0.0.5\r\n");
    FakeClock clock(QDateTime(QDate(2026, 12, 7), QTime(8, 0)));
    auto p = std::make_unique<Program>(folder.dir(), clock, std::deque<Delivery>(), tells);
    QStringList seen;
    for (const QString &step : steps) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0), what = step.section(QLatin1Char(' '), 1);
        qsizetype sentNow = p->sender.sent.size(), askedNow = p->sender.answerAsked.size();
        if (verb == "send") {
            p->sender.send(kBox, {MessageKind::Message, what, true}, {MessageSource::TypedText});
        } else if (verb == "deliver") {
            QVERIFY2(p->delivered < p->sender.sent.size(), qPrintable(step));
            p->sender.end(p->delivered++, {DeliveryOutcome::Answered, 200, QString(), QStringLiteral("x")});
        } else if (verb == "poll") {
            p->watch.poll();
        } else if (verb == "reply") {
            QVERIFY2(p->replied < p->sender.answerAsked.size(), qPrintable(step));
            p->sender.reply(p->replied++, replyOf(what));
        } else if (verb == "state") {
            p->sender.setBoxState(kBox, what == "on" ? BoxState::On : BoxState::Standby);
        } else if (verb == "later") {
            clock.set(clock.now().addSecs(what.toInt() * 60));
        } else if (verb == "restart") {
            const std::deque<Delivery> earlier = p->record.entries();
            p.reset();
            p = std::make_unique<Program>(folder.dir(), clock, earlier, tells);
            sentNow = askedNow = 0;
        }
        QCoreApplication::processEvents(); // the handles' ends come after the calls
        for (qsizetype i = sentNow; i < p->sender.sent.size(); ++i)
            seen << p->sender.sent.at(i).message.text;
        for (qsizetype i = askedNow; i < p->sender.answerAsked.size(); ++i)
            seen << QStringLiteral("?");
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), wire);
    QStringList words;
    for (const Delivery &d : p->record.entries())
        words << d.outcomeText();
    QCOMPARE(words.join(QStringLiteral(" | ")), record);
}

QTEST_GUILESS_MAIN(TestQuestionWatch)
#include "tst_questionwatch.moc"
