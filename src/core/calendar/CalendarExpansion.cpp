#include "calendar/CalendarExpansion.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QTimeZone>

#include <libical/ical.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

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
    Zones() = default;
    // Takes a parsed VTIMEZONE over.
    void add(icalcomponent *vtimezone)
    {
        icaltimezone *zone = icaltimezone_new();
        if (!icaltimezone_set_component(zone, vtimezone)) {
            icaltimezone_free(zone, 1);
            icalcomponent_free(vtimezone);
            return;
        }
        const QString tzid = QString::fromUtf8(icaltimezone_get_tzid(zone));
        if (icaltimezone *before = m_own.value(tzid))
            icaltimezone_free(before, 1);
        m_own.insert(tzid, zone);
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

// Where one component of a calendar stands in the text.
struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
    int line = 0; // of its BEGIN, from 1
};

// One VCALENDAR of a text: its time zones and events, unparsed.
struct CalendarSpans {
    QList<Span> timezones;
    QList<Span> events;
};

// Whether line starts with word, in any case.
bool startsWith(QByteArrayView line, QByteArrayView word)
{
    return line.size() >= word.size() && qstrnicmp(line.data(), word.data(), word.size()) == 0;
}

bool isNamed(QByteArrayView line, qsizetype skip, QByteArrayView name)
{
    const QByteArrayView rest = line.sliced(skip).trimmed();
    return rest.size() == name.size() && qstrnicmp(rest.data(), name.data(), name.size()) == 0;
}

// The components of every VCALENDAR in ics, found by their BEGIN and END
// lines alone, so that each is parsed on its own when its turn comes and the
// whole text never stands as a tree.
QList<CalendarSpans> scan(const QByteArray &ics)
{
    enum class Open { Other, TimeZone, Event };
    QList<CalendarSpans> calendars;
    int depth = 0; // 1: inside a VCALENDAR
    Open open = Open::Other;
    Span span;
    int line = 0;
    const char *data = ics.constData();
    for (qsizetype at = 0; at < ics.size();) {
        const char *newline = static_cast<const char *>(std::memchr(data + at, '\n', ics.size() - at));
        const qsizetype next = newline ? newline - data + 1 : ics.size();
        const QByteArrayView text(data + at, next - at);
        ++line;
        if (startsWith(text, "BEGIN:")) {
            if (depth == 0 && isNamed(text, 6, "VCALENDAR")) {
                calendars.append(CalendarSpans());
                depth = 1;
            } else if (depth == 1) {
                open = isNamed(text, 6, "VEVENT") ? Open::Event
                    : isNamed(text, 6, "VTIMEZONE") ? Open::TimeZone
                                                    : Open::Other;
                span = Span{at, 0, line};
                depth = 2;
            } else if (depth > 1) {
                ++depth;
            }
        } else if (startsWith(text, "END:") && depth > 0) {
            if (--depth == 1 && open != Open::Other) {
                span.end = next;
                (open == Open::Event ? calendars.last().events : calendars.last().timezones) << span;
                open = Open::Other;
            }
        }
        at = next;
    }
    if (depth > 1 && open != Open::Other) { // cut off: what there is
        span.end = ics.size();
        (open == Open::Event ? calendars.last().events : calendars.last().timezones) << span;
    }
    return calendars;
}

// Whether the text of span holds word, in any case.
bool mentions(const QByteArray &ics, const Span &span, QByteArrayView word)
{
    const auto begin = ics.cbegin() + span.begin;
    const auto end = ics.cbegin() + span.end;
    return std::search(begin, end, word.begin(), word.end(), [](char a, char b) {
               return QChar::toUpper(uchar(a)) == QChar::toUpper(uchar(b));
           }) != end;
}

// One component parsed alone; buffer is reused, so that no copy of the
// whole text is made.
ComponentPtr parsed(const QByteArray &ics, const Span &span, std::string &buffer)
{
    buffer.assign(ics.constData() + span.begin, size_t(span.end - span.begin));
    return ComponentPtr(icalparser_parse_string(buffer.c_str()), &icalcomponent_free);
}

QString tooOften(const QString &summary)
{
    return QStringLiteral("Termin „%1“ wiederholt sich öfter als %2-mal am Tag und wird übergangen")
        .arg(summary)
        .arg(kMaxPerDay);
}

