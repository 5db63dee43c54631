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
    void underLangC();
};

void TestGermanTexts::underLangC()
{
    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList items;
    for (QAction *a : menu->actions())
        items << a->text().remove('&').section('\t', 0, 0);
    QVERIFY2(items.contains("Rückgängig"), qPrintable(items.join(", ")));
    // A socket's text, English or as Qt's translation says it, and one "Fehler:".
    Delivery d;
    d.outcome = DeliveryOutcome::Failed;
    for (const QString &qt : {QString("Network unreachable"), QCoreApplication::translate("QNativeSocketEngine", "Network unreachable")}) {
        d.reason = SystemErrorText::ofSocket(QAbstractSocket::NetworkError, qt);
        QCOMPARE(d.outcomeText(), QString("Fehler: das Netz ist nicht erreichbar"));
    }
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
