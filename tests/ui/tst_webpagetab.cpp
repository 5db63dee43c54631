// "Webseite…" opens "Einstellungen…" on its tab "Webseite": on with a
// password the page listens and the tab shows its address with a QR code;
// two different passwords change nothing; off (saved with the dialog), it
// stops. What it sets lands in zelvo.ini, beside what was there. As root, in
// a network of its own where this machine is 192.168.0.20, it shows that
// address, as on a home network, for the guide's picture.
#include "PrivateNetwork.h"
#include "TempFolder.h"

#include "MainWindow.h"
#include "SettingsDialog.h"
#include "engine/Engine.h"
#include "web/PasswordHash.h"
#include "web/WebPage.h"
#include "web/WebSettings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>

class TestWebPageTab : public QObject
{
    Q_OBJECT
public:
    explicit TestWebPageTab(bool homeNetwork)
        : m_homeNetwork(homeNetwork)
    {
    }

private slots:
    void onOffAndPassword();

private:
    bool m_homeNetwork;
};

void TestWebPageTab::onOffAndPassword()
{
    TempFolder folder;
    // On the home network it listens on every address; else only on 127.0.0.1.
    folder.write("zelvo.ini", m_homeNetwork ? "; von Hand\r\n[Webseite]\r\n" : "; von Hand\r\n[Webseite]\r\nAdresse=127.0.0.1\r\n");
    MainWindow form(Engine::Options{folder.dir()});
    WebPage page(form.engine());
    QTcpServer probe; // a port that is free now
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const int port = m_homeNetwork ? WebSettings::kDefaultPort : probe.serverPort();
    probe.close();

    form.offerWebPage(&page);
    form.findChild<QAction *>("webseite")->trigger();
    QPointer<SettingsDialog> shown = form.findChild<SettingsDialog *>();
    QVERIFY(shown && shown->isVisible());
    SettingsDialog &dialog = *shown;
    QCOMPARE(dialog.findChild<QTabWidget *>("Reiter")->currentWidget()->objectName(), QString("Webseite"));
    const auto child = [&](const char *name) { return dialog.findChild<QWidget *>(name); };
    QCOMPARE(dialog.findChild<QLabel *>("adressen")->text(), QString("Die Webseite ist aus."));
    qobject_cast<QCheckBox *>(child("an"))->setChecked(true);
    qobject_cast<QSpinBox *>(child("port"))->setValue(port);
    qobject_cast<QLineEdit *>(child("passwort"))->setText("Sofa");
    qobject_cast<QLineEdit *>(child("passwort2"))->setText("Sessel");
    qobject_cast<QPushButton *>(child("uebernehmen"))->click();
    QCOMPARE(dialog.findChild<QLabel *>("meldung")->text(), QString("Die beiden Passwörter sind verschieden."));
    QVERIFY(!page.isRunning());

    qobject_cast<QLineEdit *>(child("passwort2"))->setText("Sofa");
    qobject_cast<QPushButton *>(child("uebernehmen"))->click();
    QVERIFY(page.isRunning());
    QVERIFY(PasswordHash::matches("Sofa", WebSettings(folder.dir()).passwordHash()));
    QVERIFY(folder.read("zelvo.ini").startsWith("; von Hand\r\n[Webseite]\r\n"));
    QCOMPARE(dialog.findChild<QLabel *>("adressen")->text(),
             QString("Auf dem Telefon öffnen:\nhttp://%1:%2").arg(m_homeNetwork ? "192.168.0.20" : "127.0.0.1").arg(port));
    QVERIFY(!dialog.findChild<QLabel *>("qrcode")->pixmap().isNull());
    // The whole code is shown: the dialog grew for it.
    QVERIFY(dialog.findChild<QLabel *>("qrcode")->height() >= dialog.findChild<QLabel *>("qrcode")->pixmap().height());
    if (m_homeNetwork) {
        QTest::qWait(100); // the tab's layout takes the address and the code in
        const QString shots = qEnvironmentVariable("ZELVO_SCREENSHOTS", QDir::tempPath());
        QDir().mkpath(shots);
        dialog.grab().save(shots + "/webseite-dialog.png");
    }

    qobject_cast<QCheckBox *>(child("an"))->setChecked(false);
    dialog.findChild<QPushButton *>("Speichern")->click();
    QTRY_VERIFY(!shown);
    QVERIFY(!page.isRunning());
    QCOMPARE(WebSettings(folder.dir()).port(), 0);
}

int main(int argc, char *argv[])
{
    const bool homeNetwork = PrivateNetwork::enter().isEmpty() && PrivateNetwork::ip({"link", "set", "lo", "up"})
                             && PrivateNetwork::ip({"addr", "add", "192.168.0.20/24", "dev", "lo"});
    QApplication app(argc, argv);
    TestWebPageTab test(homeNetwork);
    return QTest::qExec(&test, argc, argv);
}
#include "tst_webpagetab.moc"
