#include "FakeBoxSender.h"
#include "TempFolder.h"

#include "boxes/BoxListSource.h"

#include "check/ReminderSchedule.h"
#include "listedit/ReminderListDocument.h"
#include "listedit/ReminderListEdit.h"
#include "reminders/ReminderListFile.h"
#include "reminders/ReminderMessage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(6, 0)); // a Monday

ReminderFields fieldsOf(ReminderListKind list, const QByteArray &json)
{
    QString error;
    const auto f = ReminderFields::fromJson(list, QJsonDocument::fromJson(json).object(), &error);
    return f ? *f : ReminderFields();
}

BoxList fourBoxes()
{
    BoxList boxes;
    for (int box = 1; box <= BoxList::kBoxes; ++box)
        boxes.addresses[box - 1] = QStringLiteral("10.0.0.%1").arg(box);
    return boxes;
}

} // namespace

class TestReminderListDocument : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void rows_data();
    void rows();
    void apply_data();
    void apply();
    void changedBetweenReadingAndSaving();
    void sendNowSendsTheNextMessage();
    void nothingIsWrittenThatReadsOtherwise();
};

void TestReminderListDocument::roundTrip_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QByteArray>("before"); // empty: no file
    QTest::addColumn<QString>("op");        // "add", "change N", "insert N", "delete N"
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<QByteArray>("after");
    const int daily = int(ReminderListKind::Daily), weekly = int(ReminderListKind::Weekly),
              dated = int(ReminderListKind::Dated);
    QTest::newRow("daily CRLF: changed line keeps its unexamined positions")
        << daily << QByteArray("07:00 07:05 p 1 Kaffee\r\n07:25#07:30#p#2#Muell\r\n") << "change 2"
        << QByteArray(R"({"trigger":"07:25","event":"07:30","kind":"popup","box":2,"text":"Abfall"})")
        << QByteArray("07:00 07:05 p 1 Kaffee\r\n07:25#07:30#p#2#Abfall\r\n");
    QTest::newRow("daily LF: a kind flag and box digit that mean the same stay")
        << daily << QByteArray("07:25 07:30 x   Muell\n") << "change 1"
        << QByteArray(R"({"trigger":"08:00","event":"08:10","kind":"message","box":1,"text":"Tonne"})")
        << QByteArray("08:00 08:10 x   Tonne\n");
    QTest::newRow("daily: new kind and box are written")
        << daily << QByteArray("07:25 07:30 x 1 Muell\n") << "change 1"
        << QByteArray(R"({"trigger":"07:25","event":"07:30","kind":"popup","box":3,"text":"Muell"})")
        << QByteArray("07:25 07:30 p 3 Muell\n");
    QTest::newRow("weekly LF: broken lines between reminders stay, added at the end")
        << weekly << QByteArray("mf 06:45 07:00 m 1 Zeitung\n7:25 kaputt\n\nMo 08:00 08:00 p 2 Brot\n") << "add"
        << QByteArray(R"({"day":"sa","trigger":"09:00","event":"09:30","kind":"message","box":4,"text":"Markt"})")
        << QByteArray("mf 06:45 07:00 m 1 Zeitung\n7:25 kaputt\n\nMo 08:00 08:00 p 2 Brot\nsa 09:00 09:30 m 4 Markt\n");
    QTest::newRow("weekly: duplicate inserted below")
        << weekly << QByteArray("mf 06:45 07:00 m 1 Zeitung\r\nso 10:00 10:00 p 1 Kirche\r\n") << "insert 2"
        << QByteArray(R"({"day":"mf","trigger":"06:45","event":"07:00","kind":"message","box":1,"text":"Zeitung"})")
        << QByteArray("mf 06:45 07:00 m 1 Zeitung\r\nmf 06:45 07:00 m 1 Zeitung\r\nso 10:00 10:00 p 1 Kirche\r\n");
    QTest::newRow("dated: Windows-1252 line untouched, changed UTF-8 line written in Windows-1252")
        << dated << QByteArray("24-12-2026 18:00 18:30 p 3 M\xfcll\r\n25-12-2026 10:00 10:00 p 1 Gr\xc3\xbc\xc3\x9f""e\r\n")
        << "change 2"
        << QByteArray(R"({"date":"2026-12-25","trigger":"10:00","event":"10:00","kind":"popup","box":1,"text":"Grüße Oma"})")
        << QByteArray("24-12-2026 18:00 18:30 p 3 M\xfcll\r\n25-12-2026 10:00 10:00 p 1 Gr\xfc\xdf""e Oma\r\n");
    QTest::newRow("dated: a character Windows-1252 lacks makes the line UTF-8")
        << dated << QByteArray("24-12-2026 ??:00 --:-- m 1 Frohe Weihnachten!\n") << "add"
        << QByteArray(R"({"date":"2026-12-31","trigger":"??:30","event":"23:59","kind":"popup","box":2,"text":"Ω"})")
        << QByteArray("24-12-2026 ??:00 --:-- m 1 Frohe Weihnachten!\n31-12-2026 ??:30 23:59 p 2 \xce\xa9\n");
    QTest::newRow("dated: Windows-1252 that would read as UTF-8 is written as UTF-8")
        << dated << QByteArray() << "add"
        << QByteArray(R"({"date":"2026-12-31","trigger":"12:00","event":"12:00","kind":"popup","box":1,"text":"Ã¼"})")
        << QByteArray("31-12-2026 12:00 12:00 p 1 \xc3\x83\xc2\xbc\r\n");
    QTest::newRow("daily, new file: CRLF, a comma puts the record in quotes")
        << daily << QByteArray() << "add"
        << QByteArray(R"({"trigger":"07:25","event":"07:30","kind":"popup","box":2,"text":"Essen, dann Abwasch"})")
        << QByteArray("\"07:25 07:30 p 2 Essen, dann Abwasch\"\r\n");
    QTest::newRow("daily: a last line without line end gets one")
        << daily << QByteArray("07:00 07:05 p 1 Kaffee") << "add"
        << QByteArray(R"({"trigger":"07:25","event":"07:30","kind":"popup","box":2,"text":"X"})")
        << QByteArray("07:00 07:05 p 1 Kaffee\r\n07:25 07:30 p 2 X\r\n");
    QTest::newRow("daily: indented quoted line keeps indentation and quotes")
        << daily << QByteArray("  \"07:25 07:30 p 2 Essen, dann\"\n") << "change 1"
        << QByteArray(R"({"trigger":"07:25","event":"07:30","kind":"popup","box":2,"text":"Essen, später"})")
        << QByteArray("  \"07:25 07:30 p 2 Essen, sp\xe4ter\"\n");
    QTest::newRow("daily: a line split at a comma is written whole, in quotes")
        << daily << QByteArray("07:25 07:30 p 2 Essen, dann Abwasch\n") << "change 1"
        << QByteArray(R"({"trigger":"07:25","event":"07:30","kind":"popup","box":3,"text":"Essen, dann Abwasch"})")
        << QByteArray("\"07:25 07:30 p 3 Essen, dann Abwasch\"\n");
    QTest::newRow("daily: delete keeps every other line")
        << daily << QByteArray("a\r\n07:00 07:05 p 1 Kaffee\r\n\r\n") << "delete 2" << QByteArray()
        << QByteArray("a\r\n\r\n");
}

