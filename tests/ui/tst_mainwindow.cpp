#include "TempFolder.h"
#include "common/Version.h"
#include "Shape.h"
#include "MainWindow.h"
#include "PanelLabel.h"
#include "QtGermanTranslation.h"
#include "boxes/Delivery.h"
#include "common/SystemErrorText.h"
#include "WindowGeometry.h"
#include "common/StatusBoard.h"
#include "app/AutostartEntry.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSvgWidget>
#include <QSystemTrayIcon>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void window();
    void geometry_data();
    void geometry();
    void captionsAndColours();
    void menus();
    void panelTextFits_data();
    void panelTextFits();
    void autostartCheckBox();
    void infoPanelShowAndHide();
    void screenshot();
    void germanUnderLangC();

private:
    TempFolder *m_folder = nullptr;
    MainWindow *m_form = nullptr;
};

void TestMainWindow::init()
{
    m_folder = new TempFolder;
    Engine::Options options;
    options.folder = m_folder->dir();
    m_form = new MainWindow(options);
    m_form->startUp();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
}

void TestMainWindow::cleanup()
{
    delete m_form;
    delete m_folder;
}

void TestMainWindow::window()
{
    QVERIFY(m_form->windowTitle().startsWith(QString("Zelvo v" ZELVO_VERSION " beta - "))); // and its folder
    QCOMPARE(m_form->centralWidget()->size(), QSize(412, 293));
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!m_form->windowIcon().isNull());
    QCOMPARE(m_form->centralWidget()->palette().color(QPalette::Window), QColor(Qt::black));
    QVERIFY(m_form->findChild<QObject *>("Timer1"));
    QVERIFY(m_form->findChild<QObject *>("Timer2"));
}

void TestMainWindow::geometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Image2") << "Image2" << QRect(104, 16, 220, 177);
    QTest::newRow("Shape2") << "Shape2" << QRect(144, 48, 145, 97);
    QTest::newRow("Shape3") << "Shape3" << QRect(144, 48, 145, 14);
    QTest::newRow("Label2") << "Label2" << QRect(147, 48, 57, 17);
    QTest::newRow("Label3") << "Label3" << QRect(144, 64, 145, 81);
    QTest::newRow("Image1") << "Image1" << QRect(16, 208, 385, 75);
    QTest::newRow("Shape1") << "Shape1" << QRect(272, 224, 81, 41);
    QTest::newRow("Label1(1)") << "Label1_1" << QRect(283, 227, 65, 17);
    QTest::newRow("Label1(0)") << "Label1_0" << QRect(283, 247, 65, 17);
    QTest::newRow("Shape4") << "Shape4" << QRect(352, 227, 6, 6);
    QTest::newRow("Shape5") << "Shape5" << QRect(352, 236, 6, 6);
    QTest::newRow("Shape6") << "Shape6" << QRect(352, 245, 6, 6);
    QTest::newRow("Shape7") << "Shape7" << QRect(352, 254, 6, 6);
    QTest::newRow("Label4 out of sight") << "Label4" << QRect(64, 352, 41, 17);
}

void TestMainWindow::geometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QWidget *w = m_form->findChild<QWidget *>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->geometry(), rect);
    QCOMPARE(w->parentWidget(), m_form->centralWidget());
}

void TestMainWindow::captionsAndColours()
{
    auto label = [this](const char *name) { return m_form->findChild<QLabel *>(name); };
    QCOMPARE(label("Label1_1")->text(), QString("aktiv"));
    QCOMPARE(label("Label1_0")->text(), QString("00:00:00"));
    QCOMPARE(label("Label2")->text(), QString("Information"));
    QVERIFY(label("Label3")->text().startsWith("Es fehlen")); // the test's folder is empty
    QCOMPARE(label("Label4")->text(), QString("0000"));
    QCOMPARE(label("Label1_0")->font().family(), QString("Courier New"));
    QVERIFY(label("Label1_0")->font().bold());
    QCOMPARE(label("Label1_0")->font().pointSizeF(), 9.75);
    QCOMPARE(m_form->findChild<Shape *>("Shape2")->fillColor(), QColor(128, 128, 255));
    QCOMPARE(m_form->findChild<Shape *>("Shape3")->fillColor(), QColor(0, 0, 255));
    QCOMPARE(m_form->findChild<Shape *>("Shape1")->fillColor(), QColor(Qt::black));
    for (int i = 4; i <= 7; ++i) {
        QCOMPARE(m_form->findChild<Shape *>(QString("Shape%1").arg(i))->fillColor(), QColor(255, 0, 0));
        QCOMPARE(m_form->findChild<Shape *>(QString("Shape%1").arg(i))->toolTip(),
                 QString("Box %1: nicht eingerichtet").arg(i - 3)); // no boxip.ini
    }
    // The lamps follow the display state.
    m_form->engine()->display()->setLamp(2, BoxState::On);
    QCOMPARE(m_form->findChild<Shape *>("Shape5")->fillColor(), QColor(0, 255, 0));
    m_form->engine()->display()->setLamp(2, BoxState::Off);
    QCOMPARE(m_form->findChild<Shape *>("Shape5")->fillColor(), QColor(255, 0, 0));
    // Amber: the box answers but shows nothing; the tip says so, and the tray how much waits.
    m_form->engine()->display()->setLamp(2, BoxState::Standby);
    QCOMPARE(m_form->findChild<Shape *>("Shape5")->fillColor(), QColor(0xFF, 0xB0, 0x00));
    QVERIFY(m_form->findChild<Shape *>("Shape5")->toolTip().startsWith("Box 2: im Standby"));
    m_form->engine()->display()->setHeldCount(2);
    QVERIFY(m_form->findChild<QSystemTrayIcon *>("TrayIcon")->toolTip().endsWith(
        "2 Nachrichten zurückgehalten (Box im Standby oder aus)"));
    m_form->engine()->display()->setLamp(2, BoxState::On);
    m_form->engine()->display()->setBoxStatus("0100");
    QCOMPARE(label("Label4")->text(), QString("0100"));
    // Label4 lies below the visible client area.
    QVERIFY(!m_form->centralWidget()->rect().intersects(label("Label4")->geometry()));
}

