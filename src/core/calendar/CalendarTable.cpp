#include "calendar/CalendarTable.h"

#include "calendar/CalendarExpansion.h"
#include "calendar/CalendarFetcher.h"
#include "common/Logging.h"
#include "common/ZelvoSettings.h"

#include <QDateTime>
#include <QFile>
#include <QThread>

#include <algorithm>

namespace {

constexpr qint64 kDay = 24 * 60 * 60;
// A table is made again when it reaches less far ahead than this.
constexpr qint64 kRemakeSecs = kDay * 7;
// Reminders sent are remembered this long: a clock set back by less never
// brings one again.
constexpr qint64 kRememberSecs = 2 * kDay;
// The window starts a little before now, so that the clock's catch-up
// after a late tick still finds what was due.
constexpr qint64 kBehindSecs = 120;

QString keyOf(const CalendarReminder &r)
{
    return QString::number(r.due) + QLatin1Char('\n') + QString::number(r.box) + QLatin1Char('\n') + r.source
        + QLatin1Char('\n') + r.message.text;
}

// One calendar read and expanded; problems get its name in front.
QList<CalendarReminder> expandOne(const CalendarSource &source, qint64 from, qint64 to, QStringList *problems)
{
    const QString prefix = QStringLiteral("Kalender %1: ").arg(source.name);
    // A subscription reminds from its kept copy; none before its first fetch.
    if (source.isSubscription() && !QFile::exists(source.keptCopy))
        return {};
    QFile file(source.isSubscription() ? source.keptCopy : source.address);
    // Refused before it is read.
    if (const QString refused = CalendarExpansion::tooLarge(file.size()); !refused.isEmpty()) {
        *problems << prefix + refused;
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *problems << prefix + QStringLiteral("nicht lesbar: %1").arg(file.errorString());
        return {};
    }
    // As much as the file holds (one more byte, should it have grown over the bound).
    const QByteArray bytes = file.read(std::min(file.size(), CalendarExpansion::kMaxBytes) + 1);
    const CalendarExpansion::Result result = CalendarExpansion::expand(bytes, source, from, to);
    if (!result.refused.isEmpty())
        *problems << prefix + result.refused;
    for (const QString &p : result.problems)
        *problems << prefix + p;
    return result.reminders;
}

} // namespace

struct CalendarTable::Work {
    QList<CalendarSource> sources;
    qint64 from = 0;
    qint64 to = 0;
    QList<CalendarReminder> reminders;
    QStringList problems;
};

