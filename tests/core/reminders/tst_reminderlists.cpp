#include "boxes/nhttpd/RequestTarget.h"
#include "TempFolder.h"
#include "reminders/ReminderKeys.h"
#include "reminders/ReminderListFile.h"
#include "reminders/ReminderMessage.h"
#include "reminders/ReminderRecord.h"

#include <QTest>

Q_DECLARE_METATYPE(ReminderListKind)
Q_DECLARE_METATYPE(MessageKind)

namespace {

const QString kRule = QStringLiteral("%0A") + QString(62, QLatin1Char('-')) + QStringLiteral("%0A%0A");

QDateTime at(int y, int mo, int d, int h, int mi, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Monday 7 December 2026 .. Sunday 13 December 2026
QDateTime onWeekday(int dayOfWeek, int h, int mi)
{
    return at(2026, 12, 6 + dayOfWeek, h, mi);
}

ReminderRecord parseOne(ReminderListKind list, const QString &fileText)
{
    const QList<ReminderRecord> records = ReminderListFile::parse(fileText, list);
    return records.isEmpty() ? ReminderRecord() : records.first();
}

} // namespace

class TestReminderLists : public QObject
{
    Q_OBJECT
private slots:
    void positions_data();
    void positions();
    void firing_data();
    void firing();
    void textCutToCharacters();
    void wildcardFiresEveryHourOfItsDateOnly();
    void commaSplitsARecord();
    void quotedLineIsOneRecord();
    void lineNumbersAndEmptyLines();
    void messages_data();
    void messages();
    void checkSeconds();
    void dayCodes();
    void keys_data();
    void keys();
    void oddities_data();
    void oddities();
    void missingListIsEmpty();
    void folderIsEmptyListWithWarning();
    void invalidUtf8ReadsAsWindows1252();
};

void TestReminderLists::positions_data()
{
    QTest::addColumn<ReminderListKind>("list");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("dayCode");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("eventTime");
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("longEnough");

    const auto D = ReminderListKind::Daily;
    const auto W = ReminderListKind::Weekly;
    const auto T = ReminderListKind::Dated;
    const auto P = MessageKind::Popup;
    const auto M = MessageKind::Message;

    QTest::newRow("daily example") << D << "07:25 07:30 p 2 Muell rausbringen" << "" << "" << "07:25" << "07:30" << P
                                   << 2 << "Muell rausbringen" << true;
    QTest::newRow("daily upper P is a message") << D << "07:25 07:30 P 3 x" << "" << "" << "07:25" << "07:30" << M << 3
                                                << "x" << true;
    QTest::newRow("daily box 4") << D << "07:25 07:30 m 4 x" << "" << "" << "07:25" << "07:30" << M << 4 << "x" << true;
    QTest::newRow("daily box 1") << D << "07:25 07:30 p 1 x" << "" << "" << "07:25" << "07:30" << P << 1 << "x" << true;
    QTest::newRow("daily box 5 is box 1") << D << "07:25 07:30 p 5 x" << "" << "" << "07:25" << "07:30" << P << 1 << "x"
                                          << true;
    QTest::newRow("daily box 0 is box 1") << D << "07:25 07:30 p 0 x" << "" << "" << "07:25" << "07:30" << P << 1 << "x"
                                          << true;
    QTest::newRow("daily box blank is box 1") << D << "07:25 07:30 p   x" << "" << "" << "07:25" << "07:30" << P << 1
                                              << "x" << true;
    QTest::newRow("daily 16 characters, empty text")
        << D << "07:25 07:30 p 2 " << "" << "" << "07:25" << "07:30" << P << 2 << "" << true;
    QTest::newRow("daily 15 characters: reaches the box digit")
        << D << "07:25 07:30 p 2" << "" << "" << "07:25" << "07:30" << P << 2 << "" << true;
    QTest::newRow("daily 14 characters") << D << "07:25 07:30 p " << "" << "" << "07:25" << "07:30" << P << 1 << ""
                                         << false;
    QTest::newRow("daily ends before kind") << D << "07:25 07:30" << "" << "" << "07:25" << "07:30" << M << 1 << ""
                                            << false;
    QTest::newRow("daily not examined positions") << D << "07:25x07:30xpx2xtext" << "" << "" << "07:25" << "07:30" << P
                                                  << 2 << "text" << true;
    QTest::newRow("empty record") << D << "" << "" << "" << "" << "" << M << 1 << "" << false;

    QTest::newRow("weekly example") << W << "mf 06:45 07:00 m 1 Zeitung holen" << "mf" << "" << "06:45" << "07:00" << M
                                    << 1 << "Zeitung holen" << true;
    QTest::newRow("weekly popup box 3") << W << "so 08:00 08:15 p 3 Kirche" << "so" << "" << "08:00" << "08:15" << P
                                        << 3 << "Kirche" << true;
    QTest::newRow("weekly 19 characters") << W << "so 08:00 08:15 p 3 " << "so" << "" << "08:00" << "08:15" << P << 3
                                          << "" << true;
    QTest::newRow("weekly 18 characters: reaches the box digit")
        << W << "so 08:00 08:15 p 3" << "so" << "" << "08:00" << "08:15" << P << 3 << "" << true;
    QTest::newRow("weekly 17 characters") << W << "so 08:00 08:15 p " << "so" << "" << "08:00" << "08:15" << P << 1
                                          << "" << false;

    QTest::newRow("dated example") << T << "24-12-2026 18:00 18:30 p 3 Bescherung" << "" << "24-12-2026" << "18:00"
                                   << "18:30" << P << 3 << " Bescherung" << true;
    QTest::newRow("dated text right behind the digit")
        << T << "24-12-2026 ??:15 18:30 m 2Tee" << "" << "24-12-2026" << "??:15" << "18:30" << M << 2 << "Tee" << true;
    QTest::newRow("dated 26 characters") << T << "24-12-2026 18:00 18:30 p 3" << "" << "24-12-2026" << "18:00"
                                         << "18:30" << P << 3 << "" << true;
    QTest::newRow("dated 25 characters") << T << "24-12-2026 18:00 18:30 p " << "" << "24-12-2026" << "18:00"
                                         << "18:30" << P << 1 << "" << false;
}

void TestReminderLists::positions()
{
    QFETCH(ReminderListKind, list);
    QFETCH(QString, record);
    const ReminderRecord r(list, record);
    QTEST(r.dayCode().toString(), "dayCode");
    QTEST(r.date().toString(), "date");
    QTEST(r.trigger().toString(), "trigger");
    QTEST(r.eventTime().toString(), "eventTime");
    QTEST(r.kind(), "kind");
    QTEST(r.box(), "box");
    QTEST(r.text(), "text");
    QTEST(r.longEnough(), "longEnough");
}

void TestReminderLists::firing_data()
{
    QTest::addColumn<ReminderListKind>("list");
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<bool>("fires");

    const auto D = ReminderListKind::Daily;
    const auto W = ReminderListKind::Weekly;
    const auto T = ReminderListKind::Dated;
    const QDateTime monday0725 = onWeekday(1, 7, 25);

    QTest::newRow("07:25 at 07:25") << D << "07:25 07:30 p 2 x\n" << monday0725 << true;
    QTest::newRow("07:25 at 07:26") << D << "07:25 07:30 p 2 x\n" << onWeekday(1, 7, 26) << false;
    QTest::newRow("07:25 at 19:25") << D << "07:25 07:30 p 2 x\n" << onWeekday(1, 19, 25) << false;
    QTest::newRow("7:25 never") << D << "7:25  07:30 p 2 x\n" << monday0725 << false;
    QTest::newRow("07.25 never") << D << "07.25 07:30 p 2 x\n" << monday0725 << false;
    QTest::newRow("indented with blanks") << D << "    07:25 07:30 p 2 x\n" << monday0725 << true;
    QTest::newRow("indented with a tab") << D << "\t07:25 07:30 p 2 x\n" << monday0725 << true;
    QTest::newRow("CR LF line end") << D << "07:25 07:30 p 2 x\r\n" << monday0725 << true;
    QTest::newRow("16 characters, quoted to keep the blank")
        << D << "\"07:25 07:30 p 2 \"" << monday0725 << true;
    QTest::newRow("16 characters, trailing blank dropped but counted")
        << D << "07:25 07:30 p 2 \n" << monday0725 << true;
    QTest::newRow("ends at the box digit") << D << "07:25 07:30 p 2" << monday0725 << true;
    QTest::newRow("blank box digit as trailing blank") << D << "07:25 07:30 p  \n" << monday0725 << true;
    QTest::newRow("too short never fires") << D << "07:25 07:30 p" << monday0725 << false;
    QTest::newRow("dated, blank box digit") << T << "07-12-2026 07:25 07:30 p  \r\n" << monday0725 << true;
    QTest::newRow("dated, ends before the box digit") << T << "07-12-2026 07:25 07:30 p \r\n" << monday0725 << false;
    QTest::newRow("midnight") << D << "00:00 00:00 p 2 x" << at(2026, 12, 7, 0, 0) << true;

    QTest::newRow("mo on Monday") << W << "mo 07:25 07:30 p 2 x" << monday0725 << true;
    QTest::newRow("mo on Tuesday") << W << "mo 07:25 07:30 p 2 x" << onWeekday(2, 7, 25) << false;
    QTest::newRow("Mo never") << W << "Mo 07:25 07:30 p 2 x" << monday0725 << false;
    QTest::newRow("MF never") << W << "MF 07:25 07:30 p 2 x" << monday0725 << false;
    QTest::newRow("mf on Friday") << W << "mf 07:25 07:30 p 2 x" << onWeekday(5, 7, 25) << true;
    QTest::newRow("mf on Saturday") << W << "mf 07:25 07:30 p 2 x" << onWeekday(6, 7, 25) << false;
    QTest::newRow("ss on Saturday") << W << "ss 07:25 07:30 p 2 x" << onWeekday(6, 7, 25) << true;
    QTest::newRow("ss on Sunday") << W << "ss 07:25 07:30 p 2 x" << onWeekday(7, 7, 25) << true;
    QTest::newRow("ss on Monday") << W << "ss 07:25 07:30 p 2 x" << monday0725 << false;
    QTest::newRow("so on Sunday") << W << "so 07:25 07:30 p 2 x" << onWeekday(7, 7, 25) << true;
    QTest::newRow("di on Tuesday") << W << "di 07:25 07:30 p 2 x" << onWeekday(2, 7, 25) << true;
    QTest::newRow("mi on Wednesday") << W << "mi 07:25 07:30 p 2 x" << onWeekday(3, 7, 25) << true;
    QTest::newRow("do on Thursday") << W << "do 07:25 07:30 p 2 x" << onWeekday(4, 7, 25) << true;
    QTest::newRow("fr on Friday") << W << "fr 07:25 07:30 p 2 x" << onWeekday(5, 7, 25) << true;
    QTest::newRow("sa on Saturday") << W << "sa 07:25 07:30 p 2 x" << onWeekday(6, 7, 25) << true;
    QTest::newRow("weekly wrong minute") << W << "mo 07:26 07:30 p 2 x" << monday0725 << false;
    QTest::newRow("weekly has no wildcard") << W << "mo ??:25 07:30 p 2 x" << monday0725 << false;

    QTest::newRow("dated on its date") << T << "24-12-2026 18:00 18:30 p 3 x" << at(2026, 12, 24, 18, 0) << true;
    QTest::newRow("dated a year later") << T << "24-12-2026 18:00 18:30 p 3 x" << at(2027, 12, 24, 18, 0) << false;
    QTest::newRow("dated one-digit day") << T << "5-01-2027  18:00 18:30 p 3 x" << at(2027, 1, 5, 18, 0) << false;
    QTest::newRow("dated with zeros") << T << "05-01-2027 18:00 18:30 p 3 x" << at(2027, 1, 5, 18, 0) << true;
    QTest::newRow("dated dots never") << T << "05.01.2027 18:00 18:30 p 3 x" << at(2027, 1, 5, 18, 0) << false;
    QTest::newRow("dated ??:00 at 19:00") << T << "24-12-2026 ??:00 18:30 p 3 x" << at(2026, 12, 24, 19, 0) << true;
    QTest::newRow("dated ?:00 never") << T << "24-12-2026 ?:00  18:30 p 3 x" << at(2026, 12, 24, 19, 0) << false;
    QTest::newRow("daily has no wildcard") << D << "??:25 07:30 p 2 x" << monday0725 << false;
}

void TestReminderLists::firing()
{
    QFETCH(ReminderListKind, list);
    QFETCH(QString, fileText);
    QFETCH(QDateTime, when);
    const ReminderRecord r = parseOne(list, fileText);
    QTEST(r.firesAt(when), "fires");
}

void TestReminderLists::textCutToCharacters()
{
    const QString sixty = QString(30, QChar(0xE4)) + QString(30, QLatin1Char('b')); // "ää…bb…"
    const ReminderRecord r = ReminderRecord::daily("07:25 07:30 p 2 " + sixty);
    QCOMPARE(r.text(), sixty.left(52));
    QCOMPARE(r.fullTextLength(), 60);
    QVERIFY(r.textIsCut());

    // A character outside the BMP counts once and is not split.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    const ReminderRecord wide = ReminderRecord::daily("07:25 07:30 p 2 " + QString(51, QLatin1Char('a')) + clef + "zz");
    QCOMPARE(wide.text(), QString(51, QLatin1Char('a')) + clef);
    QCOMPARE(wide.fullTextLength(), 54);

    const ReminderRecord exact = ReminderRecord::daily("07:25 07:30 p 2 " + QString(52, QLatin1Char('x')));
    QCOMPARE(exact.text().size(), 52);
    QVERIFY(!exact.textIsCut());
}

void TestReminderLists::wildcardFiresEveryHourOfItsDateOnly()
{
    const ReminderRecord r = ReminderRecord::dated("24-12-2026 ??:15 18:30 p 3 x");
    QVERIFY(r.hasWildcardTrigger());
    for (int h = 0; h < 24; ++h) {
        QVERIFY2(r.firesAt(at(2026, 12, 24, h, 15)), qPrintable(QString::number(h)));
        QVERIFY(!r.firesAt(at(2026, 12, 24, h, 16)));
        QVERIFY(!r.firesAt(at(2026, 12, 23, h, 15)));
        QVERIFY(!r.firesAt(at(2026, 12, 25, h, 15)));
    }
}

void TestReminderLists::commaSplitsARecord()
{
    const QList<ReminderRecord> records =
        ReminderListFile::parse("07:25 07:30 p 2 Essen, dann Abwasch\n", ReminderListKind::Daily);
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.at(0).text(), QStringLiteral("Essen"));
    QVERIFY(records.at(0).splitAtComma());
    QVERIFY(!records.at(0).continuesLine());
    QVERIFY(records.at(0).firesAt(onWeekday(1, 7, 25)));
    QCOMPARE(records.at(1).record(), QStringLiteral("dann Abwasch"));
    QVERIFY(records.at(1).continuesLine());
    QCOMPARE(records.at(1).line(), 1);
    for (int h = 0; h < 24; ++h)
        for (int m = 0; m < 60; ++m)
            QVERIFY(!records.at(1).firesAt(onWeekday(1, h, m)));
}

