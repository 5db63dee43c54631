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
        items << a->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    QVERIFY2(items.contains(QStringLiteral("Rückgängig")), qPrintable(items.join(QStringLiteral(", "))));
    QVERIFY(!items.contains(QStringLiteral("Undo")));
}

void TestGermanTexts::socketErrors_data()
{
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("outcome"); // as "Verlauf" and the tray tip show it
    using S = QAbstractSocket;
    const auto socket = [](S::SocketError e, const char *text) { return SystemErrorText::ofSocket(e, QString::fromLatin1(text)); };
    QTest::newRow("network unreachable") << socket(S::NetworkError, "Network unreachable")
                                         << "Fehler: das Netz ist nicht erreichbar";
    QTest::newRow("as Qt's translation says it")
        << SystemErrorText::ofSocket(S::NetworkError, QCoreApplication::translate("QNativeSocketEngine", "Host unreachable"))
        << "Fehler: die Box ist nicht erreichbar";
    QTest::newRow("unknown text") << socket(S::NetworkError, "Something new") << "Fehler: Netz gestört";
}

void TestGermanTexts::socketErrors()
{
    QFETCH(QString, reason);
    QFETCH(QString, outcome);
    Delivery d;
    d.outcome = DeliveryOutcome::Failed;
    d.reason = reason;
    QCOMPARE(d.outcomeText(), outcome);
}

int main(int argc, char *argv[])
{
    // The locale of a session that asks for nothing.
    qputenv("LANG", "C");
    qputenv("LC_ALL", "C");
    qunsetenv("LANGUAGE");
    QApplication app(argc, argv);
    if (!QtGermanTranslation::install(&app))
        qWarning("qtbase_de not loaded");
    TestGermanTexts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_germantexts.moc"
