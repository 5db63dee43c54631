// "Einstellungen…" with an Enigma2 boxsim that wants a login: "Prüfen"
// tries what is typed, and once saved the next question to the box goes
// with the new login, without a restart (how zelvo.ini is written:
// tst_zelvosettings).
#include "BoxSimulator.h"
#include "Screenshot.h"
#include "TempFolder.h"
#include "SettingsDialog.h"
#include "boxes/BoxSender.h"
#include "engine/Engine.h"
#include "web/WebPage.h"

#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void checkSaveAndUseAtOnce();
};

void TestSettingsDialog::checkSaveAndUseAtOnce()
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    BoxSimulator box(&out);
    box.setKind(BoxSimulator::Kind::Enigma2);
    box.setLogin("anna:ge,heim");
    QVERIFY(box.listen(QHostAddress::LocalHost, 0));
    TempFolder folder;
    folder.write("boxip.ini", "127.0.0.1\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n");
    folder.write("zelvo.ini", "; von Hand\n[Box1]\nBenutzer=anna\nPasswort=alt\n");
    Engine::Options o;
    o.folder = folder.dir();
    o.httpPort = box.port();
    o.httpTimeoutMs = 5000;
    Engine engine(o);
    const auto askedWithLogin = [&] {
        QSignalSpy answered(engine.sender(), &BoxSender::modeAnswered);
        const int before = box.requestCount();
        engine.sender()->askMode("127.0.0.1"); // what the watch does every tick
        if (!answered.wait(5000) || box.requestCount() <= before)
            return QString("no question");
        return QString(out.data().split('\n').at(box.requestCount() - 1).contains("unauthorized") ? "refused" : "taken");
    };
    QSignalSpy learnt(engine.sender(), &BoxSender::kindLearnt);
    engine.sender()->identifyAt("127.0.0.1");
    QVERIFY(learnt.wait(5000)); // an Enigma2 receiver, though it wants a login
    QCOMPARE(askedWithLogin(), QString("refused"));

    WebPage page(&engine); // its tab beside the boxes' (tst_webpagetab)
    SettingsDialog dialog(&engine, &page);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *password = dialog.findChild<QLineEdit *>("Passwort_0");
    auto *result = dialog.findChild<QLabel *>("Ergebnis_0");
    QCOMPARE(dialog.findChild<QLineEdit *>("Benutzer_0")->text(), QString("anna"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QVERIFY(!dialog.findChild<QPushButton *>("Pruefen_1")->isEnabled());
    QVERIFY(dialog.findChild<QRadioButton *>("Beenden")->isChecked());

    dialog.findChild<QPushButton *>("Pruefen_0")->click();
    QTRY_COMPARE(result->text(), SettingsDialog::checkText(LoginCheck::Verdict::Refused, QString()));
    password->setText("ge,heim");
    dialog.findChild<QPushButton *>("Pruefen_0")->click();
    QTRY_COMPARE(result->text(), SettingsDialog::checkText(LoginCheck::Verdict::Accepted, QString()));
    QCOMPARE(askedWithLogin(), QString("refused")); // checked, not yet saved

    dialog.findChild<QSpinBox *>("Texte")->setValue(60);
    dialog.findChild<QRadioButton *>("Weiterlaufen")->click();
    QVERIFY(saveScreenshot(&dialog, "Einstellungen"));
    dialog.findChild<QPushButton *>("Speichern")->click();
    QCOMPARE(dialog.lastSaveError(), QString());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(askedWithLogin(), QString("taken"));
    QCOMPARE(engine.sender()->holdMinutesFor(MessageSource::TypedText), 60);
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