void TestReminderLists::quotedLineIsOneRecord()
{
    const QList<ReminderRecord> records =
        ReminderListFile::parse("\"07:25 07:30 p 2 Essen, dann Abwasch\"\r\n", ReminderListKind::Daily);
    QCOMPARE(records.size(), 1);
    QVERIFY(records.at(0).quoted());
    QCOMPARE(records.at(0).column(), 2); // behind the opening quote
    QVERIFY(!records.at(0).splitAtComma());
    QCOMPARE(records.at(0).text(), QStringLiteral("Essen, dann Abwasch"));
    QVERIFY(records.at(0).firesAt(onWeekday(1, 7, 25)));
}

void TestReminderLists::lineNumbersAndEmptyLines()
{
    const QList<ReminderRecord> records =
        ReminderListFile::parse("07:25 07:30 p 2 a\n\n  07:26 07:30 p 2 b\r\n", ReminderListKind::Daily);
    QCOMPARE(records.size(), 2); // the empty line can never fire and is not kept
    QCOMPARE(records.at(0).line(), 1);
    QCOMPARE(records.at(1).line(), 3);
    QCOMPARE(records.at(1).column(), 3); // behind the indent
    QCOMPARE(records.at(1).text(), QStringLiteral("b"));
    QVERIFY(ReminderListFile::parse(QString(), ReminderListKind::Daily).isEmpty());
}

