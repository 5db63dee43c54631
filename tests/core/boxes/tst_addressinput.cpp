#include "boxes/BoxListFile.h"

#include <QTest>

class TestAddressInput : public QObject
{
    Q_OBJECT
private slots:
    void storable_data();
    void storable();
};

void TestAddressInput::storable_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("dotted address") << "192.168.0.10" << "192.168.0.10";
    QTest::newRow("host name") << "dbox-2.fritz.box" << "dbox-2.fritz.box";
    QTest::newRow("blanks stay") << "  10.0.0.1 " << "  10.0.0.1 ";
    QTest::newRow("comma") << "10.0.0.1,5" << "10.0.0.15";
    QTest::newRow("double quotes") << "\"dbox\"" << "dbox";
    QTest::newRow("only separators") << ",\"," << "";
}

void TestAddressInput::storable()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QCOMPARE(BoxListFile::storable(typed), kept);
    // What is kept reads back as one field, in its place.
    BoxList boxes;
    boxes.addresses[0] = kept.isEmpty() ? BoxList::kUnconfigured : kept;
    boxes.reportFlags[1] = 1;
    QString text;
    for (const QString &a : boxes.addresses)
        text += a + "\r\n";
    text += " 0 \r\n 1 \r\n 0 \r\n 0 \r\n";
    const BoxList back = BoxListFile::parse(text);
    QCOMPARE(back.addresses[0], boxes.addresses[0].trimmed());
    QCOMPARE(back.reportFlags, boxes.reportFlags);
}

QTEST_GUILESS_MAIN(TestAddressInput)
#include "tst_addressinput.moc"
