#pragma once

#include "boxes/BoxList.h"
#include "boxes/BoxListSource.h"
#include "boxes/Message.h"
#include "sendtext/ScriptDelivery.h"

#include <QList>

// `zelvo send` where no Zelvo runs in the folder: the message goes out from
// the calling process itself through a BoxSender of its own (the same
// transport and address rule as the engine's), and the call returns once
// every box has answered.
namespace DirectSend {

// boxes: 1..BoxList::kBoxes, empty: every box that names an address in list.
// list is what source read just now.
QList<ScriptDelivery::BoxOutcome> deliver(BoxListSource &source, const BoxList &list, const QList<int> &boxes,
                                          const Message &message);

} // namespace DirectSend