void TestReminderLists::messages_data()
{
    QTest::addColumn<ReminderListKind>("list");
    QTest::addColumn<QString>("record");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<int>("box");

    QTest::newRow("daily popup") << ReminderListKind::Daily << "07:25 07:30 p 2 Muell rausbringen"
                                 << onWeekday(1, 7, 25)
                                 << "/control/message?popup=Es ist 07:25 Uhr!%0A-----------------------------------"
                                    "---------------------------%0A%0A07:30 Uhr Muell rausbringen"
                                 << "07:30 Muell rausbringen" << 2;
    QTest::newRow("daily message") << ReminderListKind::Daily << "07:25 07:30 x 9 Tee" << onWeekday(1, 7, 25)
                                   << "/control/message?nmsg=Es ist 07:25 Uhr!" + kRule + "07:30 Uhr Tee"
                                   << "07:30 Tee" << 1;
    QTest::newRow("daily empty text") << ReminderListKind::Daily << "07:25 07:30 p 2 " << onWeekday(1, 7, 25)
                                      << "/control/message?popup=Es ist 07:25 Uhr!" + kRule + "07:30 Uhr "
                                      << "07:30 " << 2;
    QTest::newRow("weekly on Sunday") << ReminderListKind::Weekly << "ss 08:00 08:30 p 4 Fruehstueck"
                                      << onWeekday(7, 8, 0)
                                      << "/control/message?popup=Es ist Sonntag 08:00 Uhr!" + kRule
                                             + "08:30 Uhr Fruehstueck"
                                      << "08:30 Fruehstueck" << 4;
    QTest::newRow("weekly on Thursday") << ReminderListKind::Weekly << "mf 06:45 07:00 m 1 Zeitung holen"
                                        << onWeekday(4, 6, 45)
                                        << "/control/message?nmsg=Es ist Donnerstag 06:45 Uhr!" + kRule
                                               + "07:00 Uhr Zeitung holen"
                                        << "07:00 Zeitung holen" << 1;
    QTest::newRow("dated") << ReminderListKind::Dated << "24-12-2026 18:00 18:30 p 3 Bescherung"
                           << at(2026, 12, 24, 18, 0)
                           << "/control/message?popup=Es ist der 24-12-2026 18:00 Uhr !" + kRule
                                  + "18:30 Uhr  Bescherung"
                           << "18:30  Bescherung" << 3;
    QTest::newRow("dated wildcard names the hour") << ReminderListKind::Dated << "05-01-2027 ??:00 --:-- p 3x"
                                                   << at(2027, 1, 5, 19, 0)
                                                   << "/control/message?popup=Es ist der 05-01-2027 19:00 Uhr !"
                                                          + kRule + "--:-- Uhr x"
                                                   << "--:-- x" << 3;
    QTest::newRow("text passed on unescaped, %0A a line break")
        << ReminderListKind::Daily << "07:25 07:30 p 2 50% & #1%0Aneu%0a30%Be 50%00" << onWeekday(1, 7, 25)
        << "/control/message?popup=Es ist 07:25 Uhr!" + kRule + "07:30 Uhr 50% & #1%0Aneu%0A30%Be 50%00"
        << "07:30 50% & #1\nneu\n30%Be 50%00" << 2;
}

