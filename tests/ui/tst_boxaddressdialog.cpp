#include "BoxServers.h"
#include "BoxSimulator.h"
#include "boxes/enigma2/Enigma2Protocol.h"
#include "common/StatusBoard.h"
#include "MessageBoxCatcher.h"
#include "Screenshot.h"
#include "TempFolder.h"
#include "engine/Engine.h"
#include "boxes/DeliveryRecord.h"
#include "common/StatusBoard.h"
#include "BoxAddressDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QBuffer>
#include <QTest>

class TestBoxAddressDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void window();
    void geometry_data();
    void geometry();
    void captions();
    void cursorInBoxOne();
    void load_data();
    void load();
    void enteringAFieldSelectsAll();
    void leavingEmptyPutsPlaceholderBack();
    void commasAndQuotesKeptOutOfAddresses();
    void testRequestOnTheWire();
    void testUsesTypedAddress();
    void saveWritesAndCloses();
    void closeBoxWritesNothing();
    void testThroughPortTellsTheTruth_data();
    void testThroughPortTellsTheTruth();
    void reopeningShowsSavedValues();
    void saveFailureKeepsDialogAndTypedText();
    void saveFailureReasons_data();
    void saveFailureReasons();
    void longAddressRoundTrip();
    void typingStopsAtFiftyCharacters();
    void returnPressesButton_data();
    void returnPressesButton();
    void screenshot();

private:
    void open(const QDir &folder);
    QLineEdit *field(int i) const { return m_dialog->findChild<QLineEdit *>(QString("Text1_%1").arg(i)); }
    QCheckBox *flag(int i) const { return m_dialog->findChild<QCheckBox *>(QString("Check1_%1").arg(i)); }
    QPushButton *button(const QString &name) const { return m_dialog->findChild<QPushButton *>(name); }

    TempFolder *m_folder = nullptr;
    BoxServers *m_boxes = nullptr;
    Engine *m_engine = nullptr;
    BoxAddressDialog *m_dialog = nullptr;
};

static const QByteArray kBoxList("192.168.0.10\r\ndbox2\r\n0.0.0.0\r\n10.1.1.4\r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n");

void TestBoxAddressDialog::init()
{
    m_folder = new TempFolder;
    m_boxes = new BoxServers;
    QVERIFY(m_boxes->listen());
    open(m_folder->dir());
}

void TestBoxAddressDialog::open(const QDir &folder)
{
    delete m_dialog;
    delete m_engine;
    Engine::Options o;
    o.folder = folder;
    o.httpPort = m_boxes->port();
    o.httpTimeoutMs = 5000;
    m_engine = new Engine(o);
    m_dialog = new BoxAddressDialog(m_engine);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    QApplication::setActiveWindow(m_dialog);
}

void TestBoxAddressDialog::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    delete m_engine;
    m_engine = nullptr;
    delete m_boxes;
    delete m_folder;
}

void TestBoxAddressDialog::window()
{
    QCOMPARE(m_dialog->objectName(), QString("boxip"));
    QCOMPARE(m_dialog->windowTitle(), QString("IP der D-Boxen"));
    QCOMPARE(m_dialog->size(), QSize(385, 273));
    QVERIFY(!m_dialog->windowIcon().isNull());
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
}

void TestBoxAddressDialog::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("rect");
    const QRect frames[4] = {{8, 8, 177, 105}, {8, 120, 177, 105}, {200, 8, 177, 105}, {200, 120, 177, 105}};
    for (int i = 0; i < 4; ++i) {
        const QString frame = QString("Frame%1").arg(i + 1);
        QTest::addRow("%s", qPrintable(frame)) << frame << "boxip" << frames[i];
        QTest::addRow("Image1(%d)", i) << QString("Image1_%1").arg(i) << frame << QRect(8, 16, 158, 26);
        QTest::addRow("Text1(%d)", i) << QString("Text1_%1").arg(i) << frame << QRect(8, 48, 113, 19);
        QTest::addRow("Command2(%d)", i) << QString("Command2_%1").arg(i) << frame << QRect(128, 48, 33, 17);
        QTest::addRow("Check1(%d)", i) << QString("Check1_%1").arg(i) << frame << QRect(24, 72, 121, 25);
    }
    QTest::newRow("Command1") << "Command1" << "boxip" << QRect(8, 240, 369, 25);
}

