#include "TempFolder.h"
#include "sendtext/SendTextSettings.h"
#include "sendtext/SendTextStep.h"

#include <QTest>

// The text box has no length limit: a pasted long text must still be
// converted at once when the user sends it.
class BenchDialogs : public QObject
{
    Q_OBJECT
private slots:
    void convertLongText_data();
    void convertLongText();
    void readSettings();
    void writeSettings();
};

void BenchDialogs::convertLongText_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("10 lines") << 10;
    QTest::newRow("10000 lines (about 600 KB)") << 10000;
}

void BenchDialogs::convertLongText()
{
    QFETCH(int, lines);
    QString typed;
    for (int i = 0; i < lines; ++i)
        typed += QStringLiteral("Zeile %1: Heute um 20:15 Uhr kommt der Film & die Nachrichten\n").arg(i);
    TypedText t;
    QBENCHMARK {
        t = TypedText::convert(typed);
    }
    QCOMPARE(t.text.count(QLatin1Char('\n')), lines);
}

void BenchDialogs::readSettings()
{
    TempFolder folder;
    folder.write("wendrel.ini", "Wahr\r\nFalsch\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n");
    SendTextSettings::ReadResult r;
    QBENCHMARK {
        r = SendTextSettings::read(folder.dir());
    }
    QCOMPARE(r.settings.kind, MessageKind::Popup);
}

void BenchDialogs::writeSettings()
{
    TempFolder folder;
    SendTextSettings s;
    s.ticked = {{true, false, true, false}};
    QBENCHMARK {
        QCOMPARE(SendTextSettings::write(folder.dir(), s), QString());
    }
}

QTEST_GUILESS_MAIN(BenchDialogs)
#include "bench_dialogs.moc"