void TestReminderListDocument::roundTrip()
{
    QFETCH(int, list);
    QFETCH(QByteArray, before);
    QFETCH(QString, op);
    QFETCH(QByteArray, fields);
    QFETCH(QByteArray, after);
    const auto kind = ReminderListKind(list);
    const QString name = ReminderLayout::fileName(kind);
    TempFolder folder;
    if (!before.isEmpty())
        folder.write(name, before);

    ReminderListDocument doc = ReminderListDocument::load(folder.dir(), kind);
    const ReminderFields f = fieldsOf(kind, fields);
    const QStringList words = op.split(' ');
    const int line = words.size() > 1 ? words.at(1).toInt() : doc.lineCount() + 1;
    // A line the editor shows is the same when written back unchanged.
    if (words.first() == QLatin1String("change") && f.text != QLatin1String("Essen, später"))
        QVERIFY(doc.rows(BoxList(), kNow).at(line - 1).fields.has_value());
    QString why;
    if (words.first() == QLatin1String("delete"))
        why = doc.remove(line);
    else if (words.first() == QLatin1String("change"))
        why = doc.change(line, f);
    else
        why = doc.insert(line, f);
    QVERIFY2(why.isEmpty(), qPrintable(why));
    QString version, error;
    QCOMPARE(doc.save(&version, &error), ReminderListDocument::SaveOutcome::Saved);
    QCOMPARE(folder.read(name), after);
    QCOMPARE(ReminderListDocument::versionOnDisk(folder.dir(), kind), version);
    if (words.first() == QLatin1String("delete"))
        return;

    // Read back, the editor shows what it was given, and the clock sends
    // exactly that record's message at its moment.
    const ReminderListDocument::Row row = ReminderListDocument::load(folder.dir(), kind).rows(fourBoxes(), kNow).at(line - 1);
    QVERIFY(row.fields.has_value());
    QCOMPARE(*row.fields, f);
    QVERIFY2(row.fires, qPrintable(row.reason));
    ReminderSchedule::Lists lists;
    lists[list] = ReminderListFile::read(folder.dir(), kind).records;
    const ReminderRecord shown(kind, f.recordText(kind));
    const QList<DueReminder> due = ReminderSchedule::next(lists, kNow, 100);
    const auto it = std::find_if(due.begin(), due.end(), [line](const DueReminder &d) { return d.record.line() == line; });
    QVERIFY(it != due.end());
    QCOMPARE(it->reminder.message, ReminderMessage::compose(shown, it->at).message);
}

