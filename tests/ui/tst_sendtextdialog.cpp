#include "BoxServers.h"
#include "MessageBoxCatcher.h"
#include "Screenshot.h"
#include "TempFolder.h"
#include "engine/Engine.h"
#include "boxes/BoxSender.h"
#include "common/StatusBoard.h"
#include "SendTextDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using Flags = QList<bool>;

class TestSendTextDialog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void window();
    void geometry_data();
    void geometry();
    void captions();
    void tabOrderAndFocus();
    void load_data();
    void load();
    void unconfiguredBoxesGreyedButKeepTheirTick();
    void sendTwoTypedLines();
    void sendEmptyText();
    void sendAmpersandAndPercent();
    void noBoxConfiguredReachesNoBox();
    void boxInStandbyHoldsTheText();
    void closeBoxSendsAndSavesNothing();
    void saveFailureToldInGerman();
    void tooLongTextToldBeforeItGoes_data();
    void tooLongTextToldBeforeItGoes();
    void returnOnSendButton_data();
    void returnOnSendButton();
    void screenshot();

private:
    SendTextDialog *open(const QString &status);
    template<typename T> T *control(const char *name) const
    {
        T *w = m_dialog ? m_dialog->findChild<T *>(name) : nullptr;
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    Flags enabledBoxes() const;
    Flags tickedBoxes() const;

    TempFolder *m_folder = nullptr;
    BoxServers *m_boxes = nullptr;
    Engine *m_engine = nullptr;
    SendTextDialog *m_dialog = nullptr;
};

void TestSendTextDialog::init()
{
    m_folder = new TempFolder;
    m_folder->write("boxip.ini", BoxServers::boxipIni());
    m_boxes = new BoxServers;
    QVERIFY(m_boxes->listen());
    Engine::Options o;
    o.folder = m_folder->dir();
    o.httpPort = m_boxes->port();
    o.httpTimeoutMs = 5000;
    m_engine = new Engine(o);
}

void TestSendTextDialog::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    delete m_engine;
    delete m_boxes;
    delete m_folder;
}

SendTextDialog *TestSendTextDialog::open(const QString &status)
{
    m_engine->display()->setBoxStatus(status);
    delete m_dialog;
    m_dialog = new SendTextDialog(m_engine);
    m_dialog->show();
    if (!QTest::qWaitForWindowExposed(m_dialog))
        qWarning("dialog not exposed");
    return m_dialog;
}

Flags TestSendTextDialog::enabledBoxes() const
{
    Flags f;
    for (int k = 0; k < 4; ++k)
        f << m_dialog->findChild<QCheckBox *>(QString("Check1_%1").arg(k))->isEnabled();
    return f;
}

Flags TestSendTextDialog::tickedBoxes() const
{
    Flags f;
    for (int k = 0; k < 4; ++k)
        f << m_dialog->findChild<QCheckBox *>(QString("Check1_%1").arg(k))->isChecked();
    return f;
}

void TestSendTextDialog::window()
{
    open("1111");
    QCOMPARE(m_dialog->objectName(), QString("Textsend"));
    QCOMPARE(m_dialog->windowTitle(), QString("Text sofort senden"));
    QCOMPARE(m_dialog->size(), QSize(289, 304));
    QVERIFY(!m_dialog->windowIcon().isNull());
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(m_dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(m_dialog->frameGeometry().center().x() - screen.center().x()) <= 2);
    QVERIFY(qAbs(m_dialog->frameGeometry().center().y() - screen.center().y()) <= 20);
}

void TestSendTextDialog::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Text1") << "Text1" << "Textsend" << QRect(8, 8, 273, 171);
    QTest::newRow("Command1") << "Command1" << "Textsend" << QRect(8, 272, 273, 25);
    QTest::newRow("Frame1") << "Frame1" << "Textsend" << QRect(8, 192, 89, 65);
    QTest::newRow("Option1(1)") << "Option1_1" << "Frame1" << QRect(8, 40, 65, 17);
    QTest::newRow("Option1(0)") << "Option1_0" << "Frame1" << QRect(8, 24, 65, 17);
    QTest::newRow("Frame2") << "Frame2" << "Textsend" << QRect(112, 192, 169, 65);
    QTest::newRow("Check1(0)") << "Check1_0" << "Frame2" << QRect(8, 24, 73, 17);
    QTest::newRow("Check1(1)") << "Check1_1" << "Frame2" << QRect(8, 40, 73, 17);
    QTest::newRow("Check1(2)") << "Check1_2" << "Frame2" << QRect(88, 24, 73, 17);
    QTest::newRow("Check1(3)") << "Check1_3" << "Frame2" << QRect(88, 40, 73, 17);
}

