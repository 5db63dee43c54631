// German whatever the session's locale says: Qt's own texts, and the
// system's error texts where Zelvo shows them.
#include "QtGermanTranslation.h"
#include "boxes/Delivery.h"
#include "common/SystemErrorText.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

class TestGermanTexts : public QObject
{
    Q_OBJECT
private slots:
    void textFieldMenu();
    void socketErrors_data();
    void socketErrors();
};

void TestGermanTexts::textFieldMenu()
{
    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->text().remove('&').section('\t', 0, 0);
    QVERIFY2(items.contains("Rückgängig"), qPrintable(items.join(", ")));
}

void TestGermanTexts::socketErrors_data()
{
    QTest::addColumn<QString>("qtText"); // of QAbstractSocket::NetworkError
    QTest::addColumn<QString>("outcome");  // as "Verlauf" and the tray tip show it
    QTest::newRow("English") << "Network unreachable" << "Fehler: das Netz ist nicht erreichbar";
    QTest::newRow("Qt's translation")
        << QCoreApplication::translate("QNativeSocketEngine", "Host unreachable") << "Fehler: die Box ist nicht erreichbar";
}

void TestGermanTexts::socketErrors()
{
    QFETCH(QString, qtText);
    QFETCH(QString, outcome);
    Delivery d;
    d.outcome = DeliveryOutcome::Failed;
    d.reason = SystemErrorText::ofSocket(QAbstractSocket::NetworkError, qtText);
    QCOMPARE(d.outcomeText(), outcome);
}

int main(int argc, char *argv[])
{
    qputenv("LANG", "C"); // a session that asks for no language
    qputenv("LC_ALL", "C");
    QApplication app(argc, argv);
    QtGermanTranslation::install(&app);
    TestGermanTexts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_germantexts.moc"
