#include "boxes/BoxLink.h"

BoxLink::BoxLink(const QString &configured)
    : m_key(configured.trimmed())
    , m_address(BoxAddress::read(m_key))
{
}

void BoxLink::forget()
{
    kind = BoxKind::Nhttpd;
    settled = false;
    m_learnt = {};
    identifyAsked = false;
}
