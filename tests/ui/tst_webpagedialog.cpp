// "Webseite…": on with a password the page listens and the dialog shows its
// address with a QR code; two different passwords change nothing; off, it
// stops. What it sets lands in zelvo.ini, beside what was there.
#include "TempFolder.h"

#include "WebPageDialog.h"
#include "engine/Engine.h"
#include "web/PasswordHash.h"
#include "web/WebPage.h"
#include "web/WebSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>

class TestWebPageDialog : public QObject
{
    Q_OBJECT
private slots:
    void onOffAndPassword();
};

void TestWebPageDialog::onOffAndPassword()
{
    TempFolder folder;
    folder.write("zelvo.ini", "; von Hand\r\n[Webseite]\r\nAdresse=127.0.0.1\r\n");
    Engine engine(Engine::Options{folder.dir()});
    WebPage page(&engine);
    QTcpServer probe; // a port that is free now
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const int port = probe.serverPort();
    probe.close();

    WebPageDialog dialog(&page);
    dialog.show();
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
    QVERIFY(folder.read("zelvo.ini").startsWith("; von Hand\r\n[Webseite]\r\nAdresse=127.0.0.1\r\n"));
    QCOMPARE(dialog.findChild<QLabel *>("adressen")->text(),
             QString("Auf dem Telefon öffnen:\nhttp://127.0.0.1:%1").arg(port));
    QVERIFY(!dialog.findChild<QLabel *>("qrcode")->pixmap().isNull());
    const QString shots = qEnvironmentVariable("ZELVO_SCREENSHOTS", QDir::tempPath());
    QDir().mkpath(shots);
    dialog.grab().save(shots + "/webseite-dialog.png");

    qobject_cast<QCheckBox *>(child("an"))->setChecked(false);
    qobject_cast<QPushButton *>(child("uebernehmen"))->click();
    QVERIFY(!page.isRunning());
    QCOMPARE(WebSettings(folder.dir()).port(), 0);
}

QTEST_MAIN(TestWebPageDialog)
#include "tst_webpagedialog.moc"