void TestReminderLists::messages()
{
    QFETCH(ReminderListKind, list);
    QFETCH(QString, record);
    QFETCH(QDateTime, when);
    const ReminderRecord r(list, record);
    QVERIFY(r.firesAt(when));
    const ReminderMessage m = ReminderMessage::compose(r, when);
    QTEST(RequestTarget::document(m.message), "document");
    QTEST(m.panelText, "panel");
    QTEST(m.box, "box");
    // Real line breaks around the rule and wherever the list wrote "%0A".
    QCOMPARE(m.message.text.count(QLatin1Char('\n')), 3 + m.panelText.count(QLatin1Char('\n')));
}

// Each list has its second of the minute, and no other second checks a list.
void TestReminderLists::checkSeconds()
{
    for (const ReminderListKind list : {ReminderListKind::Daily, ReminderListKind::Weekly, ReminderListKind::Dated})
        QCOMPARE(ReminderLayout::listCheckedAt(ReminderLayout::checkSecond(list)), std::optional(list));
    QCOMPARE(ReminderLayout::checkSecond(ReminderListKind::Weekly), 20);
    for (const int second : {1, 19, 39, 59})
        QVERIFY(!ReminderLayout::listCheckedAt(second));
}

void TestReminderLists::dayCodes()
{
    QCOMPARE(ReminderKeys::dayCodes(), (QStringList{"mo", "di", "mi", "do", "fr", "sa", "so", "mf", "ss"}));
}