void TestSendTextDialog::geometry()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, rect);
    open("0000");
    QWidget *w = m_dialog->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), rect);
    QCOMPARE(w->parentWidget()->objectName(), parent);
}

void TestSendTextDialog::captions()
{
    open("0000");
    QCOMPARE(control<QPushButton>("Command1")->text(), QString("Text senden && Schließen"));
    QCOMPARE(control<QGroupBox>("Frame1")->title(), QString("Sendeart"));
    QCOMPARE(control<QGroupBox>("Frame2")->title(), QString("senden an"));
    QCOMPARE(control<QRadioButton>("Option1_0")->text(), QString("Popup"));
    QCOMPARE(control<QRadioButton>("Option1_1")->text(), QString("Message"));
    for (int k = 0; k < 4; ++k)
        QCOMPARE(m_dialog->findChild<QCheckBox *>(QString("Check1_%1").arg(k))->text(),
                 QString("%1. D-Box 2").arg(k + 1));
    QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString());
    QCOMPARE(control<QPlainTextEdit>("Text1")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // The two options exclude each other.
    control<QRadioButton>("Option1_0")->click();
    QVERIFY(!control<QRadioButton>("Option1_1")->isChecked());
    control<QRadioButton>("Option1_1")->click();
    QVERIFY(!control<QRadioButton>("Option1_0")->isChecked());
}

void TestSendTextDialog::tabOrderAndFocus()
{
    open("1111");
    QApplication::setActiveWindow(m_dialog);
    QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>("Text1"));
    const QStringList expected{"Command1", "Option1_1", "Option1_0", "Check1_0", "Check1_1", "Check1_2", "Check1_3",
                               "Bestaetigung", "Text1"};
    QStringList chain;
    QWidget *w = control<QWidget>("Text1");
    while (chain.size() < expected.size()) {
        w = w->nextInFocusChain();
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w->objectName();
    }
    QCOMPARE(chain, expected);
    // Tab leaves the text box instead of typing a tab into it.
    QTest::keyClick(control<QWidget>("Text1"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control<QWidget>("Command1"));
    QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString());
}

void TestSendTextDialog::load_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("popup");
    QTest::addColumn<Flags>("ticks");
    QTest::newRow("missing file") << false << QByteArray() << false << Flags{false, false, false, false};
    QTest::newRow("popup, boxes 1 and 3") << true << QByteArray("Wahr\r\nFalsch\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n")
                                          << true << Flags{true, false, true, false};
    QTest::newRow("short file") << true << QByteArray("Wahr\r\nFalsch\r\n 0 \r\n 1 \r\n") << true
                                << Flags{false, true, false, false};
    QTest::newRow("only one line") << true << QByteArray("Wahr") << true << Flags{false, false, false, false};
    QTest::newRow("True opens with Message") << true << QByteArray("True\r\nFalse\r\n1\r\n1\r\n1\r\n1\r\n")
                                             << false << Flags{true, true, true, true};
    QTest::newRow("2 and 0 untick") << true << QByteArray("Falsch\r\nWahr\r\n 2 \r\n0\r\n 1 \r\nzwei\r\n") << false
                                    << Flags{false, false, true, false};
    QTest::newRow("windows-1252 bytes") << true << QByteArray("Gr\xfc\xdf\r\nWahr\r\n 1 \r\n 1 \r\n") << false
                                        << Flags{true, true, false, false};
    QTest::newRow("odd bytes") << true << QByteArray("\x00\xff,\"\r\n\r\r\n", 9) << false
                               << Flags{false, false, false, false};
}

