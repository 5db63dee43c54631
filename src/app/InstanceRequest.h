#pragma once

#include "boxes/Message.h"
#include "sendtext/ScriptDelivery.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// What a second start or `zelvo send` asks of the Zelvo running in a folder,
// and its answer: one JSON object per line on the local socket, both ways.
struct InstanceRequest {
    enum class Action { ShowWindow, Send };

    // A request line longer than this is refused unread: our own client cuts
    // its text long before (see ScriptDelivery::cutForRequest).
    static constexpr int kMaxLineBytes = 64 * 1024;

    Action action = Action::ShowWindow;
    QList<int> boxes; // empty: every box that names an address
    Message message;
    bool wait = false; // answer only when every box's outcome is known
    // How long the message may wait for a box that cannot show it, in
    // minutes (0: not at all); unset: zelvo.ini's time.
    std::optional<int> expireMinutes;

    QByteArray toLine() const;
    // Nothing, and why set (German), for a line that is no sane request: a
    // send needs boxes 1..BoxList::kBoxes each at most once, a kind "popup"
    // or "message", a text string with at least one character that is not a
    // control character, a true/false wait and an expire of 0 or more minutes.
    static std::optional<InstanceRequest> fromLine(const QByteArray &line, QString *why = nullptr);
};

struct InstanceAnswer {
    bool ok = false;
    QString error; // German, when the request could not be carried out
    QList<ScriptDelivery::BoxOutcome> outcomes; // the boxes, with outcomes when waited for

    QByteArray toLine() const;
    static std::optional<InstanceAnswer> fromLine(const QByteArray &line);
};