void TestBoxAddressDialog::geometry()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, rect);
    QWidget *w = m_dialog->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), rect);
    QCOMPARE(w->parentWidget()->objectName(), parent);
}

void TestBoxAddressDialog::captions()
{
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(m_dialog->findChild<QGroupBox *>(QString("Frame%1").arg(i + 1))->title(),
                 QString("%1. D-Box 2").arg(i + 1));
        QCOMPARE(field(i)->text(), QString("0.0.0.0"));
        QCOMPARE(field(i)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        QCOMPARE(button(QString("Command2_%1").arg(i))->text(), QString("Test"));
        QCOMPARE(flag(i)->text(), QString("Dieser Box Status- änderungen melden"));
        QVERIFY(!flag(i)->isChecked());
        QVERIFY(m_dialog->findChild<QSvgWidget *>(QString("Image1_%1").arg(i))->renderer()->isValid());
    }
    QCOMPARE(button("Command1")->text(), QString("Speichern && Schließen"));
    // The wrapped caption needs two lines: one would not fit.
    QVERIFY(flag(0)->fontMetrics().horizontalAdvance(flag(0)->text()) > flag(0)->width());
    // The check box toggles also when its second caption line is clicked.
    QTest::mouseClick(flag(0), Qt::LeftButton, {}, QPoint(flag(0)->width() - 10, flag(0)->height() - 4));
    QVERIFY(flag(0)->isChecked());
    // More than 50 characters do not go in.
    field(1)->clear();
    QTest::keyClicks(field(1), QString(60, 'a'));
    QCOMPARE(field(1)->text().size(), 50);
}

void TestBoxAddressDialog::cursorInBoxOne()
{
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(field(0)));
}

void TestBoxAddressDialog::load_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QList<bool>>("flags");
    QTest::newRow("full") << true << kBoxList
                          << QStringList{"192.168.0.10", "dbox2", "0.0.0.0", "10.1.1.4"}
                          << QList<bool>{true, false, false, true};
    QTest::newRow("missing") << false << QByteArray() << QStringList{"0.0.0.0", "0.0.0.0", "0.0.0.0", "0.0.0.0"}
                             << QList<bool>{false, false, false, false};
    QTest::newRow("short") << true << QByteArray("10.0.0.1\r\n10.0.0.2\r\n")
                           << QStringList{"10.0.0.1", "10.0.0.2", "0.0.0.0", "0.0.0.0"}
                           << QList<bool>{false, false, false, false};
    QTest::newRow("flags without blanks, bad flag") << true << QByteArray("a\r\nb\r\nc\r\nd\r\n1\r\nja\r\n 1 \r\n0\r\n")
                                                    << QStringList{"a", "b", "c", "d"}
                                                    << QList<bool>{true, false, true, false};
}

void TestBoxAddressDialog::load()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, addresses);
    QFETCH(QList<bool>, flags);
    if (exists)
        m_folder->write("boxip.ini", bytes);
    open(m_folder->dir());
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(field(i)->text(), addresses[i]);
        QCOMPARE(flag(i)->isChecked(), flags[i]);
    }
    QCOMPARE(QFile::exists(m_folder->path("boxip.ini")), exists);
}

void TestBoxAddressDialog::enteringAFieldSelectsAll()
{
    m_folder->write("boxip.ini", kBoxList);
    open(m_folder->dir());
    QTest::mouseClick(field(0), Qt::LeftButton, {}, QPoint(10, 8));
    QTRY_COMPARE(field(0)->selectedText(), QString("192.168.0.10"));
    // Typing replaces the old address.
    QTest::keyClicks(field(0), "10.9.8.7");
    QCOMPARE(field(0)->text(), QString("10.9.8.7"));
    // By the keyboard as well.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // Test button
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // check box
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // next address
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(field(1)));
    QTRY_COMPARE(field(1)->selectedText(), QString("dbox2"));
}