void TestSendTextDialog::load()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, popup);
    QFETCH(Flags, ticks);
    if (exists)
        m_folder->write("wendrel.ini", bytes);
    open("1111");
    QCOMPARE(control<QRadioButton>("Option1_0")->isChecked(), popup);
    QCOMPARE(control<QRadioButton>("Option1_1")->isChecked(), !popup);
    QCOMPARE(tickedBoxes(), ticks);
    QCOMPARE(enabledBoxes(), (Flags{true, true, true, true}));
    // Opening never writes.
    QCOMPARE(QFile::exists(m_folder->path("wendrel.ini")), exists);
}

void TestSendTextDialog::unconfiguredBoxesGreyedButKeepTheirTick()
{
    m_folder->write("boxip.ini", "127.0.0.2\r\n0.0.0.0\r\n127.0.0.4\r\n \r\n");
    m_folder->write("wendrel.ini", "Falsch\r\nWahr\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n");
    open("0000"); // off or on: a box with an address can be ticked
    QCOMPARE(enabledBoxes(), (Flags{true, false, true, false}));
    QCOMPARE(tickedBoxes(), (Flags{true, true, true, true}));
}

void TestSendTextDialog::sendTwoTypedLines()
{
    m_folder->write("wendrel.ini", "Falsch\r\nWahr\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n");
    open("1111");
    QTest::keyClicks(control<QWidget>("Text1"), "Zeile eins");
    QTest::keyClick(control<QWidget>("Text1"), Qt::Key_Return);
    QTest::keyClicks(control<QWidget>("Text1"), "Zeile zwei");
    QTest::mouseClick(control<QWidget>("Command1"), Qt::LeftButton);

    QTRY_VERIFY(!m_boxes->box(1).messages().isEmpty());
    QTRY_VERIFY(!m_boxes->box(3).messages().isEmpty());
    const QByteArray line("GET /control/message?nmsg=Zeile%20eins%0AZeile%20zwei HTTP/1.1");
    QCOMPARE(m_boxes->box(1).messages().first().requestLine, line);
    QCOMPARE(m_boxes->box(3).messages().first().requestLine, line);
    QTest::qWait(200);
    QCOMPARE(m_boxes->boxesReached(), (QList<int>{1, 3}));
    QCOMPARE(m_engine->display()->infoText(), QString("Zeile einsZeile zwei"));
    QVERIFY(m_engine->display()->infoVisible());
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_folder->read("wendrel.ini"), QByteArray("Falsch\r\nWahr\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n"));
}

void TestSendTextDialog::sendEmptyText()
{
    m_folder->write("wendrel.ini", "Wahr\r\nFalsch\r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n");
    open("0100");
    QTest::mouseClick(control<QWidget>("Command1"), Qt::LeftButton);
    QTRY_VERIFY(!m_boxes->box(2).messages().isEmpty());
    QCOMPARE(m_boxes->box(2).messages().first().requestLine, QByteArray("GET /control/message?popup=--- HTTP/1.1"));
    QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString("---"));
    QCOMPARE(m_engine->display()->infoText(), QString("---"));
}

void TestSendTextDialog::sendAmpersandAndPercent()
{
    m_folder->write("wendrel.ini", "Falsch\r\nWahr\r\n 0 \r\n 0 \r\n 0 \r\n 1 \r\n");
    open("0001");
    QTest::keyClicks(control<QWidget>("Text1"), "Tom & Jerry: 100% #1");
    control<QPushButton>("Command1")->click();
    QTRY_VERIFY(!m_boxes->box(4).messages().isEmpty());
    // Nothing is known yet of this box's web server: "&" and "%" go as words.
    QCOMPARE(m_boxes->box(4).messages().first().target,
             QByteArray("/control/message?nmsg=Tom%20und%20Jerry%3A%20100%20Prozent%20%231"));
    // The panel shows the text as this box shows it.
    QTRY_COMPARE(m_engine->display()->infoText(), QString("Tom und Jerry: 100 Prozent #1"));
}

