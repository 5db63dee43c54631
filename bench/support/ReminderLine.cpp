#include "ReminderLine.h"

namespace {

const char *const kWeekdays[] = {"mo", "di", "mi", "do", "fr", "sa", "so"};

} // namespace

QByteArray ReminderLine::line(const QDateTime &due, const QByteArray &marker)
{
    const QByteArray hhmm = due.time().toString(QStringLiteral("HH:mm")).toLatin1();
    switch (due.time().second()) {
    case 0:
        return hhmm + ' ' + hhmm + " m 1 " + marker + "\r\n";
    case 20:
        return QByteArray(kWeekdays[due.date().dayOfWeek() - 1]) + ' ' + hhmm + ' ' + hhmm + " m 1 " + marker + "\r\n";
    default:
        return due.date().toString(QStringLiteral("dd-MM-yyyy")).toLatin1() + ' ' + hhmm + ' ' + hhmm + " m 1 "
            + marker + "\r\n";
    }
}

QString ReminderLine::listFile(const QDateTime &due)
{
    const int second = due.time().second();
    return second == 0 ? QStringLiteral("zlv-tag.txt") : second == 20 ? QStringLiteral("zlv-woch.txt")
                                                                      : QStringLiteral("zlv-term.txt");
}

QDateTime ReminderLine::nextCheck(int seconds)
{
    QDateTime at = QDateTime::currentDateTime().addSecs(seconds);
    at.setTime(QTime(at.time().hour(), at.time().minute(), at.time().second()));
    while (at.time().second() % 20 != 0)
        at = at.addSecs(1);
    return at;
}
