#include "Screenshot.h"
#include "common/Version.h"
#include "CountdownWindow.h"
#include "InfoWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

class TestInfoWindows : public QObject
{
    Q_OBJECT
private slots:
    void infoWindow();
    void infoText();
    void countdownWindow();
    void countdownGeometry_data();
    void countdownGeometry();
    void countdownCaptions();
    void screenshots();
};

void TestInfoWindows::infoWindow()
{
    InfoWindow info;
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QCOMPARE(info.objectName(), QString("Infoanz"));
    QCOMPARE(info.windowTitle(), QString("Info"));
    QCOMPARE(info.size(), QSize(197, 145));
    QVERIFY(!info.windowIcon().isNull());
    QVERIFY(!(info.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(info.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(info.isWindow());
    QVERIFY(!info.isModal());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(info.frameGeometry().center().x() - screen.center().x()) <= 2);
    QVERIFY(qAbs(info.frameGeometry().center().y() - screen.center().y()) <= 20);
    auto *text = info.findChild<QTextEdit *>("Text1");
    QVERIFY(text);
    QCOMPARE(text->geometry(), QRect(8, 8, 185, 129));
    QVERIFY(!text->isEnabled());
    QTest::keyClick(&info, Qt::Key_Escape);
    QVERIFY(!info.isVisible());
}

void TestInfoWindows::infoText()
{
    InfoWindow info;
    auto *text = info.findChild<QTextEdit *>("Text1");
    const QStringList lines = text->toPlainText().split('\n');
    QCOMPARE(lines.size(), 9);
    QCOMPARE(lines.mid(0, 6), (QStringList{"Version " ZELVO_VERSION " beta", "", "Weitere Info´s", "und die Seite zum",
                                           "download kommt später hier rein!", ""}));
    for (int i = 6; i < 9; ++i)
        QVERIFY(!lines[i].isEmpty());
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
        QCOMPARE(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    // Every line fits the box: nothing wraps, nothing is cut off below.
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QCOMPARE(text->document()->documentLayout()->documentSize().height() <= text->viewport()->height(), true);
    for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next())
        QCOMPARE(b.layout()->lineCount(), 1);
}

void TestInfoWindows::countdownWindow()
{
    CountdownWindow window;
    QCOMPARE(window.objectName(), QString("countdown"));
    QCOMPARE(window.windowTitle(), QString("Countdown setzen"));
    QCOMPARE(window.size(), QSize(288, 272));
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(window.windowFlags() & Qt::WindowMinimizeButtonHint));
}

void TestInfoWindows::countdownGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Frame3") << "Frame3" << "countdown" << QRect(8, 8, 273, 145);
    QTest::newRow("Label1(0)") << "Label1_0" << "Frame3" << QRect(64, 26, 41, 17);
    QTest::newRow("Text1(0)") << "Text1_0" << "Frame3" << QRect(112, 24, 25, 19);
    QTest::newRow("Text1(1)") << "Text1_1" << "Frame3" << QRect(144, 24, 25, 19);
    QTest::newRow("Text1(2)") << "Text1_2" << "Frame3" << QRect(176, 24, 41, 19);
    QTest::newRow("Label1(1)") << "Label1_1" << "Frame3" << QRect(64, 50, 41, 17);
    QTest::newRow("Text2(0)") << "Text2_0" << "Frame3" << QRect(112, 48, 25, 19);
    QTest::newRow("Text2(1)") << "Text2_1" << "Frame3" << QRect(144, 48, 25, 19);
    QTest::newRow("Frame1") << "Frame1" << "countdown" << QRect(8, 160, 89, 65);
    QTest::newRow("Option1(0)") << "Option1_0" << "Frame1" << QRect(8, 24, 65, 17);
    QTest::newRow("Option1(1)") << "Option1_1" << "Frame1" << QRect(8, 40, 65, 17);
    QTest::newRow("Frame2") << "Frame2" << "countdown" << QRect(112, 160, 169, 65);
    QTest::newRow("Check1(0)") << "Check1_0" << "Frame2" << QRect(8, 24, 73, 17);
    QTest::newRow("Check1(1)") << "Check1_1" << "Frame2" << QRect(8, 40, 73, 17);
    QTest::newRow("Check1(2)") << "Check1_2" << "Frame2" << QRect(88, 24, 73, 17);
    QTest::newRow("Check1(3)") << "Check1_3" << "Frame2" << QRect(88, 40, 73, 17);
    QTest::newRow("Command1") << "Command1" << "countdown" << QRect(8, 240, 273, 25);
}

void TestInfoWindows::countdownGeometry()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, rect);
    CountdownWindow window;
    QWidget *w = window.findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), rect);
    QCOMPARE(w->parentWidget()->objectName(), parent);
}

void TestInfoWindows::countdownCaptions()
{
    CountdownWindow window;
    auto text = [&](const char *name) { return window.findChild<QLineEdit *>(name)->text(); };
    QCOMPARE(window.findChild<QGroupBox *>("Frame3")->title(), QString("Frame3"));
    QCOMPARE(window.findChild<QLabel *>("Label1_0")->text(), QString("Datum"));
    QCOMPARE(window.findChild<QLabel *>("Label1_1")->text(), QString("Uhrzeit"));
    QCOMPARE(text("Text1_0"), QString("01"));
    QCOMPARE(text("Text1_1"), QString("01"));
    QCOMPARE(text("Text1_2"), QString("2002"));
    QCOMPARE(text("Text2_0"), QString("12"));
    QCOMPARE(text("Text2_1"), QString("12"));
    for (const char *name : {"Text1_0", "Text1_1", "Text1_2", "Text2_0", "Text2_1"})
        QCOMPARE(window.findChild<QLineEdit *>(name)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(window.findChild<QGroupBox *>("Frame1")->title(), QString("Sendeart"));
    QCOMPARE(window.findChild<QRadioButton *>("Option1_0")->text(), QString("Popup"));
    QCOMPARE(window.findChild<QRadioButton *>("Option1_1")->text(), QString("Message"));
    QCOMPARE(window.findChild<QGroupBox *>("Frame2")->title(), QString("senden an"));
    for (int k = 0; k < 4; ++k)
        QCOMPARE(window.findChild<QCheckBox *>(QString("Check1_%1").arg(k))->text(), QString("%1. D-Box 2").arg(k + 1));
    QCOMPARE(window.findChild<QPushButton *>("Command1")->text(), QString("Countdown starten && Schließen"));
}

void TestInfoWindows::screenshots()
{
    InfoWindow info;
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QVERIFY(saveScreenshot(&info, "Infoanz"));
    CountdownWindow countdown;
    countdown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&countdown));
    QVERIFY(saveScreenshot(&countdown, "countdown"));
}

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
