#pragma once

#include <QString>

// What the box does with a text: show it as a popup or as a plain message.
enum class MessageKind { Popup, Message };

// One message for a box's screen, as its producer means it: the kind and the
// text with real line breaks. The box's protocol turns it into a request
// when the request is written.
struct Message {
    MessageKind kind = MessageKind::Message;
    QString text;

    bool operator==(const Message &other) const { return kind == other.kind && text == other.text; }
    bool operator!=(const Message &other) const { return !(*this == other); }
};