CalendarTable::CalendarTable(const QDir &folder, ZelvoSettings *settings, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_settings(settings)
    , m_fetcher(new CalendarFetcher(this))
{
    // A new copy is read at the next poll; a fetch's problem is told at once.
    connect(m_fetcher, &CalendarFetcher::fetched, this, [this] {
        m_nextLook = 0;
        if (const QString notice = fetchNotice(); notice != m_notice)
            emit noticeChanged(m_notice = notice);
    });
}

CalendarTable::~CalendarTable()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

QList<TextFile::Identity> CalendarTable::identities(const QList<CalendarSource> &sources) const
{
    QList<TextFile::Identity> ids{TextFile::identityOf(m_folder.filePath(ZelvoSettings::kFileName))};
    for (const CalendarSource &s : sources)
        ids << TextFile::identityOf(s.isSubscription() ? s.keptCopy : s.address);
    return ids;
}

void CalendarTable::poll(qint64 now)
{
    if (m_thread && m_thread->isFinished())
        take();
    if (now < m_nextLook && now >= m_nextLook - kLookSecs)
        return;
    m_nextLook = now + kLookSecs;
    if (m_thread)
        return; // looked at again when it is done
    start(now);
    fetchDue(now);
}

void CalendarTable::fetchDue(qint64 now)
{
    for (const CalendarSource &s : std::as_const(m_sources)) {
        if (!s.isSubscription())
            continue;
        qint64 &next = m_nextFetch[s.address];
        // Also when the clock was set back by more than an interval.
        if (now >= next || next - now > qint64(s.intervalMinutes) * 60) {
            next = now + qint64(s.intervalMinutes) * 60;
            m_fetcher->fetch(s, QDateTime::fromSecsSinceEpoch(now));
        }
    }
}

QStringList CalendarTable::problems() const
{
    QStringList all = m_problems;
    if (const QString notice = fetchNotice(); !notice.isEmpty())
        all << notice.split(QLatin1Char('\n'));
    return all;
}

QString CalendarTable::fetchNotice() const
{
    QStringList lines;
    for (const CalendarSource &s : m_sources)
        if (const QString p = m_fetcher->problem(s); !p.isEmpty())
            lines << p;
    return lines.join(QLatin1Char('\n'));
}

void CalendarTable::start(qint64 now)
{
    QStringList problems;
    m_settings->check(); // read again only when it changed
    const QList<CalendarSource> sources = CalendarSource::inFolder(m_folder, *m_settings, &problems);
    m_sources = sources;
    QList<TextFile::Identity> ids = identities(sources);
    // The sources' names and settings are part of what the table was made of.
    TextFile::Identity listing;
    listing.size = qHash(sources.size());
    for (const CalendarSource &s : sources)
        listing.inode = qHashMulti(listing.inode, s.name, s.address);
    ids << listing;
    if (ids == m_read && m_reachesTo - now >= kRemakeSecs)
        return;
    const qint64 readAtNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    m_read = ids;
    for (TextFile::Identity &id : m_read) {
        if (id.size >= 0 && !id.settledAt(readAtNs))
            id.size = -2; // looked at again next time: it may change again unseen
    }

    auto work = std::make_shared<Work>();
    work->sources = sources;
    work->from = now - kBehindSecs;
    work->to = now + kAheadSecs;
    work->problems = problems;
    m_work = work;
    m_thread = QThread::create([work] {
        for (const CalendarSource &source : std::as_const(work->sources))
            work->reminders << expandOne(source, work->from, work->to, &work->problems);
        std::stable_sort(work->reminders.begin(), work->reminders.end());
    });
    // Taken as soon as it is done, not at the next check: a service that
    // wakes only at the lists' seconds learns from tableChanged() that a
    // calendar needs every second.
    const quint64 started = ++m_started;
    connect(m_thread, &QThread::finished, this, [this, started] {
        if (!m_thread || m_started != started)
            return; // taken already
        m_thread->wait();
        take();
    });
    m_thread->start(QThread::LowPriority);
}

void CalendarTable::finishWork()
{
    if (!m_thread)
        return;
    m_thread->wait();
    take();
}

void CalendarTable::take()
{
    delete m_thread;
    m_thread = nullptr;
    const std::shared_ptr<Work> work = std::move(m_work);
    if (m_reachesTo == 0)
        m_lateFrom = work->from + kBehindSecs;
    m_reminders = work->reminders;
    m_reachesTo = work->to;
    m_calendarCount = int(work->sources.size());
    if (work->problems != m_problems) {
        for (const QString &p : std::as_const(work->problems))
            if (!m_problems.contains(p))
                qCWarning(lcReminders).noquote() << p;
    }
    m_problems = work->problems;
    emit tableChanged();
}

QList<CalendarReminder> CalendarTable::takeDue(qint64 second)
{
    while (!m_takenOrder.isEmpty() && m_takenOrder.first().first < second - kRememberSecs)
        m_taken.remove(m_takenOrder.takeFirst().second);
    QList<CalendarReminder> due;
    CalendarReminder probe;
    probe.due = m_lateFrom >= 0 && m_lateFrom <= second ? m_lateFrom : second;
    m_lateFrom = -1;
    for (auto it = std::lower_bound(m_reminders.cbegin(), m_reminders.cend(), probe);
         it != m_reminders.cend() && it->due <= second; ++it) {
        const QString key = keyOf(*it);
        if (m_taken.contains(key))
            continue;
        m_taken.insert(key);
        m_takenOrder.append({second, key});
        due << *it;
    }
    return due;
}

QList<CalendarReminder> CalendarTable::between(qint64 from, qint64 to) const
{
    CalendarReminder probe;
    probe.due = from;
    QList<CalendarReminder> found;
    for (auto it = std::lower_bound(m_reminders.cbegin(), m_reminders.cend(), probe);
         it != m_reminders.cend() && it->due < to; ++it)
        found << *it;
    return found;
}

QList<CalendarReminder> CalendarTable::expandAll(const QDir &folder, qint64 from, qint64 to, QStringList *problems)
{
    QStringList found;
    const QList<CalendarSource> sources = CalendarSource::inFolder(folder, ZelvoSettings(folder), &found);
    QList<CalendarReminder> all;
    for (const CalendarSource &source : sources)
        all << expandOne(source, from, to, &found);
    std::stable_sort(all.begin(), all.end());
    if (problems)
        *problems = found;
    return all;
}
