#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The command line of zelvo-check:
//   zelvo-check [FOLDER | --folder FOLDER] [--at "YYYY-MM-DD HH:MM"] [--json]
struct CheckCommandLine {
    QString folder = QStringLiteral(".");
    QDateTime at; // local time to check from; invalid: now
    bool json = false;
    bool help = false;
    QString error; // German, set when the line cannot be used

    // arguments as from QCoreApplication::arguments(), the program first.
    static CheckCommandLine parse(const QStringList &arguments);
    // "2026-12-24 07:00" (seconds allowed) in local time. Invalid when it is
    // no such date or time, or the time does not exist there (the hour
    // skipped when daylight saving time starts).
    static QDateTime parseAt(const QString &text);
    static QString usage();
};
