#include "calendar/CalendarExpansion.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace CalendarExpansion {

namespace {

constexpr qint64 kDay = 24 * 60 * 60;
// Occurrences starting this far around the window are looked at, so that an
// alarm days before its event (or an event days long) is found.
constexpr qint64 kMargin = 8 * kDay;
constexpr qint64 kUnixEpochJulianDay = 2440588;

using ComponentPtr = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// A wall-clock time as seconds, as if it were UTC.
qint64 wallSeconds(const icaltimetype &t)
{
    return (QDate(t.year, t.month, t.day).toJulianDay() - kUnixEpochJulianDay) * kDay + t.hour * 3600
        + t.minute * 60 + t.second;
}

icaltimetype wallTime(qint64 wall)
{
    const QDateTime d = QDateTime::fromSecsSinceEpoch(wall, QTimeZone::utc());
    icaltimetype t = icaltime_null_time();
    t.year = d.date().year();
    t.month = d.date().month();
    t.day = d.date().day();
    t.hour = d.time().hour();
    t.minute = d.time().minute();
    t.second = d.time().second();
    return t;
}

// The instant of a local wall-clock second in a zone given by its offset
// from UTC at each instant: a time in a gap goes with the offset before it,
// a doubled time at its first occurrence.
qint64 instantOf(qint64 wall, const std::function<int(qint64)> &offsetAt)
{
    const int before = offsetAt(wall - kDay);
    const int after = offsetAt(wall + kDay);
    const qint64 first = wall - before;
    const qint64 second = wall - after;
    const bool firstFits = offsetAt(first) == before;
    const bool secondFits = offsetAt(second) == after;
    if (firstFits && secondFits)
        return std::min(first, second);
    if (secondFits)
        return second;
    return first; // fits, or a gap: the offset before it
}

// A time zone as named by a TZID.
class Zone
{
public:
    Zone() = default;
    explicit Zone(const QTimeZone &zone) : m_qt(zone) {}
    explicit Zone(icaltimezone *zone) : m_ical(zone) {}

    int offsetAt(qint64 utc) const
    {
        if (m_ical) {
            icaltimetype t = wallTime(utc);
            t.zone = icaltimezone_get_utc_timezone();
            int dst = 0;
            return icaltimezone_get_utc_offset_of_utc_time(m_ical, &t, &dst);
        }
        return m_qt.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utc, QTimeZone::utc()));
    }
    qint64 instant(qint64 wall) const
    {
        return instantOf(wall, [this](qint64 utc) { return offsetAt(utc); });
    }

private:
    QTimeZone m_qt = QTimeZone::systemTimeZone();
    icaltimezone *m_ical = nullptr; // owned by the Zones
};

// The zones a calendar names: the system's by IANA name, its own VTIMEZONEs.
class Zones
{
public:
    explicit Zones(icalcomponent *calendar)
    {
        for (icalcomponent *c = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); c;
             c = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
            icaltimezone *zone = icaltimezone_new();
            if (!icaltimezone_set_component(zone, icalcomponent_new_clone(c))) {
                icaltimezone_free(zone, 1);
                continue;
            }
            m_own.insert(QString::fromUtf8(icaltimezone_get_tzid(zone)), zone);
        }
    }
    ~Zones()
    {
        for (icaltimezone *zone : std::as_const(m_own))
            icaltimezone_free(zone, 1);
    }
    Zones(const Zones &) = delete;
    Zones &operator=(const Zones &) = delete;

    // Null when the name is known nowhere.
    const Zone *find(const QString &tzid)
    {
        auto it = m_found.find(tzid);
        if (it != m_found.end())
            return it->second.get();
        std::unique_ptr<Zone> zone;
        // Exporters prefix IANA names ("/freeassociation.sourceforge.net/Europe/Berlin").
        QString iana = tzid;
        if (iana.startsWith(QLatin1Char('/')))
            iana = iana.section(QLatin1Char('/'), -2);
        if (QTimeZone::isTimeZoneIdAvailable(iana.toUtf8()))
            zone = std::make_unique<Zone>(QTimeZone(iana.toUtf8()));
        else if (icaltimezone *own = m_own.value(tzid))
            zone = std::make_unique<Zone>(own);
        return m_found.emplace(tzid, std::move(zone)).first->second.get();
    }

private:
    QHash<QString, icaltimezone *> m_own;
    std::map<QString, std::unique_ptr<Zone>> m_found;
};

