#pragma once

#include <QString>

// What the box does with a text: show it as a popup or as a plain message.
enum class MessageKind { Popup, Message };

// One message for a box's screen, as its producer means it: the kind and the
// text with real line breaks. The box's protocol turns it into a request
// when the request is written. confirm: it stays on the screen until
// somebody closes it, and a box that can tell is asked whether it was seen
// (a yes/no question).
struct Message {
    MessageKind kind = MessageKind::Message;
    QString text;
    bool confirm = false;

    bool operator==(const Message &other) const
    {
        return kind == other.kind && text == other.text && confirm == other.confirm;
    }
    bool operator!=(const Message &other) const { return !(*this == other); }
};
