#include "reminders/ReminderLayout.h"

namespace {

//                                       day date trig event kind box text
constexpr ReminderLayout kDaily  = {      0,   0,   1,    7,  13, 15,  17};
constexpr ReminderLayout kWeekly = {      1,   0,   4,   10,  16, 18,  20};
// The dated list has no gap between box digit and text: a blank written
// after the digit is the text's first character.
constexpr ReminderLayout kDated  = {      0,   1,  12,   18,  24, 26,  27};

} // namespace

const ReminderLayout &ReminderLayout::of(ReminderListKind list)
{
    switch (list) {
    case ReminderListKind::Daily:
        return kDaily;
    case ReminderListKind::Weekly:
        return kWeekly;
    case ReminderListKind::Dated:
        break;
    }
    return kDated;
}

QString ReminderLayout::fileName(ReminderListKind list)
{
    switch (list) {
    case ReminderListKind::Daily:
        return QStringLiteral("zlv-tag.txt");
    case ReminderListKind::Weekly:
        return QStringLiteral("zlv-woch.txt");
    case ReminderListKind::Dated:
        break;
    }
    return QStringLiteral("zlv-term.txt");
}

int ReminderLayout::checkSecond(ReminderListKind list)
{
    switch (list) {
    case ReminderListKind::Daily:
        return 0;
    case ReminderListKind::Weekly:
        return 20;
    case ReminderListKind::Dated:
        break;
    }
    return 40;
}

std::bitset<60> ReminderLayout::checkSeconds()
{
    std::bitset<60> seconds;
    for (const ReminderListKind list : {ReminderListKind::Daily, ReminderListKind::Weekly, ReminderListKind::Dated})
        seconds.set(size_t(checkSecond(list)));
    return seconds;
}

std::optional<ReminderListKind> ReminderLayout::listCheckedAt(int second)
{
    for (const ReminderListKind list : {ReminderListKind::Daily, ReminderListKind::Weekly, ReminderListKind::Dated})
        if (checkSecond(list) == second)
            return list;
    return std::nullopt;
}
