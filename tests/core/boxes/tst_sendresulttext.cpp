#include "boxes/SendResultText.h"

#include <QtTest>

class TestSendResultText : public QObject
{
    Q_OBJECT
private slots:
    void words_data();
    void words();
};

// One row per reason, each with the outcome it comes with; the words exact.
void TestSendResultText::words_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("why");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("waitedMs");
    QTest::addColumn<QString>("shown");
    using O = DeliveryOutcome;
    using F = SendFailure;
    const auto row = [](const char *name, O o, F f, const QString &said, int ms, const QString &shown) {
        QTest::newRow(name) << int(o) << int(f) << said << ms << shown;
    };
    row("delivered", O::Answered, F::None, {}, 0, "beantwortet (HTTP 200)");
    row("standby", O::Held, F::Standby, {}, 0, "zurückgehalten (Box im Standby)");
    row("off", O::Held, F::Off, {}, 0, "zurückgehalten (Box aus)");
    row("not shown", O::NotSent, F::NotShown, {}, 0, "nicht gesendet: Box im Standby, der Text würde nicht angezeigt");
    row("not held, standby", O::NotSent, F::NotHeldStandby, {}, 0, "nicht gesendet: Box im Standby, nicht zurückgehalten");
    row("not held, off", O::NotSent, F::NotHeldOff, {}, 0, "nicht gesendet: Box aus, nicht zurückgehalten");
    row("pushed out", O::Expired, F::PushedOut, {}, 0, "verfallen: verdrängt, mehr als 100 Nachrichten für Box 3 zurückgehalten");
    row("expired", O::Expired, F::Expired, {}, 0, "verfallen");
    row("no box", O::NotSent, F::NoBox, "keine Box gewählt", 0, "nicht gesendet: keine Box gewählt");
    row("address refused", O::NotSent, F::AddressRefused, "Box nicht eingerichtet (0.0.0.0)", 0,
        "nicht gesendet: Box nicht eingerichtet (0.0.0.0)");
    row("box refused, its words", O::Failed, F::BoxRefused, "Anmeldung verlangt", 0, "Fehler: Anmeldung verlangt");
    row("box refused, a status", O::Answered, F::BoxRefused, {}, 0, "beantwortet (HTTP 500)");
    row("connection refused", O::ConnectionRefused, F::ConnectionRefused, {}, 0, "Verbindung abgelehnt");
    row("connection closed", O::Failed, F::ConnectionClosed, {}, 0, "Fehler: Verbindung geschlossen ohne Antwort");
    row("no connection", O::Failed, F::NoConnection, "das Netz ist nicht erreichbar", 0,
        "Fehler: das Netz ist nicht erreichbar");
    row("no HTTP answer", O::Failed, F::NoHttpAnswer, {}, 0, "Fehler: ungültige Antwort (keine HTTP-Statuszeile)");
    row("invalid target", O::Failed, F::InvalidTarget, {}, 0, "Fehler: ungültiges Ziel");
    row("kind unknown", O::Failed, F::KindUnknown, {}, 0,
        "Fehler: Art der Box unbekannt (keine Antwort auf die Frage, was sie ist)");
    row("look-up timed out", O::TimedOut, F::LookupTimedOut, {}, 3000, "Name nach 3 s noch nicht aufgelöst");
    row("connect timed out", O::TimedOut, F::ConnectTimedOut, {}, 2500, "keine Verbindung nach 2.5 s");
    row("no answer", O::TimedOut, F::NoAnswer, {}, 400, "keine Antwort nach 0.4 s");
    row("no answer, no time known", O::TimedOut, F::NoAnswer, {}, 0, "keine Antwort");
    row("dropped", O::Dropped, F::Dropped, {}, 4000,
        "verworfen: nicht gesendet nach 4 s (wartete hinter früheren Nachrichten an diese Box)");
    row("discarded", O::Dropped, F::Discarded, {}, 0, "verworfen");
    row("Zelvo ended", O::Failed, F::ZelvoEnded, {}, 0, "Fehler: Zelvo endete vor der Antwort");
}

void TestSendResultText::words()
{
    QFETCH(int, outcome);
    QFETCH(int, why);
    QFETCH(QString, said);
    QFETCH(int, waitedMs);
    QFETCH(QString, shown);
    SendResult result = SendResult::failed(DeliveryOutcome(outcome), SendFailure(why), said);
    if (result.outcome == DeliveryOutcome::Answered)
        result.httpStatus = result.why == SendFailure::None ? 200 : 500;
    result.waitedMs = waitedMs;
    QCOMPARE(SendResultText::outcome(result, 3), shown);
}

QTEST_GUILESS_MAIN(TestSendResultText)
#include "tst_sendresulttext.moc"
