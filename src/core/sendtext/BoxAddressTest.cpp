#include "sendtext/BoxAddressTest.h"

#include "boxes/MessageKind.h"
#include "boxes/RequestChannel.h"
#include "common/DisplayState.h"

QString BoxAddressTest::numberText(int box)
{
    return (box < 0 ? QString() : QStringLiteral(" ")) + QString::number(box);
}

QString BoxAddressTest::document(int box, const QString &address)
{
    return kindPrefix(MessageKind::Message) + QStringLiteral("Dies ist ein Test für die ") + numberText(box)
        + QStringLiteral(". D-Box2!%0A%0AWenn Sie dies auf dem Fernseher lesen können,%0Aist die IP ") + address
        + QStringLiteral(" richtig!");
}

QString BoxAddressTest::panelText(int box)
{
    return QStringLiteral("Test für die ") + numberText(box) + QStringLiteral(". D-Box2");
}

void BoxAddressTest::run(RequestChannel *inet1, DisplayState *display, int box, const QString &address)
{
    inet1->send(address, document(box, address));
    display->showInfo(panelText(box));
}
