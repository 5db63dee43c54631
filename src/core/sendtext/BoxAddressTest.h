#pragma once

#include "boxes/Message.h"

#include <QString>

class BoxSender;

// The "Test" button of the box address dialog: a fixed message to the
// address typed for a box, whether saved or not.
class BoxAddressTest
{
public:
    // The box number as the message prints it: a blank in the sign
    // position, so " 3".
    static QString numberText(int box);
    static Message message(int box, const QString &address);
    static QString panelText(int box);

    // Sends the test for box 1..BoxList::kBoxes; the information panel
    // shows it when it may reach the box.
    static void run(BoxSender *sender, int box, const QString &address);
};