// Expands the events of one VCALENDAR, one at a time.
class EventExpander
{
public:
    EventExpander(const CalendarSource &source, qint64 from, qint64 to, TimeReader &times)
        : m_source(source), m_from(from), m_to(to), m_times(times)
    {
    }

    // An occurrence given by a RECURRENCE-ID of its own: its series leaves it out.
    void noteOverride(icalcomponent *e)
    {
        if (icalproperty *rid = icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY))
            m_overridden[QString::fromUtf8(icalcomponent_get_uid(e))].insert(
                keyOf(rid, icalproperty_get_recurrenceid(rid)));
    }

    // The reminders of one VEVENT into all, or a problem when it is refused.
    void expand(icalcomponent *e, QList<CalendarReminder> *all, QStringList *problems)
    {
        icalproperty *start = icalcomponent_get_first_property(e, ICAL_DTSTART_PROPERTY);
        if (!start || icalcomponent_get_status(e) == ICAL_STATUS_CANCELLED)
            return;
        const EventShape shape = shapeOf(e, m_times);
        const icaltimetype dtstart = icalproperty_get_dtstart(start);
        const Zone &zone = m_times.zoneOf(start);
        const bool utc = icaltime_is_utc(dtstart);
        // start of an occurrence from its wall-clock time in the event's zone
        const auto startOf = [&](qint64 wall) { return shape.allDay ? wall : utc ? wall : zone.instant(wall); };
        QList<CalendarReminder> own;
        if (icalcomponent_get_first_property(e, ICAL_RECURRENCEID_PROPERTY)) {
            occurrence(shape, startOf(wallSeconds(dtstart)), &own);
        } else {
            QSet<qint64> excluded = m_overridden.value(QString::fromUtf8(icalcomponent_get_uid(e)));
            for (icalproperty *x = icalcomponent_get_first_property(e, ICAL_EXDATE_PROPERTY); x;
                 x = icalcomponent_get_next_property(e, ICAL_EXDATE_PROPERTY))
                excluded.insert(keyOf(x, icalproperty_get_exdate(x)));
            QSet<qint64> starts; // wall-clock seconds in the event's zone (or UTC)
            if (!startsOf(e, shape, dtstart, zone, utc, &starts)) {
                *problems << tooOften(shape.summary);
                return;
            }
            for (const qint64 wall : std::as_const(starts)) {
                const qint64 s = startOf(wall);
                if (!excluded.contains(s))
                    occurrence(shape, s, &own);
            }
        }
        // The event alone over the bound on some day is refused, named.
        QMap<qint64, int> ownPerDay;
        for (const CalendarReminder &r : std::as_const(own)) {
            if (++ownPerDay[(r.due + m_times.local().offsetAt(r.due)) / kDay] > kMaxPerDay * int(m_source.boxes.size())) {
                *problems << tooOften(shape.summary);
                return;
            }
        }
        *all << own;
    }

private:
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

    qint64 keyOf(icalproperty *p, const icaltimetype &t) const
    {
        return t.is_date ? wallSeconds(t) : m_times.instant(t, m_times.zoneOf(p));
    }

    // The wall-clock starts of a series around the window: RRULE and RDATE.
    // False when it repeats more often than the bound allows.
    bool startsOf(icalcomponent *e, const EventShape &shape, const icaltimetype &dtstart, const Zone &zone, bool utc,
                  QSet<qint64> *starts) const
    {
        const qint64 wallFrom = m_from - kMargin - std::max<qint64>(shape.duration, 0);
        const qint64 wallTo = m_to + kMargin;
        icalproperty *rrule = icalcomponent_get_first_property(e, ICAL_RRULE_PROPERTY);
        if (!rrule) {
            starts->insert(wallSeconds(dtstart));
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
                bool tooMany = false;
                for (icaltimetype t = icalrecur_iterator_next(it); !icaltime_is_null_time(t);
                     t = icalrecur_iterator_next(it)) {
                    const qint64 wall = wallSeconds(t);
                    if (wall >= wallTo)
                        break;
                    if (wall < wallFrom)
                        continue;
                    starts->insert(wall);
                    if (starts->size() > limit) {
                        tooMany = true;
                        break;
                    }
                }
                icalrecur_iterator_free(it);
                if (tooMany)
                    return false;
            }
        }
        for (icalproperty *r = icalcomponent_get_first_property(e, ICAL_RDATE_PROPERTY); r;
             r = icalcomponent_get_next_property(e, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype d = icalproperty_get_rdate(r);
            const icaltimetype t = icaltime_is_null_time(d.time) ? d.period.start : d.time;
            // An RDATE in another zone than DTSTART: its own instant, as wall time of the event's zone.
            starts->insert(icaltime_is_utc(t) && !utc && !shape.allDay ? wallSeconds(t) + zone.offsetAt(wallSeconds(t))
                                                                       : wallSeconds(t));
        }
        return true;
    }

    const CalendarSource &m_source;
    qint64 m_from;
    qint64 m_to;
    TimeReader &m_times;
    QHash<QString, QSet<qint64>> m_overridden; // occurrences given by a RECURRENCE-ID, by UID
};

} // namespace