void TestReminderLists::keys_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("hourMinute");
    QTest::addColumn<QString>("dateKey");
    QTest::addColumn<QString>("dayCode");
    QTest::addColumn<QString>("groupCode");
    QTest::addColumn<QString>("name");
    QTest::newRow("Monday") << at(2026, 12, 7, 7, 5, 9) << "07:05" << "07-12-2026" << "mo" << "mf" << "Montag";
    QTest::newRow("Tuesday") << at(2026, 12, 8, 23, 59) << "23:59" << "08-12-2026" << "di" << "mf" << "Dienstag";
    QTest::newRow("Wednesday") << at(2026, 12, 9, 0, 0) << "00:00" << "09-12-2026" << "mi" << "mf" << "Mittwoch";
    QTest::newRow("Thursday") << at(2026, 12, 10, 12, 0) << "12:00" << "10-12-2026" << "do" << "mf" << "Donnerstag";
    QTest::newRow("Friday") << at(2026, 12, 11, 12, 0) << "12:00" << "11-12-2026" << "fr" << "mf" << "Freitag";
    QTest::newRow("Saturday") << at(2026, 12, 12, 12, 0) << "12:00" << "12-12-2026" << "sa" << "ss" << "Samstag";
    QTest::newRow("Sunday") << at(2026, 12, 13, 12, 0) << "12:00" << "13-12-2026" << "so" << "ss" << "Sonntag";
    QTest::newRow("5 January") << at(2027, 1, 5, 12, 0) << "12:00" << "05-01-2027" << "di" << "mf" << "Dienstag";
}

