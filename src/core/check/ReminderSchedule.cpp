#include "check/ReminderSchedule.h"

#include "check/TriggerText.h"
#include "common/WallClock.h"
#include "reminders/ReminderKeys.h"

#include <QHash>

#include <algorithm>

#include <set>

namespace {

using WallClock::kSecsPerDay;
constexpr int kListCount = 3;

// The records of one list that may fire on one date, indexed by their
// trigger text so that a minute costs one look-up, not a pass over the list,
// and the minutes of the day their triggers can equal. Which records fire is
// still decided by firesAt alone.
struct DayCandidates {
    QHash<QString, QList<int>> byTrigger;
    std::set<int> minutes; // minute of the day

    void add(const ReminderRecord &r, int index)
    {
        const QStringView trigger = r.trigger();
        const int minute = TriggerText::minuteOfDay(trigger);
        const int everyHour = TriggerText::everyHourMinute(trigger);
        if (minute < 0 && everyHour < 0)
            return; // equals no key of the clock
        byTrigger[trigger.toString()].append(index);
        if (minute >= 0)
            minutes.insert(minute);
        else
            for (int h = 0; h < 24; ++h)
                minutes.insert(h * 60 + everyHour);
    }
};

class Scanner
{
public:
    Scanner(const ReminderSchedule::Lists &lists, qint64 fromSecond)
        : m_lists(lists)
        , m_from(fromSecond)
    {
    }

    // Appends what is due on this local date, in sending order.
    void scanDay(const QDate &date, QList<DueReminder> &out)
    {
        const ReminderKeys dayKeys = ReminderKeys::at(QDateTime(date, QTime(12, 0)));
        std::array<DayCandidates, kListCount> candidates;
        bool any = false;
        for (int l = 0; l < kListCount; ++l) {
            const QList<ReminderRecord> &records = m_lists[l];
            for (int i = 0; i < records.size(); ++i) {
                const ReminderRecord &r = records.at(i);
                if (!r.longEnough())
                    continue;
                // A cheap day filter; firesAt below has the last word.
                if (r.list() == ReminderListKind::Weekly && r.dayCode() != dayKeys.dayCode
                    && r.dayCode() != dayKeys.groupCode)
                    continue;
                if (r.list() == ReminderListKind::Dated && r.date() != dayKeys.dateKey)
                    continue;
                candidates[l].add(r, i);
            }
            any = any || !candidates[l].minutes.empty();
        }
        if (!any)
            return;

        const QDateTime dayStart = date.startOfDay();
        const qint64 start = dayStart.toSecsSinceEpoch();
        const qint64 end = date.addDays(1).startOfDay().toSecsSinceEpoch();
        const bool plainDay = end - start == kSecsPerDay && dayStart.time() == QTime(0, 0)
            && dayStart.offsetFromUtc() == QDateTime::fromSecsSinceEpoch(end - 1).offsetFromUtc();

        // The seconds at which a list check may find something, in order.
        std::set<qint64> seconds;
        if (plainDay) {
            for (int l = 0; l < kListCount; ++l)
                for (const int minute : candidates[l].minutes)
                    seconds.insert(start + minute * 60 + ReminderLayout::checkSecond(ReminderListKind(l)));
        } else {
            // The day of a change of time: walk every check of the day in
            // real time, as the clock lives through it.
            for (qint64 minute = start; minute < end; minute += 60)
                for (int l = 0; l < kListCount; ++l)
                    if (minute + ReminderLayout::checkSecond(ReminderListKind(l)) < end)
                        seconds.insert(minute + ReminderLayout::checkSecond(ReminderListKind(l)));
        }

        // The wall-clock times already checked on this date, also those before
        // `from`: in the repeated autumn hour they ran on the first pass.
        std::set<qint64> checked;
        for (const qint64 s : seconds) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(s);
            const QTime time = local.time();
            const std::optional<ReminderListKind> listNow = ReminderLayout::listCheckedAt(time.second());
            if (!listNow || local.date() != date)
                continue;
            const ReminderListKind list = *listNow;
            const DayCandidates &c = candidates[int(list)];
            if (c.minutes.count(time.hour() * 60 + time.minute()) == 0)
                continue;
            if (!checked.insert(WallClock::second(local)).second || s < m_from)
                continue;
            const ReminderKeys keys = ReminderKeys::at(local);
            QList<int> hits = c.byTrigger.value(keys.hourMinute);
            if (list == ReminderListKind::Dated)
                hits += c.byTrigger.value(keys.wildcard);
            std::sort(hits.begin(), hits.end()); // file order
            for (const int i : hits) {
                const ReminderRecord &r = m_lists[int(list)].at(i);
                if (!r.firesAt(keys))
                    continue;
                out.append(DueReminder{local, list, r, ReminderMessage::compose(r, keys)});
            }
        }
    }

private:
    const ReminderSchedule::Lists &m_lists;
    qint64 m_from;
};

// The days on which a dated record could fire, parsed from its date text.
std::set<QDate> datedDays(const QList<ReminderRecord> &records)
{
    std::set<QDate> days;
    for (const ReminderRecord &r : records) {
        const QDate d = QDate::fromString(r.date().toString(), QStringLiteral("dd-MM-yyyy"));
        if (d.isValid())
            days.insert(d);
    }
    return days;
}

bool hasRecurring(const ReminderSchedule::Lists &lists)
{
    for (const ReminderListKind list : {ReminderListKind::Daily, ReminderListKind::Weekly})
        for (const ReminderRecord &r : lists[int(list)])
            if (r.longEnough())
                return true;
    return false;
}

} // namespace

QList<DueReminder> ReminderSchedule::next(const Lists &lists, const QDateTime &from, int count)
{
    QList<DueReminder> due;
    if (!from.isValid() || count <= 0)
        return due;
    const qint64 fromSecond = WallClock::floorDiv(from.toMSecsSinceEpoch(), 1000);
    const QDate firstDay = QDateTime::fromSecsSinceEpoch(fromSecond).date();
    const QDate lastRecurringDay = hasRecurring(lists) ? firstDay.addDays(kRecurringHorizonDays) : QDate();
    const std::set<QDate> dated = datedDays(lists[int(ReminderListKind::Dated)]);

    Scanner scanner(lists, fromSecond);
    QDate day = firstDay;
    while (due.size() < count) {
        if (!lastRecurringDay.isValid() || day > lastRecurringDay) {
            const auto it = dated.lower_bound(day);
            if (it == dated.end())
                break;
            day = *it;
        }
        scanner.scanDay(day, due);
        day = day.addDays(1);
    }
    if (due.size() > count)
        due.resize(count);
    return due;
}