void TestMainWindow::menus()
{
    QStringList visibleTitles;
    for (QAction *a : m_form->menuBar()->actions())
        if (a->isVisible())
            visibleTitles << a->text();
    QCOMPARE(visibleTitles, (QStringList{"Aktionen", "Einstellungen", "Info"}));

    auto act = [this](const char *name) { return m_form->findChild<QAction *>(name); };
    QCOMPARE(m_form->findChild<QMenu *>("mnbar")->title(), QString("Datei"));
    QStringList fileItems;
    for (QAction *a : m_form->findChild<QMenu *>("mnbar")->actions())
        fileItems << a->text();
    QCOMPARE(fileItems, (QStringList{"Öffnen", "Text sofort senden", "Verlauf", "Beenden"}));
    QCOMPARE(act("tese")->text(), QString("Text sofort senden"));
    QCOMPARE(act("verlauf")->text(), QString("Verlauf"));
    QVERIFY(!act("countd")->isVisible());
    QCOMPARE(act("ipbox")->text(), QString("IP der D-Boxen"));
    for (const char *name : {"tägl", "wochen", "einzel"}) {
        QVERIFY2(act(name), name);
        QVERIFY(act(name)->isEnabled());
        QVERIFY(act(name)->isVisible());
    }
    QCOMPARE(act("tägl")->text(), QString("tgl. Erinnerungen editieren"));
    QCOMPARE(act("wochen")->text(), QString("Wochen Erinnerungen editieren"));
    QCOMPARE(act("einzel")->text(), QString("Einzel Erinnerungen editieren"));
    QCOMPARE(act("pruefen")->text(), QString("Listen prüfen"));
    QCOMPARE(act("info")->text(), QString("Info"));
    // A separator before the autostart entry; menus in the type of the dialogs.
    auto *settings = m_form->findChild<QMenu *>("einstell");
    QVERIFY(settings->actions().at(settings->actions().indexOf(act("autostart")) - 1)->isSeparator());
    QCOMPARE(settings->font(), WindowGeometry::dialogFont());
    QCOMPARE(m_form->menuBar()->font(), WindowGeometry::dialogFont());
}

void TestMainWindow::panelTextFits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines"); // empty: cut with "…"
    QTest::newRow("wraps at blanks") << "eins zwei drei vier fuenf sechs sieben acht neun zehn"
                                     << QStringList{"eins zwei drei vier fuenf", "sechs sieben acht neun zehn"};
    QTest::newRow("a long word is broken") << QString(60, 'x') << QStringList{QString(26, 'x'), QString(26, 'x'), QString(8, 'x')};
    QTest::newRow("too long ends in …") << QString("Wort ").repeated(60) << QStringList{};
}

void TestMainWindow::panelTextFits()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    m_form->engine()->display()->showInfo(text);
    auto *panel = m_form->findChild<QLabel *>("Label3");
    QCOMPARE(panel->text(), text);
    const QStringList fitted = PanelLabel::fit(text, panel->font(), panel->contentsRect().size());
    QVERIFY(fitted.size() * QFontMetrics(panel->font()).lineSpacing() <= panel->height());
    if (lines.isEmpty())
        QVERIFY(fitted.last().endsWith(QChar(0x2026)));
    else
        QCOMPARE(fitted, lines);
}