void TestReminderListDocument::rows_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("hasFields");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QString>("reason"); // its beginning; empty: it fires
    const int daily = int(ReminderListKind::Daily), dated = int(ReminderListKind::Dated);
    QTest::newRow("wrong trigger") << daily << QByteArray("7:25 07:30 p 2 X\n") << 1 << false << true
                                   << "wird nie gesendet: Uhrzeit \"7:25\" muss fünf Zeichen haben";
    QTest::newRow("too short") << daily << QByteArray("07:25 07:30\n") << 1 << false << true
                               << "wird nie gesendet: der Eintrag hat nur 11 Zeichen";
    QTest::newRow("empty") << daily << QByteArray("07:25 07:30 p 2 X\n   \n") << 2 << false << true << "leere Zeile";
    QTest::newRow("past") << dated << QByteArray("01-01-2020 07:00 07:00 p 1 Alt\n") << 1 << true << true
                          << "wird nie gesendet: Termin 01-01-2020 liegt in der Vergangenheit";
    QTest::newRow("quote over two lines") << daily << QByteArray("\"07:25 07:30 p 2 a\nb\"\n") << 1 << false << false
                                          << "das Anführungszeichen wird erst in Zeile 2 geschlossen";
    QTest::newRow("inside that quote") << daily << QByteArray("\"07:25 07:30 p 2 a\nb\"\n") << 2 << false << false
                                       << "gehört zum Eintrag aus Zeile 1";
    QTest::newRow("fires, with a control character") << daily << QByteArray("07:25 07:30 p 2 a\x01b\n") << 1 << false
                                                     << false << "";
    QTest::newRow("fires, blank box digit") << daily << QByteArray("07:25 07:30 p  \n") << 1 << true << true << "";
}

void TestReminderListDocument::rows()
{
    QFETCH(int, list);
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    QFETCH(bool, hasFields);
    QFETCH(bool, editable);
    QFETCH(QString, reason);
    TempFolder folder;
    folder.write(ReminderLayout::fileName(ReminderListKind(list)), file);
    const ReminderListDocument::Row row =
        ReminderListDocument::load(folder.dir(), ReminderListKind(list)).rows(fourBoxes(), kNow).at(line - 1);
    QCOMPARE(row.fields.has_value(), hasFields);
    QCOMPARE(row.editable, editable);
    QCOMPARE(row.fires, reason.isEmpty());
    QVERIFY2(reason.isEmpty() ? row.reason.isEmpty() : row.reason.startsWith(reason), qPrintable(row.reason));
}

void TestReminderListDocument::apply_data()
{
    QTest::addColumn<int>("op");
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("staleVersion");
    QTest::addColumn<QByteArray>("fields");
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("after");
    const QByteArray file("24-12-2026 18:00 18:30 p 3 Bescherung\r\n");
    const QByteArray past(R"({"date":"2020-01-01","trigger":"07:00","event":"07:00","kind":"popup","box":1,"text":"Alt"})");
    const int add = int(ReminderListEdit::Op::Add), change = int(ReminderListEdit::Op::Change),
              del = int(ReminderListEdit::Op::Delete);
    using R = ReminderListEdit::Result;
    QTest::newRow("stale version") << add << 0 << true << past << true << int(R::Stale) << file;
    QTest::newRow("cannot fire") << add << 0 << false << past << false << int(R::CannotFire) << file;
    QTest::newRow("cannot fire, forced") << add << 0 << false << past << true << int(R::Saved)
                                         << file + "01-01-2020 07:00 07:00 p 1 Alt\r\n";
    QTest::newRow("no such line") << change << 2 << false << past << true << int(R::NoSuchLine) << file;
    QTest::newRow("wrong form") << change << 1 << false
                                << QByteArray(R"({"date":"2026-12-24","trigger":"7:00","event":"07:00","kind":"popup","box":1,"text":"X"})")
                                << true << int(R::Refused) << file;
    QTest::newRow("delete") << del << 1 << false << QByteArray() << false << int(R::Saved) << QByteArray();
}