void TestSendTextDialog::noBoxConfiguredReachesNoBox()
{
    m_folder->write("boxip.ini", "0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n");
    m_folder->write("wendrel.ini", "Wahr\r\nFalsch\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n");
    open("0000");
    QCOMPARE(enabledBoxes(), (Flags{false, false, false, false}));
    QTest::keyClicks(control<QWidget>("Text1"), "Hallo");
    // Switching the kind is still saved though nothing goes out.
    control<QRadioButton>("Option1_1")->click();
    control<QPushButton>("Command1")->click();
    QTest::qWait(300);
    QCOMPARE(m_boxes->requestCount(), 0);
    QCOMPARE(m_folder->read("wendrel.ini"), QByteArray("Falsch\r\nWahr\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n"));
    QCOMPARE(m_engine->display()->infoText(), QString("Nichts gesendet: keine angekreuzte Box ist eingerichtet"));
    // The dialog stays with the text and says why beside the button.
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString("Hallo"));
    QCOMPARE(control<QLabel>("Grund")->text(), m_engine->display()->infoText());
    QVERIFY(control<QLabel>("Grund")->isVisible());
    QCOMPARE(m_dialog->height(), 334);
    QVERIFY(saveScreenshot(m_dialog, "Textsend-nichts-gesendet"));
}

// Box 2 is in standby: it can be ticked, its line says the text waits for
// it, and after sending the dialog says who got it and who holds it.
void TestSendTextDialog::boxInStandbyHoldsTheText()
{
    m_folder->write("wendrel.ini", "Falsch\r\nWahr\r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n");
    m_engine->sender()->setBoxState(1, BoxState::On);
    m_engine->sender()->setBoxState(2, BoxState::Standby);
    open("1000");
    QVERIFY(control<QCheckBox>("Check1_1")->isEnabled());
    QCOMPARE(control<QLabel>("Wartet")->text(),
             QString("2. D-Box 2 im Standby – wird gezeigt, sobald sie eingeschaltet ist, höchstens 30 Min."));
    QVERIFY(m_dialog->height() > 304);
    QTest::keyClicks(control<QWidget>("Text1"), "Essen ist fertig!");
    QVERIFY(saveScreenshot(m_dialog, "Textsend-Standby"));
    MessageBoxCatcher catcher;
    control<QPushButton>("Command1")->click();
    QTRY_COMPARE(catcher.count(), 1);
    QCOMPARE(catcher.text(), QString("Gesendet an Box 1.\nZurückgehalten für Box 2 (im Standby – wird gezeigt, sobald "
                                     "sie eingeschaltet ist, höchstens 30 Min.)."));
    QVERIFY(catcher.parentWasVisible());
    QTRY_VERIFY(!m_boxes->box(1).messages().isEmpty());
    QTRY_VERIFY(!m_dialog->isVisible());
    QCOMPARE(m_engine->sender()->heldCount(), 1);
    QCOMPARE(m_boxes->box(2).requests().size(), 0);
}

void TestSendTextDialog::closeBoxSendsAndSavesNothing()
{
    open("1111");
    QTest::keyClicks(control<QWidget>("Text1"), "nicht senden");
    control<QCheckBox>("Check1_0")->click();
    control<QRadioButton>("Option1_0")->click();
    QVERIFY(m_dialog->close());
    QTest::qWait(200);
    QCOMPARE(m_boxes->requestCount(), 0);
    QVERIFY(!QFile::exists(m_folder->path("wendrel.ini")));
    QVERIFY(!m_engine->display()->infoVisible());
    // The next opening starts from the file again, not from what was clicked.
    open("1111");
    QCOMPARE(tickedBoxes(), (Flags{false, false, false, false}));
    QVERIFY(control<QRadioButton>("Option1_1")->isChecked());
    QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString());
}

void TestSendTextDialog::saveFailureToldInGerman()
{
    QVERIFY(m_folder->dir().mkdir("wendrel.ini"));
    QVERIFY(QFile::copy(m_folder->path("boxip.ini"), m_folder->path("wendrel.ini/keep")));
    open("1000");
    control<QCheckBox>("Check1_0")->click();
    QTest::keyClicks(control<QWidget>("Text1"), "trotzdem");
    MessageBoxCatcher catcher;
    control<QPushButton>("Command1")->click();
    QTRY_COMPARE(catcher.count(), 1);
    QCOMPARE(catcher.title(), QString("Zelvo"));
    QCOMPARE(catcher.text(), QString("wendrel.ini konnte nicht gespeichert werden: an dieser Stelle steht ein Ordner"));
    QVERIFY(catcher.parentWasVisible()); // told before the dialog closes
    QTRY_VERIFY(!m_boxes->box(1).messages().isEmpty());
    QCOMPARE(m_engine->display()->infoText(), QString("trotzdem"));
    QVERIFY(!m_dialog->isVisible());
}

