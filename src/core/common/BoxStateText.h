#pragma once

#include "common/BoxState.h"

#include <QString>

// The words for a box's state, in each form a place shows them; the one
// place they are written.
class BoxStateText
{
public:
    enum class Form {
        HeldBecause, // why a message waits: "Box im Standby", "Box aus"
        Short,       // behind a box's name on the panel: "Standby", "aus"
        Said,        // what the send-text dialog says of a box: "im Standby", "aus"
        Log,         // the watch's log line: "im Standby (zeigt keine Nachrichten)"
        Lamp,        // a lamp's tip: "im Standby - Nachrichten werden zurückgehalten, …"
    };
    static QString of(BoxState state, Form form);

    // A box as named wherever one is shown: "Box 2", "Box 2 (Enigma2)",
    // "Box 2 (192.168.0.10)", "Box 2 (Enigma2, 192.168.0.12)".
    static QString boxName(int box, const QString &kind = QString(), const QString &address = QString());
};
