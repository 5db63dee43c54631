#pragma once

#include "calendar/CalendarReminder.h"
#include "calendar/CalendarSource.h"
#include "common/TextFile.h"
#include "common/ZelvoSettings.h"

#include <QDir>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <memory>

class CalendarFetcher;
class QThread;

// The reminders of every calendar of a folder for the days ahead, sorted by
// time, so that a check only looks up its second. The calendars are read
// and expanded again when a file or zelvo.ini changed, and once a day for
// the next days, on a thread of their own: a large calendar takes longer
// than a second, and the clock must not wait for it. Until the new table is
// there the old one reminds.
class CalendarTable : public QObject
{
    Q_OBJECT
public:
    // How far ahead the table reaches after each expansion.
    static constexpr qint64 kAheadSecs = 8 * 24 * 60 * 60;
    // How often poll() looks whether a calendar changed on disk.
    static constexpr qint64 kLookSecs = 10;

    // settings: zelvo.ini as the engine follows it (it tells the log of a
    // change, once).
    CalendarTable(const QDir &folder, ZelvoSettings *settings, QObject *parent = nullptr);
    ~CalendarTable() override;

    // Cheap and called at every check: every kLookSecs, looks at the files
    // and starts an expansion when something changed or the table runs
    // short (none while one is under way).
    void poll(qint64 now);
    // Waits for the expansion under way, if any, and takes its table.
    void finishWork();

    // The reminders due at second that were not taken before (each once,
    // whatever the clock does).
    QList<CalendarReminder> takeDue(qint64 second);
    // The reminders in [from, to) as far as the table reaches.
    QList<CalendarReminder> between(qint64 from, qint64 to) const;
    bool isEmpty() const { return m_reminders.isEmpty(); }
    // Whether a table was made yet (the first poll starts it).
    bool isMade() const { return m_reachesTo > 0; }
    int calendarCount() const { return m_calendarCount; }
    // What is wrong with the calendars now, one German line each, the
    // calendar's name first.
    QStringList problems() const;
    // The subscriptions that cannot be fetched now, one line each, as the
    // panel and the tray show them beside what the folder lacks.
    QString fetchNotice() const;
    // Fetches the subscriptions into their kept copies.
    CalendarFetcher *fetcher() const { return m_fetcher; }

    // Every calendar of folder expanded for [from, to) on this thread (for
    // zelvo-check and the like). problems as above.
    static QList<CalendarReminder> expandAll(const QDir &folder, qint64 from, qint64 to,
                                             QStringList *problems = nullptr);

signals:
    // A new table is in place.
    void tableChanged();
    // fetchNotice() changed.
    void noticeChanged(const QString &notice);

private:
    struct Work;
    QList<TextFile::Identity> identities(const QList<CalendarSource> &sources) const;
    void start(qint64 now);
    void take();

    void fetchDue(qint64 now);

    QDir m_folder;
    ZelvoSettings *m_settings; // read again only when zelvo.ini changed
    CalendarFetcher *m_fetcher;
    QList<CalendarSource> m_sources; // as last looked at
    QHash<QString, qint64> m_nextFetch; // by address
    qint64 m_nextLook = 0;
    qint64 m_reachesTo = 0; // the end of the current table's window
    // The first table came late: what fell due while it was made goes with
    // the next second (-1: nothing waits).
    qint64 m_lateFrom = -1;
    QList<TextFile::Identity> m_read; // what the table was made of
    bool m_changedMeanwhile = false;
    QList<CalendarReminder> m_reminders;
    QStringList m_problems;
    QString m_notice; // fetchNotice() as last told
    int m_calendarCount = 0;
    QSet<QString> m_taken; // keys of reminders sent, for about two days
    QList<QPair<qint64, QString>> m_takenOrder;
    QThread *m_thread = nullptr;
    quint64 m_started = 0; // expansions started, to know a finished one's own
    std::shared_ptr<Work> m_work;
};
