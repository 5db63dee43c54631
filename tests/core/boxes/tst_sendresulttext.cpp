#include "boxes/SendResultText.h"

#include <QtTest>

class TestSendResultText : public QObject
{
    Q_OBJECT
private slots:
    void words_data();
    void words();
};

// The words of the reasons no other test shows, with the outcome each comes with.
void TestSendResultText::words_data()
{
    QTest::addColumn<SendResult>("result");
    QTest::addColumn<QString>("shown");
    using O = DeliveryOutcome;
    using F = SendFailure;
    const auto row = [](const char *name, O o, F f, const QString &shown, const QString &said = {}, int ms = 0) {
        SendResult r = SendResult::failed(o, f, said);
        r.httpStatus = o != O::Answered ? 0 : f == F::None ? 200 : 500;
        r.waitedMs = ms;
        QTest::newRow(name) << r << shown;
    };
    row("not shown", O::NotSent, F::NotShown, "nicht gesendet: Box im Standby, der Text würde nicht angezeigt");
    row("box refused, its words", O::Failed, F::BoxRefused, "Fehler: Anmeldung verlangt", "Anmeldung verlangt");
    row("invalid target", O::Failed, F::InvalidTarget, "Fehler: ungültiges Ziel");
    row("kind unknown", O::Failed, F::KindUnknown, "Fehler: Art der Box unbekannt (keine Antwort auf die Frage, was sie ist)");
    row("connect timed out", O::TimedOut, F::ConnectTimedOut, "keine Verbindung nach 2.5 s", {}, 2500);
    row("no answer, no time known", O::TimedOut, F::NoAnswer, "keine Antwort");
    row("too many questions", O::Expired, F::TooManyQuestions, "verfallen: mehr als 100 Fragen für Box 3 offen");
}

void TestSendResultText::words()
{
    QFETCH(SendResult, result);
    QTEST(SendResultText::outcome(result, 3), "shown");
}

QTEST_GUILESS_MAIN(TestSendResultText)
#include "tst_sendresulttext.moc"