void TestReminderListDocument::apply()
{
    QFETCH(int, op);
    QFETCH(int, line);
    QFETCH(bool, staleVersion);
    QFETCH(QByteArray, fields);
    QFETCH(bool, force);
    QFETCH(int, result);
    QFETCH(QByteArray, after);
    const auto dated = ReminderListKind::Dated;
    TempFolder folder;
    folder.write("zlv-term.txt", "24-12-2026 18:00 18:30 p 3 Bescherung\r\n");
    const QJsonObject listed = ReminderListEdit::listing(folder.dir(), dated, fourBoxes(), kNow);
    const QJsonObject first = listed.value("records").toArray().at(0).toObject();
    QCOMPARE(first.value("fields").toObject().value("date").toString(), QString("2026-12-24"));
    QCOMPARE(first.value("fields").toObject().value("text").toString(), QString("Bescherung"));
    QVERIFY(first.value("fires").toBool() && first.value("reason").isNull());

    ReminderListEdit::Request request{ReminderListEdit::Op(op), line, listed.value("version").toString(), std::nullopt, force};
    if (staleVersion)
        request.version = "0";
    if (!fields.isEmpty())
        request.fields = fieldsOf(dated, fields);
    const ReminderListEdit::Answer answer = ReminderListEdit::apply(folder.dir(), dated, request, fourBoxes(), kNow);
    QCOMPARE(int(answer.result), result);
    QCOMPARE(answer.reason.isEmpty(), answer.result == ReminderListEdit::Result::Saved);
    QCOMPARE(folder.read("zlv-term.txt"), after);
    QCOMPARE(answer.version, ReminderListDocument::versionOnDisk(folder.dir(), dated));
}

void TestReminderListDocument::changedBetweenReadingAndSaving()
{
    TempFolder folder;
    folder.write("zlv-tag.txt", "07:00 07:05 p 1 Kaffee\r\n");
    ReminderListDocument doc = ReminderListDocument::load(folder.dir(), ReminderListKind::Daily);
    QVERIFY(doc.remove(1).isEmpty());
    folder.write("zlv-tag.txt", "07:00 07:05 p 1 Tee\r\n");
    QString version, error;
    QCOMPARE(doc.save(&version, &error), ReminderListDocument::SaveOutcome::Stale);
    QCOMPARE(folder.read("zlv-tag.txt"), QByteArray("07:00 07:05 p 1 Tee\r\n"));
    QCOMPARE(version, ReminderListDocument::versionOnDisk(folder.dir(), ReminderListKind::Daily));
    QVERIFY(version != doc.version());
}

void TestReminderListDocument::sendNowSendsTheNextMessage()
{
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n127.0.0.5\r\n0\r\n0\r\n0\r\n0\r\n");
    BoxListSource boxes(folder.dir());
    FakeBoxSender sender(&boxes);
    const auto weekly = ReminderListKind::Weekly;
    ReminderListEdit::sendNow(&sender, weekly, fieldsOf(weekly, R"({"day":"sa","trigger":"09:00","event":"09:30",
        "kind":"message","box":4,"text":"Markt"})"), kNow);
    QCOMPARE(sender.sent.size(), 1);
    QCOMPARE(sender.sent.at(0).address, QString("127.0.0.5"));
    QVERIFY(sender.sent.at(0).message.text.startsWith("Es ist Samstag 09:00 Uhr!"));
    QCOMPARE(sender.sent.at(0).origin.holdMinutes, std::optional<int>(0)); // now or never: it is a test
}

void TestReminderListDocument::nothingIsWrittenThatReadsOtherwise()
{
    TempFolder folder;
    const QByteArray open("07:00 07:05 p 1 Tee\r\n\"07:00 07:05 p 1 offen\r\n");
    folder.write("zlv-tag.txt", open);
    ReminderListDocument doc = ReminderListDocument::load(folder.dir(), ReminderListKind::Daily);
    // A line added below a quote never closed would be part of its text;
    // a line taken out of a record over several lines would change it.
    QVERIFY(!doc.insert(3, fieldsOf(ReminderListKind::Daily, R"({"trigger":"09:00","event":"09:05","kind":"popup","box":1,"text":"X"})")).isEmpty());
    QVERIFY(!doc.remove(2).isEmpty());
    QCOMPARE(doc.bytes(), open);
    QVERIFY(!doc.modified());
}

QTEST_GUILESS_MAIN(TestReminderListDocument)
#include "tst_reminderlistdocument.moc"
