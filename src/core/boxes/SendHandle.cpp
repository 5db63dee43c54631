#include "boxes/SendHandle.h"

SendHandle::SendHandle(quint64 id, const QString &address, const Message &message, const MessageOrigin &origin,
                       QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_address(address)
    , m_message(message)
    , m_origin(origin)
{
}