// Reads the times of one calendar into instants.
class TimeReader
{
public:
    TimeReader(Zones &zones, QSet<QString> &unknown) : m_zones(zones), m_unknown(unknown) {}

    // The zone a property's TZID names; the local one for none or unknown ones.
    const Zone &zoneOf(icalproperty *p)
    {
        icalparameter *tzid = p ? icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER) : nullptr;
        if (!tzid)
            return m_local;
        const QString name = QString::fromUtf8(icalparameter_get_tzid(tzid));
        if (const Zone *zone = m_zones.find(name))
            return *zone;
        m_unknown.insert(name);
        return m_local;
    }
    qint64 instant(const icaltimetype &t, const Zone &zone) const
    {
        if (icaltime_is_utc(t))
            return wallSeconds(t);
        return zone.instant(wallSeconds(t));
    }
    const Zone &local() const { return m_local; }

private:
    Zones &m_zones;
    QSet<QString> &m_unknown;
    Zone m_local;
};

QString summaryOf(icalcomponent *event)
{
    const char *s = icalcomponent_get_summary(event);
    return s ? QString::fromUtf8(s) : QString();
}

struct Alarm {
    bool absolute = false;
    qint64 at = 0;         // absolute: the instant
    qint64 offset = 0;     // relative: seconds after the start or end
    bool fromEnd = false;
};

struct EventShape {
    icalcomponent *event = nullptr;
    bool allDay = false;
    qint64 duration = 0; // seconds
    QList<Alarm> alarms;
    QString summary;
};

EventShape shapeOf(icalcomponent *event, TimeReader &times)
{
    EventShape shape;
    shape.event = event;
    shape.summary = summaryOf(event);
    icalproperty *start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    const icaltimetype dtstart = icalproperty_get_dtstart(start);
    shape.allDay = dtstart.is_date;
    if (icalproperty *end = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
        const icaltimetype dtend = icalproperty_get_dtend(end);
        shape.duration = dtend.is_date || shape.allDay ? wallSeconds(dtend) - wallSeconds(dtstart)
                                                       : times.instant(dtend, times.zoneOf(end))
                - times.instant(dtstart, times.zoneOf(start));
    } else if (icalproperty *d = icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
        shape.duration = icaldurationtype_as_int(icalproperty_get_duration(d));
    }
    for (icalcomponent *a = icalcomponent_get_first_component(event, ICAL_VALARM_COMPONENT); a;
         a = icalcomponent_get_next_component(event, ICAL_VALARM_COMPONENT)) {
        icalproperty *trigger = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
        if (!trigger)
            continue;
        const icaltriggertype t = icalproperty_get_trigger(trigger);
        Alarm alarm;
        if (!icaltime_is_null_time(t.time)) {
            alarm.absolute = true;
            alarm.at = times.instant(t.time, times.zoneOf(trigger));
        } else {
            alarm.offset = icaldurationtype_as_int(t.duration);
            icalparameter *related = icalproperty_get_first_parameter(trigger, ICAL_RELATED_PARAMETER);
            alarm.fromEnd = related && icalparameter_get_related(related) == ICAL_RELATED_END;
        }
        shape.alarms << alarm;
    }
    return shape;
}

// Collects the reminders of a calendar in the window.
class Collector
{
public:
    Collector(const CalendarSource &source, qint64 from, qint64 to, TimeReader &times)
        : m_source(source), m_from(from), m_to(to), m_times(times)
    {
    }

    // The reminders of one occurrence: start is its instant (timed) or the
    // wall-clock second of its first day (all-day).
    void occurrence(const EventShape &shape, qint64 start, QList<CalendarReminder> *into) const
    {
        QString text = shape.summary;
        qint64 instant = start;
        if (shape.allDay) {
            instant = m_times.local().instant(start + m_source.allDayTime.msecsSinceStartOfDay() / 1000);
        } else {
            text = QDateTime::fromSecsSinceEpoch(start).toString(QStringLiteral("HH:mm ")) + text;
        }
        QList<qint64> dues;
        if (shape.alarms.isEmpty())
            dues << instant - qint64(m_source.leadMinutes) * 60;
        for (const Alarm &a : shape.alarms) {
            // An all-day event's start and end are local midnights.
            const qint64 base = shape.allDay ? m_times.local().instant(start) : start;
            dues << (a.absolute ? a.at : base + a.offset + (a.fromEnd ? shape.duration : 0));
        }
        for (const qint64 due : std::as_const(dues)) {
            if (due < m_from || due >= m_to)
                continue;
            for (const int box : m_source.boxes)
                *into << CalendarReminder{due, box, {m_source.kind, text, m_source.confirm}, m_source.name};
        }
    }

private:
    const CalendarSource &m_source;
    qint64 m_from;
    qint64 m_to;
    TimeReader &m_times;
};

} // namespace

