#pragma once

#include "boxes/Message.h"

// Messages as the tests write them.
inline Message nmsg(const QString &text)
{
    return {MessageKind::Message, text};
}

inline Message popup(const QString &text)
{
    return {MessageKind::Popup, text};
}
