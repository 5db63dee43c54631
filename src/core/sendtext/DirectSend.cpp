#include "sendtext/DirectSend.h"

#include "boxes/HttpTransport.h"
#include "boxes/RequestChannel.h"

#include <QEventLoop>

namespace DirectSend {

QList<ScriptDelivery::BoxOutcome> deliver(const BoxList &list, const QList<int> &boxes, const Message &message)
{
    HttpTransport transport;
    std::array<RequestChannel *, 4> channels{};
    for (int i = 0; i < BoxList::kBoxes; ++i)
        channels[i] = new RequestChannel(&transport, &transport);
    ScriptDelivery delivery(&transport, channels);
    QEventLoop loop;
    QObject::connect(&delivery, &ScriptDelivery::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    // This process has not talked to the boxes yet: it learns their versions first.
    delivery.setAskVersionFirst(true);
    delivery.start(list, boxes, message);
    if (!delivery.isFinished())
        loop.exec();
    return delivery.outcomes();
}

} // namespace DirectSend