// The box about a shortened text opens without an event loop of its own;
// the text goes only with "Gekürzt senden", then the dialog closes; every
// other way back keeps the dialog and the text.
void TestSendTextDialog::tooLongTextToldBeforeItGoes_data()
{
    QTest::addColumn<QString>("answer");
    for (const char *answer : {"Gekürzt senden", "Zurück", "Escape", "close"})
        QTest::newRow(answer) << QString::fromUtf8(answer);
}

void TestSendTextDialog::tooLongTextToldBeforeItGoes()
{
    QFETCH(QString, answer);
    const bool sent = answer == "Gekürzt senden";
    open("1000");
    control<QCheckBox>("Check1_0")->click();
    control<QPlainTextEdit>("Text1")->setPlainText(QString(3000, QLatin1Char('x')));
    int sentWhileOpen = -1;
    QString told;
    QTimer look;
    look.setInterval(20);
    connect(&look, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || sentWhileOpen >= 0)
            return;
        QTest::qWait(200); // time enough for a request that went too early
        sentWhileOpen = m_boxes->requestCount();
        told = box->text();
        if (answer == "Escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else if (answer == "close")
            box->close();
        for (QPushButton *button : box->findChildren<QPushButton *>())
            if (button->text() == answer)
                button->click();
    });
    look.start();
    control<QPushButton>("Command1")->click();
    QVERIFY(m_dialog->isVisible()); // the click returned with the box open
    QTRY_VERIFY(sentWhileOpen >= 0);
    QCOMPARE(sentWhileOpen, 0);
    QCOMPARE(told, SendTextStep::kShortenedNotice);
    if (!sent) {
        QTest::qWait(200);
        QCOMPARE(m_boxes->requestCount(), 0);
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString(3000, QLatin1Char('x')));
        return;
    }
    QTRY_VERIFY(!m_boxes->box(1).messages().isEmpty());
    QTRY_VERIFY(!m_dialog->isVisible());
    QTest::qWait(200);
    QCOMPARE(m_boxes->box(1).messages().size(), 1); // once
}

void TestSendTextDialog::returnOnSendButton_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("sent");
    QTest::newRow("Return on the button") << "Command1" << Qt::Key_Return << true;
    QTest::newRow("Enter on the button") << "Command1" << Qt::Key_Enter << true;
    QTest::newRow("Return on a box tick") << "Check1_1" << Qt::Key_Return << true;
    QTest::newRow("Return in the text is a line break") << "Text1" << Qt::Key_Return << false;
}

void TestSendTextDialog::returnOnSendButton()
{
    QFETCH(QString, focus);
    QFETCH(Qt::Key, key);
    QFETCH(bool, sent);
    m_folder->write("wendrel.ini", "Falsch\r\nWahr\r\n 0 \r\n 1 \r\n 0 \r\n 0 \r\n");
    open("1111");
    QTest::keyClicks(control<QWidget>("Text1"), "Hallo");
    QWidget *target = control<QWidget>(qPrintable(focus));
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    QTest::keyClick(target, key);
    QCOMPARE(m_dialog->isVisible(), !sent);
    if (sent)
        QTRY_VERIFY(!m_boxes->box(2).messages().isEmpty());
    else
        QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), QString("Hallo\n"));
}

void TestSendTextDialog::screenshot()
{
    m_folder->write("wendrel.ini", "Falsch\r\nWahr\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n");
    open("1011");
    QTest::keyClicks(control<QWidget>("Text1"), "Guten Abend!");
    QTest::keyClick(control<QWidget>("Text1"), Qt::Key_Return);
    QTest::keyClicks(control<QWidget>("Text1"), "Die Tagesschau beginnt.");
    QVERIFY(saveScreenshot(m_dialog, "Textsend"));
}

QTEST_MAIN(TestSendTextDialog)
#include "tst_sendtextdialog.moc"
