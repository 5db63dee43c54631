#include "calendar/CalendarSource.h"

#include "common/BoxCount.h"
#include "common/ZelvoSettings.h"

#include <QFileInfo>
#include <QSet>

namespace {

// value when set, else the defaults' value.
QString either(const QString &value, const QString &fallback)
{
    return value.isEmpty() ? fallback : value;
}

// The keys of [KalenderN] over those of [Kalender] into source; what is
// wrong goes to problems and keeps the default.
void apply(CalendarSource &source, const ZelvoSettings::CalendarKeys &own, const ZelvoSettings::CalendarKeys &all,
           const QString &where, QStringList *problems)
{
    const auto wrong = [&](const char *key, const QString &value) {
        if (problems)
            *problems << QStringLiteral("%1: %2=\"%3\" gilt nicht, es gilt die Vorgabe")
                             .arg(where, QLatin1String(key), value);
    };
    if (const QString boxes = either(own.boxes, all.boxes); !boxes.isEmpty()) {
        QList<int> list;
        bool ok = true;
        for (const QChar c : boxes) {
            if (c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(';'))
                continue;
            const int box = c.digitValue();
            ok = ok && box >= 1 && box <= BoxCount::kBoxes;
            if (ok && !list.contains(box))
                list << box;
        }
        if (ok && !list.isEmpty())
            source.boxes = list;
        else
            wrong("Boxen", boxes);
    }
    if (const QString kind = either(own.kind, all.kind).toLower(); !kind.isEmpty()) {
        if (kind == QLatin1String("popup") || kind == QLatin1String("message"))
            source.kind = kind == QLatin1String("popup") ? MessageKind::Popup : MessageKind::Message;
        else
            wrong("Art", kind);
    }
    if (const QString confirm = either(own.confirm, all.confirm).toLower(); !confirm.isEmpty()) {
        if (confirm == QLatin1String("ja") || confirm == QLatin1String("nein"))
            source.confirm = confirm == QLatin1String("ja");
        else
            wrong("Bestaetigen", confirm);
    }
    if (const QString time = either(own.allDayTime, all.allDayTime); !time.isEmpty()) {
        const QTime t = QTime::fromString(time, QStringLiteral("HH:mm"));
        if (t.isValid())
            source.allDayTime = t;
        else
            wrong("Ganztags_Uhrzeit", time);
    }
    const auto number = [&](const char *key, const QString &value, int min, int *into) {
        if (value.isEmpty())
            return;
        bool ok = false;
        const int n = value.toInt(&ok);
        if (ok && n >= min && n <= 7 * 24 * 60)
            *into = n;
        else
            wrong(key, value);
    };
    number("Vorlauf_Minuten", either(own.leadMinutes, all.leadMinutes), 0, &source.leadMinutes);
    number("Abstand_Minuten", either(own.intervalMinutes, all.intervalMinutes), CalendarSource::kMinIntervalMinutes,
           &source.intervalMinutes);
}

} // namespace

bool CalendarSource::isSubscription() const
{
    return address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool CalendarSource::operator==(const CalendarSource &o) const
{
    return name == o.name && address == o.address && user == o.user && password == o.password && boxes == o.boxes
        && kind == o.kind && confirm == o.confirm && allDayTime == o.allDayTime && leadMinutes == o.leadMinutes
        && intervalMinutes == o.intervalMinutes;
}

QList<CalendarSource> CalendarSource::inFolder(const QDir &folder, const ZelvoSettings &settings,
                                               QStringList *problems)
{
    QList<CalendarSource> sources;
    const ZelvoSettings::CalendarKeys all = settings.calendarKeys(0);
    const ZelvoSettings::CalendarKeys none;
    QSet<QString> named; // files a section names already
    for (int n = 1; n <= ZelvoSettings::kCalendars; ++n) {
        const ZelvoSettings::CalendarKeys own = settings.calendarKeys(n);
        if (own.address.isEmpty())
            continue;
        CalendarSource source;
        source.address = own.address;
        // Hidden, so that it is not a calendar of the folder besides.
        source.keptCopy = folder.filePath(QStringLiteral(".kalender%1.ics").arg(n));
        if (!source.isSubscription()) {
            source.address = folder.absoluteFilePath(own.address);
            named << QFileInfo(source.address).absoluteFilePath();
        }
        source.name = either(own.name, QStringLiteral("Kalender %1").arg(n));
        source.user = own.login.user;
        source.password = own.login.password;
        apply(source, own, all, QStringLiteral("zelvo.ini [Kalender%1]").arg(n), problems);
        sources << source;
    }
    const QStringList files = folder.entryList({QStringLiteral("*.ics")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &file : files) {
        CalendarSource source;
        source.address = folder.absoluteFilePath(file);
        if (named.contains(QFileInfo(source.address).absoluteFilePath()))
            continue;
        source.name = file;
        apply(source, none, all, QStringLiteral("zelvo.ini [Kalender]"), problems);
        sources << source;
    }
    return sources;
}
