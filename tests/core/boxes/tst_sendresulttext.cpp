#include "boxes/SendResultText.h"

#include <QtTest>

class TestSendResultText : public QObject
{
    Q_OBJECT
private slots:
    void words_data();
    void words();
    void confirmation_data();
    void confirmation();
};

// One row per reason, with the outcome it comes with; the words exact.
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
    row("delivered", O::Answered, F::None, "beantwortet (HTTP 200)");
    row("standby", O::Held, F::Standby, "zurückgehalten (Box im Standby)");
    row("off", O::Held, F::Off, "zurückgehalten (Box aus)");
    row("not shown", O::NotSent, F::NotShown, "nicht gesendet: Box im Standby, der Text würde nicht angezeigt");
    row("not held, standby", O::NotSent, F::NotHeldStandby, "nicht gesendet: Box im Standby, nicht zurückgehalten");
    row("not held, off", O::NotSent, F::NotHeldOff, "nicht gesendet: Box aus, nicht zurückgehalten");
    row("pushed out", O::Expired, F::PushedOut, "verfallen: verdrängt, mehr als 100 Nachrichten für Box 3 zurückgehalten");
    row("expired", O::Expired, F::Expired, "verfallen");
    row("no box", O::NotSent, F::NoBox, "nicht gesendet: keine Box", "keine Box");
    row("address refused", O::NotSent, F::AddressRefused, "nicht gesendet: Box nicht eingerichtet", "Box nicht eingerichtet");
    row("box refused, its words", O::Failed, F::BoxRefused, "Fehler: Anmeldung verlangt", "Anmeldung verlangt");
    row("box refused, a status", O::Answered, F::BoxRefused, "beantwortet (HTTP 500)");
    row("connection refused", O::ConnectionRefused, F::ConnectionRefused, "Verbindung abgelehnt");
    row("connection closed", O::Failed, F::ConnectionClosed, "Fehler: Verbindung geschlossen ohne Antwort");
    row("no connection", O::Failed, F::NoConnection, "Fehler: das Netz ist nicht erreichbar", "das Netz ist nicht erreichbar");
    row("no HTTP answer", O::Failed, F::NoHttpAnswer, "Fehler: ungültige Antwort (keine HTTP-Statuszeile)");
    row("invalid target", O::Failed, F::InvalidTarget, "Fehler: ungültiges Ziel");
    row("kind unknown", O::Failed, F::KindUnknown, "Fehler: Art der Box unbekannt (keine Antwort auf die Frage, was sie ist)");
    row("look-up timed out", O::TimedOut, F::LookupTimedOut, "Name nach 3 s noch nicht aufgelöst", {}, 3000);
    row("connect timed out", O::TimedOut, F::ConnectTimedOut, "keine Verbindung nach 2.5 s", {}, 2500);
    row("no answer", O::TimedOut, F::NoAnswer, "keine Antwort nach 0.4 s", {}, 400);
    row("no answer, no time known", O::TimedOut, F::NoAnswer, "keine Antwort");
    row("dropped", O::Dropped, F::Dropped, "verworfen: nicht gesendet nach 4 s (wartete hinter früheren Nachrichten an diese Box)", {}, 4000);
    row("discarded", O::Dropped, F::Discarded, "verworfen");
    row("Zelvo ended", O::Failed, F::ZelvoEnded, "Fehler: Zelvo endete vor der Antwort");
    row("question open", O::Held, F::QuestionOpen, "zurückgehalten (die vorige Frage an die Box ist noch offen)");
    row("too many questions", O::Expired, F::TooManyQuestions, "verfallen: mehr als 100 Fragen für Box 3 offen");
}

void TestSendResultText::words()
{
    QFETCH(SendResult, result);
    QTEST(SendResultText::outcome(result, 3), "shown");
}

void TestSendResultText::confirmation_data()
{
    QTest::addColumn<Confirmation>("confirmation");
    QTest::addColumn<QString>("shown");
    QTest::newRow("none") << Confirmation::None << QString();
    QTest::newRow("waiting") << Confirmation::Waiting << "wartet auf Bestätigung";
    QTest::newRow("yes") << Confirmation::Yes << "gesehen um 08:02 (Ja)";
    QTest::newRow("no") << Confirmation::No << "gesehen um 08:02 (Nein)";
    QTest::newRow("seen") << Confirmation::Seen << "gesehen um 08:02";
    QTest::newRow("unconfirmed") << Confirmation::Unconfirmed << "nicht bestätigt";
    QTest::newRow("cannot tell") << Confirmation::CannotTell
                                 << "angezeigt – diese Box kann nicht melden, ob es gesehen wurde";
}

void TestSendResultText::confirmation()
{
    QFETCH(Confirmation, confirmation);
    QTEST(SendResultText::confirmation(confirmation, QDateTime(QDate(2026, 3, 1), QTime(8, 2, 30))), "shown");
}

QTEST_GUILESS_MAIN(TestSendResultText)
#include "tst_sendresulttext.moc"
