#pragma once

#include "boxes/SendResult.h"

#include <QDateTime>
#include <QString>

// The words for how a message went, wherever it is shown (the record, the
// panel, the page, `zelvo send`, the log): the one place they are made.
namespace SendResultText {

// Why, in words: "Box im Standby", "keine Antwort nach 4 s", what the box
// said, …; empty when nothing more than the outcome is to say. box: the
// message's box (1..), named by some.
QString reason(const SendResult &result, int box = 0);

// "beantwortet (HTTP 200)", "Fehler: Anmeldung verlangt", "verfallen", …
QString outcome(const SendResult &result, int box = 0);
// The same from an outcome and its reason in words (a record read back).
QString outcome(DeliveryOutcome outcome, int httpStatus, const QString &reason);

// What became of a question for confirmation: "wartet auf Bestätigung",
// "gesehen um 08:02 (Ja)", …; empty for None. at: when it was answered.
QString confirmation(Confirmation confirmation, const QDateTime &at);

} // namespace SendResultText