void TestBoxAddressDialog::leavingEmptyPutsPlaceholderBack()
{
    m_folder->write("boxip.ini", kBoxList);
    open(m_folder->dir());
    field(1)->setFocus();
    field(1)->clear();
    field(2)->setFocus();
    QCOMPARE(field(1)->text(), QString("0.0.0.0"));
    // Blanks only are left as they are.
    field(2)->setText("   ");
    field(3)->setFocus();
    QCOMPARE(field(2)->text(), QString("   "));
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    QCOMPARE(m_folder->read("boxip.ini"),
             QByteArray("192.168.0.10\r\n0.0.0.0\r\n   \r\n10.1.1.4\r\n 1 \r\n 0 \r\n 0 \r\n 1 \r\n"));
}

void TestBoxAddressDialog::commasAndQuotesKeptOutOfAddresses()
{
    // A quoted address with a comma in it, as a hand-edited file may have.
    m_folder->write("boxip.ini", "\"dbox,1\"\r\ndbox2\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n");
    open(m_folder->dir());
    QCOMPARE(field(0)->text(), QString("dbox,1"));
    field(1)->setFocus();
    field(1)->selectAll();
    QTest::keyClicks(field(1), "10.0.0.1,2\"x");
    QCOMPARE(field(1)->text(), QString("10.0.0.12x"));
    QCOMPARE(field(1)->cursorPosition(), 10);
    button("Command1")->click();
    // Every address stays on its own line and every flag in its place.
    QCOMPARE(m_folder->read("boxip.ini"),
             QByteArray("dbox1\r\n10.0.0.12x\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n"));
}

void TestBoxAddressDialog::testRequestOnTheWire()
{
    field(2)->setText(BoxServers::address(3));
    QTest::mouseClick(button("Command2_2"), Qt::LeftButton);
    // Asked what it is first: both kinds' questions, as it answers neither.
    QVERIFY(m_boxes->box(3).waitForRequests(3));
    QCOMPARE(m_boxes->box(3).requests().last().requestLine,
             QByteArray("GET /control/message?nmsg=Dies%20ist%20ein%20Test%20f%C3%BCr%20die%20%203.%20D-Box2%21%0A%0A"
                        "Wenn%20Sie%20dies%20auf%20dem%20Fernseher%20lesen%20k%C3%B6nnen%2C%0Aist%20die%20IP%20"
                        "127.0.0.4%20richtig%21 HTTP/1.1"));
    QCOMPARE(m_engine->display()->infoText(), QString("Test für die  3. D-Box2"));
    QVERIFY(m_engine->display()->infoVisible());
    QVERIFY(m_dialog->isVisible());
    // A test saves nothing.
    QVERIFY(!QFile::exists(m_folder->path("boxip.ini")));
}

void TestBoxAddressDialog::testUsesTypedAddress()
{
    m_folder->write("boxip.ini", kBoxList);
    open(m_folder->dir());
    field(1)->setText(BoxServers::address(1));
    button("Command2_1")->click();
    QVERIFY(m_boxes->box(1).waitForRequests(3));
    QVERIFY(m_boxes->box(1).requests().last().target.contains("die%20%202.%20D-Box2"));
    // One message, for box 2, to the address typed.
    const auto &entries = m_engine->deliveryRecord()->entries();
    QCOMPARE(int(entries.size()), 1);
    QCOMPARE(entries.front().address, BoxServers::address(1));
    QCOMPARE(entries.front().origin.box, 2);
    QCOMPARE(m_boxes->boxesReached(), QList<int>{1});
    QCOMPARE(m_folder->read("boxip.ini"), kBoxList);
}