Result expand(const QByteArray &ics, const CalendarSource &source, qint64 from, qint64 to)
{
    Result result;
    if (ics.size() > kMaxBytes) {
        result.refused = QStringLiteral("größer als 5 MB (%1 MB), nicht gelesen")
                             .arg(QString::number(double(ics.size()) / (1024 * 1024), 'f', 1));
        return result;
    }
    ComponentPtr root(icalparser_parse_string(ics.constData()), &icalcomponent_free);
    if (!root) {
        result.refused = QStringLiteral("kein iCalendar-Text (BEGIN:VCALENDAR fehlt)");
        return result;
    }
    // Several calendars in one text come wrapped in an XROOT.
    QList<icalcomponent *> calendars;
    if (icalcomponent_isa(root.get()) == ICAL_VCALENDAR_COMPONENT) {
        calendars << root.get();
    } else {
        for (icalcomponent *c = icalcomponent_get_first_component(root.get(), ICAL_VCALENDAR_COMPONENT); c;
             c = icalcomponent_get_next_component(root.get(), ICAL_VCALENDAR_COMPONENT))
            calendars << c;
    }
    if (calendars.isEmpty()) {
        result.refused = QStringLiteral("kein iCalendar-Text (BEGIN:VCALENDAR fehlt)");
        return result;
    }
    for (icalcomponent *cal : std::as_const(calendars))
        result.events += icalcomponent_count_components(cal, ICAL_VEVENT_COMPONENT);
    if (result.events > kMaxEvents) {
        result.refused = QStringLiteral("mehr als %1 Termine (%2), nicht gelesen").arg(kMaxEvents).arg(result.events);
        return result;
    }

    QSet<QString> unknownZones;
    QList<CalendarReminder> all;
    for (icalcomponent *cal : std::as_const(calendars)) {
        Zones zones(cal);
        TimeReader times(zones, unknownZones);
        const Collector collect(source, from, to, times);

        // Overridden occurrences by UID, keyed like the generated ones.
        QHash<QString, QSet<qint64>> overridden;
        const auto keyOf = [&](icalproperty *p, const icaltimetype &t) {
            return t.is_date ? wallSeconds(t) : times.instant(t, times.zoneOf(p));
        };
        for (icalcomponent *e = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
            if (icalproperty *rid = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY))
                overridden[QString::fromUtf8(icalcomponent_get_uid(e))].insert(
                    keyOf(rid, icalproperty_get_recurrenceid(rid)));
        }

        for (icalcomponent *e = icalcomponent_get_first_component(cal, ICAL_VEVENT_COMPONENT); e;
             e = icalcomponent_get_next_component(cal, ICAL_VEVENT_COMPONENT)) {
            icalproperty *start = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
            if (!start || icalcomponent_get_status(e) == ICAL_STATUS_CANCELLED)
                continue;
            const EventShape shape = shapeOf(e, times);
            const icaltimetype dtstart = icalproperty_get_dtstart(start);
            const Zone &zone = times.zoneOf(start);
            const bool utc = icaltime_is_utc(dtstart);
            // start of an occurrence from its wall-clock time in the event's zone
            const auto startOf = [&](qint64 wall) {
                return shape.allDay ? wall : utc ? wall : zone.instant(wall);
            };
            QList<CalendarReminder> own;
            if (icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
                collect.occurrence(shape, startOf(wallSeconds(dtstart)), &own);
            } else {
                const QSet<qint64> skip = overridden.value(QString::fromUtf8(icalcomponent_get_uid(e)));
                QSet<qint64> excluded = skip;
                for (icalproperty *x = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); x;
                     x = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY))
                    excluded.insert(keyOf(x, icalproperty_get_exdate(x)));
                QSet<qint64> starts; // wall-clock seconds in the event's zone (or UTC)
                const qint64 wallFrom = from - kMargin - std::max<qint64>(shape.duration, 0);
                const qint64 wallTo = to + kMargin;
                bool tooMany = false;
                icalproperty *rrule = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY);
                if (!rrule) {
                    starts.insert(wallSeconds(dtstart));
                } else {
                    icalrecurrencetype rule = icalproperty_get_rrule(rrule);
                    // UNTIL in UTC against wall-clock iteration: as the event's wall clock.
                    if (!icaltime_is_null_time(rule.until) && icaltime_is_utc(rule.until) && !utc && !shape.allDay) {
                        const qint64 u = wallSeconds(rule.until);
                        rule.until = wallTime(u + zone.offsetAt(u));
                    }
                    icaltimetype first = dtstart;
                    first.zone = nullptr;
                    icalrecur_iterator *it = icalrecur_iterator_new(rule, first);
                    if (it) {
                        if (rule.count == 0 && wallFrom > wallSeconds(dtstart)) {
                            icaltimetype begin = wallTime(wallFrom);
                            begin.is_date = dtstart.is_date;
                            icalrecur_iterator_set_start(it, begin);
                        }
                        // Bounded: more than kMaxPerDay a day over the window refuses the event.
                        const qint64 limit = qint64(kMaxPerDay) * ((wallTo - wallFrom) / kDay + 1);
                        for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t);
                             t = icalrecur_iterator_next(it)) {
                            const qint64 wall = wallSeconds(t);
                            if (wall >= wallTo)
                                break;
                            if (wall < wallFrom)
                                continue;
                            starts.insert(wall);
                            if (starts.size() > limit) {
                                tooMany = true;
                                break;
                            }
                        }
                        icalrecur_iterator_free(it);
                    }
                }
                for (icalproperty *r = icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY); r;
                     r = icalcomponent_get_next_property(e, ICAL_RDATE_PROPERTY)) {
                    const icaldatetimeperiodtype d = icalproperty_get_rdate(r);
                    const icaltimetype t = icaltime_is_null_time(d.time) ? d.period.start : d.time;
                    // An RDATE in another zone than DTSTART: its own instant, as wall time of the event's zone.
                    const qint64 wall = icaltime_is_utc(t) && !utc && !shape.allDay
                        ? wallSeconds(t) + zone.offsetAt(wallSeconds(t))
                        : wallSeconds(t);
                    starts.insert(wall);
                }
                if (tooMany) {
                    result.problems << QStringLiteral("Termin „%1“ wiederholt sich öfter als %2-mal am Tag und "
                                                      "wird übergangen")
                                           .arg(shape.summary)
                                           .arg(kMaxPerDay);
                    continue;
                }
                for (const qint64 wall : std::as_const(starts)) {
                    const qint64 s = startOf(wall);
                    if (!excluded.contains(s))
                        collect.occurrence(shape, s, &own);
                }
            }
            // The event alone over the bound on some day is refused, named.
            QMap<qint64, int> ownPerDay;
            bool over = false;
            for (const CalendarReminder &r : std::as_const(own))
                over = over || ++ownPerDay[(r.due + times.local().offsetAt(r.due)) / kDay] > kMaxPerDay * int(source.boxes.size());
            if (over) {
                result.problems << QStringLiteral("Termin „%1“ wiederholt sich öfter als %2-mal am Tag und "
                                                  "wird übergangen")
                                       .arg(shape.summary)
                                       .arg(kMaxPerDay);
                continue;
            }
            all << own;
        }
    }
    std::stable_sort(all.begin(), all.end());
    // At most kMaxPerDay per local day and box for the whole calendar.
    QHash<QPair<qint64, int>, int> count;
    bool cut = false;
    const Zone local;
    for (const CalendarReminder &r : std::as_const(all)) {
        if (++count[{(r.due + local.offsetAt(r.due)) / kDay, r.box}] > kMaxPerDay) {
            cut = true;
            continue;
        }
        result.reminders << r;
    }
    if (cut)
        result.problems << QStringLiteral("mehr als %1 Erinnerungen an einem Tag: die späteren entfallen")
                               .arg(kMaxPerDay);
    for (const QString &zone : std::as_const(unknownZones))
        result.problems << QStringLiteral("unbekannte Zeitzone „%1“: gilt als Ortszeit").arg(zone);
    if (const int errors = icalcomponent_count_errors(root.get()))
        result.problems << QStringLiteral("%1 Zeilen nicht lesbar und übergangen").arg(errors);
    return result;
}

} // namespace CalendarExpansion
