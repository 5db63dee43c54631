#pragma once

#include "boxes/BoxList.h"
#include "reminders/ReminderLayout.h"
#include "reminders/ReminderListFile.h"

#include <QDateTime>

class ReminderClock;

#include <array>
#include <optional>

// The app's own warning about a list: each time Zelvo reads a list whose
// content differs from the last reading (or reads it for the first time),
// why it cannot be read or what is odd about it (control characters, lines
// read as Windows-1252 …), then one warning under zelvo.reminders per line
// that can never fire, worded as zelvo-check words it. An unchanged list
// stays quiet, so a pipe or folder named like a list is reported once.
class ListChangeWarner
{
public:
    // Lines warned about per change at most; one more warning says so.
    static constexpr int kMaxWarnings = 20;

    // Returns how many lines were warned about.
    int noteRead(const ReminderListFile::ReadResult &file, ReminderListKind list, const BoxList &boxes,
                 const QDateTime &localTime);

    // Warns about each list the clock reads afresh. The warner outlives the clock.
    void listenTo(const ReminderClock &clock);

private:
    std::array<std::optional<size_t>, 3> m_lastContent; // per list, a hash of what was read
};