void TestMainWindow::autostartCheckBox()
{
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_folder->path("config").toLocal8Bit());
    auto *autostart = m_form->findChild<QAction *>("autostart");
    auto *settings = m_form->findChild<QMenu *>("einstell");
    QCOMPARE(autostart->text(), QString("Beim Anmelden starten"));
    QVERIFY(autostart->isCheckable());
    // This Zelvo runs on a folder of its own, not ~/Zelvo: its entry starts
    // it there, and its title and tray tip name the folder.
    const QString entry = AutostartEntry(m_folder->dir().absolutePath()).path();
    QVERIFY(entry.startsWith(m_folder->path("config/autostart/zelvo-")));
    QVERIFY2(m_form->windowTitle().endsWith(" - " + m_folder->dir().absolutePath()), qPrintable(m_form->windowTitle()));
    QVERIFY(m_form->findChild<QSystemTrayIcon *>("TrayIcon")->toolTip().contains(m_folder->dir().absolutePath()));

    emit settings->aboutToShow();
    QVERIFY(!autostart->isChecked());
    autostart->trigger();
    QVERIFY(QFileInfo(entry).isFile());
    QFile written(entry);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.readAll().contains("--folder \"" + m_folder->dir().absolutePath().toUtf8() + "\"\n"));
    written.close();
    autostart->trigger();
    QVERIFY(!QFileInfo::exists(entry));

    // Written elsewhere: the menu shows it the next time it opens.
    QVERIFY(written.open(QIODevice::WriteOnly));
    written.write("[Desktop Entry]\n");
    written.close();
    emit settings->aboutToShow();
    QVERIFY(autostart->isChecked());
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

void TestMainWindow::infoPanelShowAndHide()
{
    // The test's folder is empty: what is missing is said in the panel
    // whenever it shows nothing else, and first in the tray's tip, until the
    // files are there.
    const QStringList parts{"Label2", "Shape2", "Shape3"};
    auto *tray = m_form->findChild<QSystemTrayIcon *>("TrayIcon");
    m_form->engine()->display()->showInfo("07:30 Muell rausbringen");
    m_form->engine()->display()->hideInfo(); // as a list check does
    QVERIFY(m_form->findChild<QLabel *>("Label3")->text().startsWith("Es fehlen boxip.ini, zlv-tag.txt"));
    QVERIFY(tray->toolTip().startsWith(m_form->findChild<QLabel *>("Label3")->text() + "\nZelvo"));
    for (const QString &p : parts)
        QVERIFY(m_form->findChild<QWidget *>(p)->isVisible());
    m_folder->write("boxip.ini", "");
    m_folder->write("zlv-tag.txt", "");
    QTRY_VERIFY(!m_form->findChild<QWidget *>("Shape2")->isVisible()); // at the next second
    QVERIFY(tray->toolTip().startsWith("Zelvo"));
    m_form->engine()->display()->showInfo("07:30 Muell rausbringen");
    QCOMPARE(m_form->findChild<QLabel *>("Label3")->text(), QString("07:30 Muell rausbringen"));
    for (const QString &p : parts)
        QVERIFY(m_form->findChild<QWidget *>(p)->isVisible());
    m_form->engine()->display()->hideInfo();
    QCOMPARE(m_form->findChild<QLabel *>("Label3")->text(), QString());
    for (const QString &p : parts)
        QVERIFY(!m_form->findChild<QWidget *>(p)->isVisible());
}

void TestMainWindow::screenshot()
{
    m_form->engine()->display()->showInfo("07:30 Muell rausbringen");
    m_form->engine()->display()->setClockText("07:25:00");
    m_form->engine()->display()->setLamp(1, BoxState::On);
    m_form->engine()->display()->setLamp(2, BoxState::On);
    const QString dir = qEnvironmentVariable("ZELVO_SCREENSHOTS", QDir::tempPath());
    QDir().mkpath(dir);
    QVERIFY(m_form->grab().save(dir + "/startform.png"));
}

// ctest runs this test under LANG=C; Qt's texts are German all the same,
// and so is a socket's error, English or as Qt's translation says it.
void TestMainWindow::germanUnderLangC()
{
    QVERIFY(QtGermanTranslation::install(qApp));
    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->text().remove('&').section('\t', 0, 0);
    QVERIFY2(items.contains("Rückgängig"), qPrintable(items.join(", ")));
    Delivery d;
    d.outcome = DeliveryOutcome::Failed;
    for (const QString &qt : {QString("Network unreachable"), QCoreApplication::translate("QNativeSocketEngine", "Network unreachable")}) {
        d.reason = SystemErrorText::ofSocket(QAbstractSocket::NetworkError, qt);
        QCOMPARE(d.outcomeText(), QString("Fehler: das Netz ist nicht erreichbar")); // one "Fehler:"
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
