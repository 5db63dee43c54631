#include "boxes/SendHandle.h"

#include "boxes/BoxLink.h"

SendHandle::SendHandle(quint64 id, std::shared_ptr<BoxLink> link, const Message &message, const MessageOrigin &origin,
                       QObject *parent)
    : QObject(parent)
    , m_id(id)
    , m_link(std::move(link))
    , m_message(message)
    , m_origin(origin)
{
}

QString SendHandle::address() const
{
    return m_link->key();
}
