#pragma once

#include <QString>

// What the box does with a text: show it as a popup or as a plain message.
enum class MessageKind { Popup, Message };

inline QString kindPrefix(MessageKind kind)
{
    return kind == MessageKind::Popup ? QStringLiteral("/control/message?popup=")
                                      : QStringLiteral("/control/message?nmsg=");
}
