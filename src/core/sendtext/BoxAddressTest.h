#pragma once

#include "boxes/Message.h"

#include <QString>

class StatusBoard;
class RequestChannel;

// The "Test" button of the box address dialog: a fixed message to the
// address typed for a box, whether saved or not, always through Inet1.
class BoxAddressTest
{
public:
    // The box number as the message prints it: a blank in the sign
    // position, so " 3".
    static QString numberText(int box);
    static Message message(int box, const QString &address);
    static QString panelText(int box);

    // Sends the test for box 1..4 and shows it in the information panel.
    static void run(RequestChannel *inet1, StatusBoard *display, int box, const QString &address);
};
