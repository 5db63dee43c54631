#include "sendtext/BoxAddressTest.h"

#include "boxes/BoxSender.h"
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

void BoxAddressTest::run(BoxSender *sender, int box, const QString &address)
{
    // An address typed just now may be a box nobody asked yet: it is asked
    // what it is first, so that the test goes to it as its kind reads it.
    sender->identifyAt(address);
    sender->showWhenSent({sender->sendTo(address, message(box, address), {MessageSource::BoxTest, box})},
                         panelText(box));
}
