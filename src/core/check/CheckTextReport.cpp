#include "check/CheckTextReport.h"

#include "boxes/ProtocolChoice.h"
#include "check/FolderCheck.h"
#include "common/BoxStateText.h"
#include "common/ZelvoSettings.h"
#include "calendar/CalendarTable.h"

#include <QStringList>

namespace {

// The file's text goes to a terminal: no control characters but line breaks.
QString printable(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        if (c != QLatin1Char('\n') && c != QLatin1Char('\t') && c.category() == QChar::Other_Control)
            c = QLatin1Char('?');
    return out;
}

QString weekdayShort(const QDate &d)
{
    static const char *const kNames[7] = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
    const int day = d.dayOfWeek();
    return day >= 1 && day <= 7 ? QLatin1String(kNames[day - 1]) : QString();
}

// In the hour that repeats when daylight saving time ends, the offset tells
// the two passes apart.
bool wallTimeRepeats(const QDateTime &t)
{
    const qint64 s = t.toSecsSinceEpoch();
    for (const qint64 shift : {-3600, 3600}) {
        const QDateTime other = QDateTime::fromSecsSinceEpoch(s + shift);
        if (other.date() == t.date() && other.time() == t.time())
            return true;
    }
    return false;
}

QString when(const QDateTime &t)
{
    QString s = weekdayShort(t.date()) + QLatin1Char(' ') + t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    if (wallTimeRepeats(t)) {
        const int minutes = t.offsetFromUtc() / 60;
        s += QStringLiteral(" (UTC%1%2:%3)")
                 .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                 .arg(qAbs(minutes) / 60, 2, 10, QLatin1Char('0'))
                 .arg(qAbs(minutes) % 60, 2, 10, QLatin1Char('0'));
    }
    return s;
}

QString plural(int n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

QString boxLine(const FolderCheck &c)
{
    const QString name = BoxListFile::kFileName;
    switch (c.boxes.status) {
    case TextFile::Status::Unreadable:
        return name + QStringLiteral(" kann nicht gelesen werden: ") + c.boxes.error;
    case TextFile::Status::Missing:
        return name + QStringLiteral(" fehlt: keine Box ist eingerichtet");
    case TextFile::Status::Ok:
        break;
    }
    QStringList boxes;
    for (int b = 1; b <= BoxList::kBoxes; ++b) {
        const QString address = c.boxes.boxes.address(b).trimmed();
        boxes << QStringLiteral("Box %1 %2")
                     .arg(b)
                     .arg(c.boxes.boxes.namesAddress(b) ? printable(address) : QStringLiteral("nicht eingerichtet"));
    }
    return name + QStringLiteral(": ") + boxes.join(QStringLiteral(", "));
}

QString listHeading(const ReminderListCheck &l)
{
    const QString name = ReminderLayout::fileName(l.list);
    switch (l.file.status) {
    case TextFile::Status::Unreadable:
        return name + QStringLiteral(" kann nicht gelesen werden: ") + l.file.error;
    case TextFile::Status::Missing:
        if (!l.misnamedAs.isEmpty())
            return name + QStringLiteral(" fehlt, aber da ist \"%1\": Zelvo liest diese Datei nicht – "
                                         "bitte in %2 umbenennen")
                              .arg(printable(l.misnamedAs), name);
        return name + QStringLiteral(" fehlt (eine leere Liste)");
    case TextFile::Status::Ok:
        break;
    }
    QString s = name + QStringLiteral(": ") + plural(l.lines, "Zeile", "Zeilen");
    if (l.findings.isEmpty() && l.lines > 0)
        s += l.lines == 1 ? QStringLiteral(", in Ordnung") : QStringLiteral(", alle in Ordnung");
    return s;
}

// One reminder of the preview: its head and kind, then what the box shows,
// each line behind a bar.
QString previewEntry(const QString &head, MessageKind kind, const QString &shown)
{
    QString s = head + QStringLiteral("  ")
        + (kind == MessageKind::Popup ? QStringLiteral("Popup") : QStringLiteral("Meldung")) + QLatin1Char('\n');
    for (const QString &line : printable(shown).split(QLatin1Char('\n')))
        s += QStringLiteral("    | ") + line + QLatin1Char('\n');
    return s;
}

QString dueEntry(const FolderCheck &c, const DueReminder &d)
{
    const int box = d.reminder.box;
    const QString address = c.boxes.boxes.address(box).trimmed();
    const bool configured = c.boxes.boxes.namesAddress(box);
    const QString head = when(d.at) + QStringLiteral("  ") + ReminderLayout::fileName(d.list)
        + QStringLiteral(" Zeile %1  Box %2").arg(d.record.line()).arg(box)
        + (configured ? QStringLiteral(" (%1)").arg(printable(address))
                      : QStringLiteral(" (nicht eingerichtet: wird nicht gesendet)"));
    const ProtocolChoice protocols;
    const BoxProtocol &protocol = protocols.unasked();
    return previewEntry(head, d.reminder.message.kind,
                        protocol.shownText(protocol.preview(d.reminder.message, BoxProtocol::Assumed::Current).get));
}

} // namespace

QString CheckTextReport::of(const FolderCheck &c)
{
    QString out = QStringLiteral("Prüfung der Erinnerungslisten in %1, Stand %2\n\n")
                      .arg(printable(c.folderPath), c.now.isValid() ? when(c.now) : QString());
    if (!c.folderError.isEmpty())
        return out + QStringLiteral("Der Ordner %1 %2.\n").arg(printable(c.folderPath), c.folderError);

    out += boxLine(c) + QLatin1Char('\n');
    for (int b = 1; b <= BoxList::kBoxes; ++b) {
        if (!c.addressRefusals[b - 1].isEmpty())
            out += QStringLiteral("  %1 wird nie angesprochen: %2\n")
                       .arg(BoxStateText::boxName(b, QString(), printable(c.boxes.boxes.address(b).trimmed())),
                            c.addressRefusals[b - 1]);
    }
    for (const QString &w : c.settingsWarnings)
        out += ZelvoSettings::kFileName + QStringLiteral(": ") + printable(w) + QLatin1Char('\n');
    for (const ReminderListCheck &l : c.lists) {
        out += listHeading(l) + QLatin1Char('\n');
        for (const QString &w : l.file.warnings)
            out += QStringLiteral("  Warnung: ") + printable(w) + QLatin1Char('\n');
        for (const CheckFinding &f : l.findings)
            out += QStringLiteral("  ") + f.text() + QLatin1Char('\n');
    }
    // The calendars, read as Zelvo reads them, for a week ahead.
    constexpr int kCalendarDays = 7;
    QStringList calendarProblems;
    QList<CalendarReminder> calendarDue = CalendarTable::expandAll(
        QDir(c.folderPath), c.now.toSecsSinceEpoch(), c.now.addDays(kCalendarDays).toSecsSinceEpoch(), &calendarProblems);
    if (calendarDue.size() > FolderCheck::kDueCount)
        calendarDue.resize(FolderCheck::kDueCount);
    for (const QString &p : std::as_const(calendarProblems))
        out += QStringLiteral("  ") + printable(p) + QLatin1Char('\n');
    out += QLatin1Char('\n');
    if (c.anyUnreadable())
        out += QStringLiteral("Nicht alle Dateien konnten gelesen werden. ");
    if (c.misnamedLists() > 0)
        out += c.misnamedLists() == 1 ? QStringLiteral("1 Liste ist falsch benannt und wird nicht gelesen. ")
                                      : QStringLiteral("%1 Listen sind falsch benannt und werden nicht gelesen. ")
                                            .arg(c.misnamedLists());
    if (c.noBoxConfigured())
        out += QStringLiteral("Keine Box ist eingerichtet: keine Zeile kann gesendet werden");
    else if (c.neverFiring() == 0)
        out += QStringLiteral("Jede Zeile kann gesendet werden");
    else
        out += c.neverFiring() == 1 ? QStringLiteral("1 Zeile wird nie gesendet")
                                    : QStringLiteral("%1 Zeilen werden nie gesendet").arg(c.neverFiring());
    out += QStringLiteral(", %1")
               .arg(c.hints() == 0 ? QStringLiteral("keine Hinweise") : plural(c.hints(), "Hinweis", "Hinweise"));
    if (c.boxesNeverContacted() > 0)
        out += QStringLiteral(", aber ") + plural(c.boxesNeverContacted(), "Box wird", "Boxen werden")
               + QStringLiteral(" nie angesprochen");
    out += QStringLiteral(".\n\n");

    if (!calendarDue.isEmpty()) {
        out += QStringLiteral("Aus Kalendern in den nächsten %1 Tagen:\n\n").arg(kCalendarDays);
        for (const CalendarReminder &r : std::as_const(calendarDue))
            out += previewEntry(when(QDateTime::fromSecsSinceEpoch(r.due)) + QStringLiteral("  Kalender ")
                                    + printable(r.source) + QStringLiteral("  Box %1").arg(r.box),
                                r.message.kind, r.message.text);
        out += QLatin1Char('\n');
    }
    if (c.due.isEmpty()) {
        out += QStringLiteral("Keine Erinnerung ist mehr fällig.\n");
        return out;
    }
    out += c.due.size() >= FolderCheck::kDueCount
        ? QStringLiteral("Die nächsten %1 Erinnerungen:\n").arg(c.due.size())
        : QStringLiteral("Alle noch fälligen Erinnerungen (%1):\n").arg(c.due.size());
    for (const DueReminder &d : c.due)
        out += QLatin1Char('\n') + dueEntry(c, d);
    return out;
}
