#include "boxes/BoxLinks.h"
#include "boxes/HttpTransport.h"
#include "common/ZelvoSettings.h"

#include "TempFolder.h"

#include <QTest>

// Which link of boxes 1..4 gets which login, and what a box that moves to
// an address finds learnt there.
class TestBoxLinks : public QObject
{
    Q_OBJECT
private slots:
    void loginGoesOnlyToItsBox_data();
    void loginGoesOnlyToItsBox();
    void newAddressForgetsWhatWasLearnt();
};

namespace {

BoxList listOf(const QStringList &addresses)
{
    BoxList list;
    for (int i = 0; i < addresses.size(); ++i)
        list.addresses[size_t(i)] = addresses.at(i);
    return list;
}

} // namespace

// (The box address test's loan of a login is followed on the wire, in
// tst_boxkind.)
void TestBoxLinks::loginGoesOnlyToItsBox_data()
{
    QTest::addColumn<QStringList>("addresses"); // boxes 1..
    QTest::addColumn<QString>("address");       // the link looked at
    QTest::addColumn<QString>("user");          // the user it carries

    const QString a1 = "127.0.0.1", a2 = "127.0.0.2";
    QTest::newRow("its own address") << QStringList{" " + a1 + " ", a2} << a1 << "anna";
    QTest::newRow("a box without a login") << QStringList{a1, a2, "0.0.0.0", "127.0.0.4"} << "127.0.0.4" << "";
    QTest::newRow("shared with a box of another login") << QStringList{a1, a1} << a1 << "";
    QTest::newRow("shared with a box of the same login") << QStringList{a1, a2, a1} << a1 << "anna";
}

void TestBoxLinks::loginGoesOnlyToItsBox()
{
    QFETCH(QStringList, addresses);
    QFETCH(QString, address);
    QFETCH(QString, user);
    TempFolder folder;
    folder.write("zelvo.ini", "[Box1]\nBenutzer=anna\nPasswort=p1\n[Box2]\nBenutzer=bert\nPasswort=p2\n"
                              "[Box3]\nBenutzer=anna\nPasswort=p1\n");
    ZelvoSettings settings(folder.dir());
    HttpTransport transport;
    BoxLinks links(&transport, &settings);
    links.setBoxList(listOf(addresses));
    QCOMPARE(transport.link(address)->login.user, user);
}

void TestBoxLinks::newAddressForgetsWhatWasLearnt()
{
    TempFolder folder;
    folder.write("zelvo.ini", "[Box1]\nBenutzer=anna\nPasswort=p1\n");
    ZelvoSettings settings(folder.dir());
    HttpTransport transport;
    BoxLinks links(&transport, &settings);
    const QString a1 = "127.0.0.1", a2 = "127.0.0.2";
    QCOMPARE(links.setBoxList(listOf({a1, a2})), (QList<int>{1, 2, 3, 4}));
    const auto learn = [](BoxLink &link) {
        link.kind = BoxKind::Enigma2;
        link.settled = link.identifyAsked = true;
        link.learnt(BoxKind::Enigma2).version = "OWIF 1.5.2";
        link.learnt(BoxKind::Nhttpd).questionsLacking = 1;
    };
    learn(*links.of(1));
    QCOMPARE(links.setBoxList(listOf({a1, a2})), QList<int>()); // read again, unchanged
    QVERIFY(links.of(1)->settled);

    learn(*links.of(2));
    QCOMPARE(links.setBoxList(listOf({a2, a1})), (QList<int>{1, 2}));
    for (int box : {1, 2}) {
        const BoxLink &link = *links.of(box);
        QCOMPARE(link.kind, BoxKind::Nhttpd);
        QVERIFY(!link.settled && !link.identifyAsked);
        QCOMPARE(link.learnt(BoxKind::Enigma2).version, QString());
        QCOMPARE(link.learnt(BoxKind::Nhttpd).questionsLacking, 0);
    }
    // The login went with box 1 to its new address.
    QCOMPARE(links.of(1)->login.user, QString("anna"));
    QCOMPARE(links.of(2)->login.user, QString());
}

QTEST_GUILESS_MAIN(TestBoxLinks)
#include "tst_boxlinks.moc"
