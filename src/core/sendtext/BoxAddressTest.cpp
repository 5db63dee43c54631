#include "sendtext/BoxAddressTest.h"

#include "boxes/Delivery.h"
#include "boxes/Message.h"
#include "boxes/RequestChannel.h"
#include "common/StatusBoard.h"

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

void BoxAddressTest::run(RequestChannel *inet1, StatusBoard *display, int box, const QString &address)
{
    const QString refused = inet1->send(address, message(box, address), {MessageSource::BoxTest, box});
    display->showInfo(refused.isEmpty() ? panelText(box) : Delivery::notSentPanelText(box, refused));
}
