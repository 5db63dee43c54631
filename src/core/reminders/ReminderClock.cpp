#include "reminders/ReminderClock.h"

#include "boxes/BoxListSource.h"
#include "boxes/BoxSender.h"
#include "boxes/PanelFollower.h"
#include "calendar/CalendarTable.h"
#include "common/Clock.h"
#include "common/StatusBoard.h"
#include "common/Logging.h"
#include "common/WallClock.h"
#include "reminders/ReminderKeys.h"
#include "reminders/ReminderMessage.h"

namespace {

// Checks further than this from now are forgotten: a clock set back by more
// is a different day, and the memory stays small.
constexpr qint64 kRememberSecs = 2 * WallClock::kSecsPerDay;

} // namespace

ReminderClock::ReminderClock(const Clock &clock, const QDir &folder, BoxSender *sender, StatusBoard *display,
                             QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_folder(folder)
    , m_sender(sender)
    , m_display(display)
    , m_lists(folder)
{
}

void ReminderClock::tick()
{
    const QDateTime now = m_clock.now();
    if (!now.isValid())
        return;
    m_display->setClockText(now.toString(QStringLiteral("HH:mm:ss")));

    const qint64 nowMs = now.toMSecsSinceEpoch();
    const qint64 nowSecond = WallClock::floorDiv(nowMs, 1000);
    // The previous reading's second has run already; a tick in the same
    // second as the previous one has nothing left to do.
    qint64 first = nowSecond;
    if (m_lastSecond && nowSecond - *m_lastSecond >= 1 && nowSecond - *m_lastSecond <= kMaxCatchUpSecs)
        first = *m_lastSecond + 1;
    else if (m_lastSecond && *m_lastSecond == nowSecond)
        first = nowSecond + 1;
    m_lastSecond = nowSecond;
    if (m_calendars)
        m_calendars->poll(nowSecond);

    for (qint64 s = first; s <= nowSecond; ++s)
        runActionsOf(now.addMSecs(s * 1000 - nowMs)); // each second in the reading's own time zone
}

void ReminderClock::runActionsOf(const QDateTime &second)
{
    const int s = second.time().second();
    if (s == 19 || s == 39 || s == 59)
        m_display->hideInfo(); // sends nothing, so it may run again in a repeated hour
    else if (const std::optional<ReminderListKind> list = ReminderLayout::listCheckedAt(s); list && claimCheck(second))
        checkList(*list, second);
    if (m_calendars)
        sendCalendarReminders(second);
}

int ReminderClock::sendCalendarReminders(const QDateTime &second)
{
    const QList<CalendarReminder> due = m_calendars->takeDue(second.toSecsSinceEpoch());
    QList<SendHandle *> sent;
    for (const CalendarReminder &r : due) {
        MessageOrigin origin{MessageSource::Reminder, r.box, r.message.text, second};
        origin.sourceName = r.source;
        sent << m_sender->send(r.box, r.message, origin);
        qCInfo(lcReminders).noquote() << "Kalender" << r.source << "an Box" << r.box;
    }
    if (!due.isEmpty())
        m_sender->panel()->showWhenSent(sent, due.last().message.text);
    return int(due.size());
}

bool ReminderClock::claimCheck(const QDateTime &second)
{
    const qint64 key = WallClock::second(second);
    m_checksRun.erase(m_checksRun.begin(), m_checksRun.lower_bound(key - kRememberSecs));
    m_checksRun.erase(m_checksRun.upper_bound(key + kRememberSecs), m_checksRun.end());
    return m_checksRun.insert(key).second;
}

int ReminderClock::checkList(ReminderListKind list, const QDateTime &localTime)
{
    // Looked at afresh at every check, so edits take effect at the next one.
    const BoxList boxes = m_sender->boxList()->boxes();
    bool changed = false;
    const ReminderListFile::ReadResult &file = m_lists.read(list, &changed);
    if (changed)
        emit listChanged(file, list, boxes, localTime);
    const ReminderKeys keys = ReminderKeys::at(localTime);

    QList<SendHandle *> sent;
    QString panelText;
    for (const ReminderRecord &record : file.records) {
        if (!record.firesAt(keys))
            continue;
        const ReminderMessage message = ReminderMessage::compose(record, keys);
        // Held for a box that shows nothing, it may wait counted from its due time.
        MessageOrigin origin{MessageSource::Reminder, message.box, message.panelText, localTime};
        origin.dueWords = message.dueWords;
        sent << m_sender->send(message.box, message.message, origin);
        qCInfo(lcReminders).noquote() << ReminderLayout::fileName(list) << "Zeile" << record.line() << "an Box"
                                      << message.box;
        panelText = message.panelText;
    }
    m_sender->panel()->showWhenSent(sent, panelText);
    return int(sent.size());
}
