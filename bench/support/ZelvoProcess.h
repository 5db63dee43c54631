#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

class QProcess;

// Zelvo run as a process of its own for a benchmark that watches it from
// outside through /proc: without the bench's display, its output discarded.
class ZelvoProcess
{
public:
    // environment: NAME=value pairs added to the bench's own. loggingRules,
    // when set, becomes the child's QT_LOGGING_RULES. With stderrFile set the
    // log goes there; without it, stderr is a pipe the caller reads.
    static QProcess *start(const QString &program, const QStringList &arguments, const QStringList &environment,
                           const QDir &folder, const QString &loggingRules = QString(),
                           const QString &stderrFile = QString());
    // Terminates it (killed if it does not end within 5 s) and deletes it.
    static void stop(QProcess *process);

    // utime + stime in clock ticks, of all threads, the ended ones included.
    static qint64 cpuTicks(qint64 pid);

    // ZELVO_BENCH_SECONDS when set, else fallback.
    static int benchSeconds(int fallback);
};