void TestReminderLists::keys()
{
    QFETCH(QDateTime, when);
    const ReminderKeys k = ReminderKeys::at(when);
    QTEST(k.hourMinute, "hourMinute");
    QTEST(k.dateKey, "dateKey");
    QTEST(k.dayCode, "dayCode");
    QTEST(k.groupCode, "groupCode");
    QTEST(k.weekdayName, "name");
    QCOMPARE(k.wildcard, "??:" + k.hourMinute.mid(3));
}

void TestReminderLists::oddities_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("warnings");
    QTest::newRow("plain list") << "07:25 07:30 p 2 a\r\n\"07:26 07:30 p 2 b, c\"\r\n\t07:27 07:30 p 2 d\r\n"
                                << QStringList();
    QTest::newRow("quote closed lines later")
        << "07:25 07:30 p 2 a\n\"07:26 07:30 p 2 b\n07:27 07:30 p 2 c\"\n"
        << QStringList{"L Zeile 2: das Anführungszeichen wird erst in einer späteren Zeile geschlossen"};
    QTest::newRow("NUL byte") << QString("07:25 07:30 p 2 a\n07:25") + QChar(0) + "\n"
                              << QStringList{"L Zeile 2 enthält Steuerzeichen (Code 0): keine Textdatei? Steuerzeichen werden nicht gesendet"};
    QTest::newRow("escape character") << "\x1B[0m\n" << QStringList{"L Zeile 1 enthält Steuerzeichen (Code 27): keine Textdatei? Steuerzeichen werden nicht gesendet"};
    QTest::newRow("long record") << "a\n" + QString(ReminderListFile::kLongRecordChars + 1, QLatin1Char('x'))
                                 << QStringList{QStringLiteral("L Zeile 2 ist %1 Zeichen lang")
                                                    .arg(ReminderListFile::kLongRecordChars + 1)};
}

void TestReminderLists::oddities()
{
    QFETCH(QString, text);
    const auto records = ReminderListFile::parse(text, ReminderListKind::Daily);
    QTEST(ReminderListFile::oddities("L", text, records), "warnings");
}

void TestReminderLists::missingListIsEmpty()
{
    TempFolder folder;
    const auto r = ReminderListFile::read(folder.dir(), ReminderListKind::Weekly);
    QCOMPARE(r.status, TextFile::Status::Missing);
    QVERIFY(r.records.isEmpty());
    QCOMPARE(r.path, folder.path("zlv-woch.txt"));
}

void TestReminderLists::folderIsEmptyListWithWarning()
{
    TempFolder folder;
    QVERIFY(folder.dir().mkdir("zlv-term.txt"));
    const auto r = ReminderListFile::read(folder.dir(), ReminderListKind::Dated);
    QCOMPARE(r.status, TextFile::Status::Unreadable);
    QCOMPARE(r.error, QStringLiteral("ist ein Ordner"));
    QVERIFY(r.records.isEmpty());
}

void TestReminderLists::invalidUtf8ReadsAsWindows1252()
{
    TempFolder folder;
    folder.write("zlv-tag.txt", "07:25 07:30 p 2 M\xFCll\r\n");
    const auto r = ReminderListFile::read(folder.dir(), ReminderListKind::Daily);
    QCOMPARE(r.records.size(), 1);
    QCOMPARE(r.records.at(0).text(), QStringLiteral("Müll"));
}

QTEST_GUILESS_MAIN(TestReminderLists)
#include "tst_reminderlists.moc"
