#include "ZelvoProcess.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

QProcess *ZelvoProcess::start(const QString &program, const QStringList &arguments, const QStringList &environment,
                              const QDir &folder, const QString &loggingRules, const QString &stderrFile)
{
    auto *p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    for (const QString &pair : environment)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    if (!loggingRules.isEmpty())
        env.insert(QStringLiteral("QT_LOGGING_RULES"), loggingRules);
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(folder.path());
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->setStandardOutputFile(QProcess::nullDevice());
    if (!stderrFile.isEmpty())
        p->setStandardErrorFile(stderrFile);
    p->start(program, arguments);
    p->waitForStarted();
    return p;
}

void ZelvoProcess::stop(QProcess *process)
{
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished();
    }
    delete process;
}

qint64 ZelvoProcess::cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // The name in parentheses may hold blanks; the fields after it do not.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong(); // fields 14 and 15
}

int ZelvoProcess::benchSeconds(int fallback)
{
    return qEnvironmentVariableIsSet("ZELVO_BENCH_SECONDS") ? qEnvironmentVariableIntValue("ZELVO_BENCH_SECONDS")
                                                            : fallback;
}
