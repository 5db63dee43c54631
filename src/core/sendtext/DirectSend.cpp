#include "sendtext/DirectSend.h"

#include "boxes/BoxSender.h"

#include <QEventLoop>

namespace DirectSend {

QList<ScriptDelivery::BoxOutcome> deliver(BoxListSource &source, const BoxList &list, const QList<int> &boxes,
                                          const Message &message)
{
    BoxSender sender(&source, BoxSender::Options());
    // Nobody would deliver a held message later: a box that cannot show it
    // gets nothing, and the caller hears why.
    sender.askModeFirst();
    ScriptDelivery delivery(&sender);
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
