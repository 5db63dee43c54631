#include "sendtext/BoxAddressTest.h"

#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "boxes/Message.h"

QString BoxAddressTest::numberText(int box)
{
    return (box < 0 ? QString() : QStringLiteral(" ")) + QString::number(box);
}

Message BoxAddressTest::message(int box, const QString &address)
{
    return {MessageKind::Message, QStringLiteral("Dies ist ein Test für die ") + numberText(box)
                                      + QStringLiteral(". D-Box2!\n\nWenn Sie dies auf dem Fernseher lesen können,\nist die IP ")
                                      + address + QStringLiteral(" richtig!")};
}

QString BoxAddressTest::panelText(int box)
{
    return QStringLiteral("Test für die ") + numberText(box) + QStringLiteral(". D-Box2");
}

// The test goes at once, whatever the box's state; the panel says what the
// watch last found of the box at that address, so that a test that shows
// nothing on a box in standby is no riddle.
void BoxAddressTest::run(BoxSender *sender, int box, const QString &address)
{
    QString text = panelText(box);
    const bool saved = address.trimmed() == sender->boxList()->boxes().address(box).trimmed();
    if (saved && sender->boxState(box) == BoxState::Standby)
        text += QStringLiteral(" - die Box ist im Standby und zeigt den Text nicht");
    else if (saved && sender->boxState(box) == BoxState::Off)
        text += QStringLiteral(" - die Box war zuletzt aus");
    // An address typed just now may be a box nobody asked yet: it is asked
    // what it is first, so that the test goes to it as its kind reads it.
    sender->identifyAt(address);
    sender->panel()->showWhenSent({sender->sendTo(address, message(box, address), {MessageSource::BoxTest, box})}, text);
}
