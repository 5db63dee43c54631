#include "common/FieldReader.h"

#include <QTest>

class TestFieldReader : public QObject
{
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void lineNumbersAndCommas();
    void numericPrefix_data();
    void numericPrefix();
};

void TestFieldReader::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty file") << "" << QStringList{};
    QTest::newRow("one line, no line end") << "abc" << QStringList{"abc"};
    QTest::newRow("final CR LF gives no extra field") << "abc\r\n" << QStringList{"abc"};
    QTest::newRow("LF") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("CR") << "a\rb\r" << QStringList{"a", "b"};
    QTest::newRow("mixed line ends") << "a\r\nb\nc\rd" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty line is one empty field") << "a\r\n\r\nb\r\n" << QStringList{"a", "", "b"};
    QTest::newRow("only a line end") << "\r\n" << QStringList{""};
    QTest::newRow("leading blanks and tabs skipped") << "   \t x y\r\n" << QStringList{"x y"};
    QTest::newRow("trailing blanks dropped") << "x y   \r\n" << QStringList{"x y"};
    QTest::newRow("comma splits the line")
        << "07:25 07:30 p 2 Essen, dann Abwasch\r\n" << QStringList{"07:25 07:30 p 2 Essen", "dann Abwasch"};
    QTest::newRow("quoted line is one field")
        << "\"07:25 07:30 p 2 Essen, dann Abwasch\"\r\n" << QStringList{"07:25 07:30 p 2 Essen, dann Abwasch"};
    QTest::newRow("quoted keeps its blanks") << "\"  a  \"\r\n" << QStringList{"  a  "};
    QTest::newRow("text behind the closing quote is dropped") << "\"a\" junk,b\r\n" << QStringList{"a", "b"};
    QTest::newRow("unterminated quote runs to the end") << "\"abc\r\n" << QStringList{"abc\r\n"};
    QTest::newRow("comma at line end gives an empty field") << "a,\r\nb" << QStringList{"a", "", "b"};
    QTest::newRow("eight box list lines")
        << "192.168.0.10\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n"
        << QStringList{"192.168.0.10", "0.0.0.0", "0.0.0.0", "0.0.0.0", "1", "0", "0", "0"};
    QTest::newRow("NUL bytes are ordinary characters") << QString::fromLatin1("a\0b\n", 4) << QStringList{QString::fromLatin1("a\0b", 3)};
}

void TestFieldReader::fields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    QCOMPARE(FieldReader::readAllTexts(text), expected);
}

void TestFieldReader::lineNumbersAndCommas()
{
    const auto fields = FieldReader::readAll("a\r\n\"b,\r\nc\"\r\nd, e\ne");
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields[0].line, 1);
    QCOMPARE(fields[1].line, 2);
    QVERIFY(fields[1].quoted);
    QCOMPARE(fields[1].text, QString("b,\r\nc"));
    QCOMPARE(fields[2].line, 4);
    QVERIFY(fields[2].endedAtComma);
    QCOMPARE(fields[3].line, 4);
    QCOMPARE(fields[3].text, QString("e"));
    QVERIFY(!fields[3].endedAtComma);
    QCOMPARE(fields[4].line, 5);
}

void TestFieldReader::numericPrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("print form") << " 1 " << 1;
    QTest::newRow("bare") << "1" << 1;
    QTest::newRow("two") << " 2 " << 2;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("plus") << "+4x" << 4;
    QTest::newRow("prefix only") << "12abc" << 12;
    QTest::newRow("no number") << "Wahr" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("sign alone") << "-" << 0;
    QTest::newRow("overflow clamps") << "99999999999999999999" << INT_MAX;
    QTest::newRow("negative overflow clamps") << "-99999999999999999999" << INT_MIN;
}

void TestFieldReader::numericPrefix()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(FieldReader::numericPrefix(text), value);
}

QTEST_GUILESS_MAIN(TestFieldReader)
#include "tst_fieldreader.moc"