void TestBoxAddressDialog::saveWritesAndCloses()
{
    m_folder->write("boxip.ini", kBoxList);
    open(m_folder->dir());
    // Saving unchanged rewrites exactly what was read.
    QTest::mouseClick(button("Command1"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_folder->read("boxip.ini"), kBoxList);

    open(m_folder->dir());
    field(2)->setText("dbox3.fritz.box");
    field(3)->setText("  10.1.1.5"); // written as typed, blanks and all
    flag(2)->click();
    flag(0)->click();
    button("Command1")->click();
    QCOMPARE(m_folder->read("boxip.ini"),
             QByteArray("192.168.0.10\r\ndbox2\r\ndbox3.fritz.box\r\n  10.1.1.5\r\n 0 \r\n 0 \r\n 1 \r\n 1 \r\n"));
    QCOMPARE(m_dialog->lastSaveError(), QString());
}

// Changes are dropped only after a question; without changes it just closes.
void TestBoxAddressDialog::closeBoxWritesNothing()
{
    for (const char *answer : {"Zurück", "Schließen"}) {
        m_folder->write("boxip.ini", kBoxList);
        open(m_folder->dir());
        field(0)->setText("1.2.3.4");
        flag(1)->click();
        QTest::keyClick(m_dialog, Qt::Key_Escape);
        QCOMPARE(answerMessageBox(QString::fromUtf8(answer)), BoxAddressDialog::kDiscardQuestion);
        QTRY_COMPARE(m_dialog->isVisible(), QByteArray(answer) == "Zurück");
        QCOMPARE(m_folder->read("boxip.ini"), kBoxList);
    }
    // Without a file and without changes, closing creates none and asks nothing.
    QVERIFY(QFile::remove(m_folder->path("boxip.ini")));
    open(m_folder->dir());
    QVERIFY(m_dialog->close());
    QVERIFY(!QFile::exists(m_folder->path("boxip.ini")));
}

// A box whose web interface listens on a port of its own: the test goes
// there, and the panel says whether it arrived.
void TestBoxAddressDialog::testThroughPortTellsTheTruth_data()
{
    QTest::addColumn<QByteArray>("login"); // what the Enigma2 box wants; empty: an nhttpd box
    QTest::addColumn<QString>("panel");
    QTest::newRow("arrived") << QByteArray() << "Test für die  1. D-Box2";
    QTest::newRow("login wanted") << QByteArray("anna:geheim")
                                  << "Test für die  1. D-Box2 - nicht angekommen: " + Enigma2Protocol::loginRequired();
}

void TestBoxAddressDialog::testThroughPortTellsTheTruth()
{
    QFETCH(QByteArray, login);
    QFETCH(QString, panel);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKind(login.isEmpty() ? BoxSimulator::Kind::Nhttpd : BoxSimulator::Kind::Enigma2);
    box.setLogin(login);
    const QHostAddress at(QStringLiteral("127.0.0.9"));
    QVERIFY(box.listen(at, 8080) || box.listen(at, 0)); // 8080 where it is free
    field(0)->setText(QStringLiteral("127.0.0.9:%1").arg(box.port()));
    button("Command2_0")->click();
    QTRY_VERIFY(out.data().contains(login.isEmpty() ? "\"shown\":\"Dies ist ein Test" : "\"discarded\":\"unauthorized\""));
    QTRY_VERIFY(m_engine->deliveryRecord()->entries().back().outcome != DeliveryOutcome::Waiting);
    QCOMPARE(m_engine->display()->infoText(), panel);
    QCOMPARE(m_boxes->requestCount(), 0); // nothing to the usual port
}

void TestBoxAddressDialog::reopeningShowsSavedValues()
{
    field(0)->setText("10.0.0.10");
    flag(3)->click();
    button("Command1")->click();
    open(m_folder->dir());
    QCOMPARE(field(0)->text(), QString("10.0.0.10"));
    QVERIFY(flag(3)->isChecked());
    QVERIFY(!flag(0)->isChecked());
}

void TestBoxAddressDialog::saveFailureKeepsDialogAndTypedText()
{
    open(QDir(m_folder->path("kein-ordner")));
    field(0)->setText("10.0.0.99");
    flag(2)->click();
    MessageBoxCatcher catcher;
    button("Command1")->click();
    QTRY_COMPARE(catcher.count(), 1);
    QCOMPARE(catcher.title(), QString("Zelvo"));
    QVERIFY2(catcher.text().startsWith("boxip.ini konnte nicht gespeichert werden: "), qPrintable(catcher.text()));
    QVERIFY(!m_dialog->lastSaveError().isEmpty());
    QVERIFY(catcher.text().endsWith(m_dialog->lastSaveError()));
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(field(0)->text(), QString("10.0.0.99"));
    QVERIFY(flag(2)->isChecked());
}

void TestBoxAddressDialog::saveFailureReasons_data()
{
    QTest::addColumn<QString>("make"); // what stands in the way
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder missing") << "no folder" << "der Ordner fehlt";
    QTest::newRow("a folder named boxip.ini") << "folder as file" << "an dieser Stelle steht ein Ordner";
}

void TestBoxAddressDialog::saveFailureReasons()
{
    QFETCH(QString, make);
    QDir folder = m_folder->dir();
    if (make == "no folder")
        folder = QDir(m_folder->path("kein-ordner"));
    else
        QVERIFY(m_folder->dir().mkdir("boxip.ini"));
    open(folder);
    MessageBoxCatcher catcher;
    button("Command1")->click();
    QTRY_COMPARE(catcher.count(), 1);
    QTEST(m_dialog->lastSaveError(), "reason");
    QCOMPARE(catcher.text(), "boxip.ini konnte nicht gespeichert werden: " + m_dialog->lastSaveError());
}

// The length limit is for typing only: a longer address read from the file
// is shown whole and saved back unchanged.
void TestBoxAddressDialog::longAddressRoundTrip()
{
    const QByteArray longName = "wohnzimmer-box.erdgeschoss.familie-mustermann.example.invalid"; // 61
    const QByteArray file = longName + "\r\n" + QByteArray(120, 'a') + "\r\n0.0.0.0\r\n0.0.0.0\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n";
    m_folder->write("boxip.ini", file);
    open(m_folder->dir());
    QCOMPARE(field(0)->text(), QString(longName));
    QCOMPARE(field(1)->text().size(), 120);
    // Shortening a long address is typing too, and is taken.
    field(1)->setFocus();
    field(1)->setCursorPosition(120);
    QTest::keyClick(field(1), Qt::Key_Backspace);
    QCOMPARE(field(1)->text().size(), 119);
    QTest::keyClick(field(1), Qt::Key_A); // but it does not grow again
    QCOMPARE(field(1)->text().size(), 119);
    field(1)->setText(QString(120, 'a'));
    button("Command1")->click();
    QCOMPARE(m_folder->read("boxip.ini"), file);
}

void TestBoxAddressDialog::typingStopsAtFiftyCharacters()
{
    field(0)->setFocus();
    field(0)->selectAll();
    QTest::keyClicks(field(0), QString(60, 'x'));
    QCOMPARE(field(0)->text(), QString(50, 'x'));
}

void TestBoxAddressDialog::returnPressesButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<int>("tested"); // box that got a test message, 0: none
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        const char *k = key == Qt::Key_Return ? "Return" : "Enter";
        QTest::addRow("%s on Speichern", k) << "Command1" << key << true << 0;
        QTest::addRow("%s on Test 3", k) << "Command2_2" << key << false << 3;
        QTest::addRow("%s in an address", k) << "Text1_0" << key << true << 0;
    }
}

void TestBoxAddressDialog::returnPressesButton()
{
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    QFETCH(int, tested);
    field(2)->setText(BoxServers::address(3));
    QWidget *target = m_dialog->findChild<QWidget *>(focus);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    QTest::keyClick(target, key);
    QTEST(QFile::exists(m_folder->path("boxip.ini")), "saved");
    QTEST(!m_dialog->isVisible(), "saved");
    if (tested > 0)
        QVERIFY(m_boxes->box(tested).waitForRequests(1));
}

void TestBoxAddressDialog::screenshot()
{
    m_folder->write("boxip.ini", kBoxList);
    open(m_folder->dir());
    QVERIFY(saveScreenshot(m_dialog, "boxip"));
}

QTEST_MAIN(TestBoxAddressDialog)
#include "tst_boxaddressdialog.moc"
