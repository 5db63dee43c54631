#include "sendtext/SendTextStep.h"

#include <QTest>

class TestTypedText : public QObject
{
    Q_OBJECT
private slots:
    void convert_data();
    void convert();
};

void TestTypedText::convert_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::newRow("one line") << "Hallo Welt" << "Hallo Welt" << "Hallo Welt";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("two lines, LF as the text box gives it") << "Zeile eins\nZeile zwei"
                                                            << "Zeile eins\nZeile zwei" << "Zeile einsZeile zwei";
    QTest::newRow("two lines, CR LF") << "Zeile eins\r\nZeile zwei" << "Zeile eins\nZeile zwei"
                                      << "Zeile einsZeile zwei";
    QTest::newRow("lone CR keeps the next character") << "eins\rzwei" << "eins\nzwei" << "einszwei";
    QTest::newRow("two LF in a row") << "a\n\nb" << "a\n\nb" << "ab";
    QTest::newRow("two CR LF in a row") << "a\r\n\r\nb" << "a\n\nb" << "ab";
    QTest::newRow("LF then CR are two breaks") << "a\n\rb" << "a\n\nb" << "ab";
    QTest::newRow("CR CR LF") << "a\r\r\nb" << "a\n\nb" << "ab";
    QTest::newRow("break at the end") << "Ende\r" << "Ende\n" << "Ende";
    QTest::newRow("LF at the end") << "Ende\n" << "Ende\n" << "Ende";
    QTest::newRow("break at the start") << "\nAnfang" << "\nAnfang" << "Anfang";
    QTest::newRow("only a break") << "\n" << "\n" << "";
    QTest::newRow("characters pass unchanged") << "50% & #1 + ä?=" << "50% & #1 + ä?=" << "50% & #1 + ä?=";
    QTest::newRow("typed %0A stays text") << "a%0Ab" << "a%0Ab" << "a%0Ab";
    QTest::newRow("tab stays") << "a\tb" << "a\tb" << "a\tb";
}

void TestTypedText::convert()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, plain);
    const TypedText t = TypedText::convert(typed);
    QCOMPARE(t.text, text);
    QCOMPARE(t.plain, plain);
}

QTEST_GUILESS_MAIN(TestTypedText)
#include "tst_typedtext.moc"