QString tooLarge(qint64 bytes)
{
    if (bytes <= kMaxBytes)
        return QString();
    return QStringLiteral("größer als 5 MB (%1 MB), nicht gelesen")
        .arg(QString::number(double(bytes) / (1024 * 1024), 'f', 1));
}

Result expand(const QByteArray &ics, const CalendarSource &source, qint64 from, qint64 to)
{
    Result result;
    result.refused = tooLarge(ics.size());
    if (!result.refused.isEmpty())
        return result;
    const QList<CalendarSpans> calendars = scan(ics);
    if (calendars.isEmpty()) {
        result.refused = QStringLiteral("kein iCalendar-Text (BEGIN:VCALENDAR fehlt)");
        return result;
    }
    for (const CalendarSpans &cal : calendars)
        result.events += int(cal.events.size());
    if (result.events > kMaxEvents) {
        result.refused = QStringLiteral("mehr als %1 Termine (%2), nicht gelesen").arg(kMaxEvents).arg(result.events);
        return result;
    }

    QSet<QString> unknownZones;
    QList<CalendarReminder> all;
    QList<int> unreadable; // the first lines of components with lines libical could not read
    int errors = 0;
    std::string buffer;
    const auto countErrors = [&](icalcomponent *c, const Span &span) {
        if (const int n = icalcomponent_count_errors(c)) {
            errors += n;
            unreadable << span.line;
        }
    };
    for (const CalendarSpans &cal : calendars) {
        Zones zones;
        for (const Span &span : cal.timezones) {
            ComponentPtr zone = parsed(ics, span, buffer);
            if (!zone || icalcomponent_isa(zone.get()) != ICAL_VTIMEZONE_COMPONENT)
                continue;
            countErrors(zone.get(), span);
            zones.add(zone.release());
        }
        TimeReader times(zones, unknownZones);
        EventExpander events(source, from, to, times);
        // The few overridden occurrences first, so that each series leaves them out.
        for (const Span &span : cal.events) {
            if (!mentions(ics, span, "RECURRENCE-ID"))
                continue;
            if (ComponentPtr e = parsed(ics, span, buffer); e && icalcomponent_isa(e.get()) == ICAL_VEVENT_COMPONENT)
                events.noteOverride(e.get());
        }
        for (const Span &span : cal.events) {
            const ComponentPtr e = parsed(ics, span, buffer);
            if (!e || icalcomponent_isa(e.get()) != ICAL_VEVENT_COMPONENT)
                continue;
            countErrors(e.get(), span);
            events.expand(e.get(), &all, &result.problems);
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
    if (errors) {
        QStringList lines;
        for (const int line : std::as_const(unreadable).mid(0, 10))
            lines << QString::number(line);
        if (unreadable.size() > 10)
            lines << QStringLiteral("…");
        result.problems << (errors == 1 ? QStringLiteral("1 Zeile nicht lesbar und übergangen")
                                        : QStringLiteral("%1 Zeilen nicht lesbar und übergangen").arg(errors))
                + QStringLiteral(" (%1 ab Zeile %2)")
                      .arg(unreadable.size() == 1 ? QStringLiteral("im Abschnitt") : QStringLiteral("in den Abschnitten"),
                           lines.join(QStringLiteral(", ")));
    }
    return result;
}

} // namespace CalendarExpansion
