#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// A reminder for a benchmark: the list line (a message to box 1 carrying
// marker) that Zelvo sends at due, a list check's second (00: the daily
// list, 20: the weekly, 40: the dated one), and the list it belongs in.
namespace ReminderLine {

QByteArray line(const QDateTime &due, const QByteArray &marker);
QString listFile(const QDateTime &due);
// The first list check at least seconds after now, on a whole second.
QDateTime nextCheck(int seconds);

} // namespace ReminderLine
