// Zelvo left running with four silent boxes (127.0.0.2..5: nothing answers
// on port 80), measured from outside through /proc: the headless service
// and the window on the offscreen platform side by side in the same run,
// and the headless service with the widget library preloaded, to show what
// merely linking it costs. Resident memory and CPU over
// ZELVO_BENCH_SECONDS (300 unless set), and the time from start to the end
// of the first watch tick. Goals: <= 15 MB and <= 0.02 % of one core.
#include "TempFolder.h"
#include "ZelvoProcess.h"

#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

struct Variant {
    const char *name;
    QStringList arguments;
    QStringList environment; // NAME=value, added to the bench's own
};

QProcess *start(const Variant &v, const QDir &folder, bool debugWatch)
{
    return ZelvoProcess::start(QStringLiteral(ZELVO_BINARY), v.arguments, v.environment, folder,
                               debugWatch ? QStringLiteral("zelvo.watch.debug=true") : QString());
}

qint64 rssKiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Milliseconds from start to the first "Prüfung fertig" of the watch.
double firstTickMs(const Variant &v, const QDir &folder)
{
    QElapsedTimer clock;
    clock.start();
    QProcess *p = start(v, folder, true);
    QByteArray err;
    double ms = -1;
    while (clock.elapsed() < 20000 && p->state() == QProcess::Running) {
        p->waitForReadyRead(100);
        err += p->readAllStandardError();
        if (err.contains("Prüfung fertig")) {
            ms = clock.nsecsElapsed() / 1e6;
            break;
        }
    }
    ZelvoProcess::stop(p);
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = ZelvoProcess::benchSeconds(300);
    // One folder each: only one Zelvo runs in a folder, and all three run at once.
    std::vector<std::unique_ptr<TempFolder>> folders;
    for (int i = 0; i < 3; ++i) {
        folders.push_back(std::make_unique<TempFolder>());
        folders.back()->write("boxip.ini",
                              "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n127.0.0.5\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    }

    const QString widgets = QLibraryInfo::path(QLibraryInfo::LibrariesPath) + QStringLiteral("/libQt6Widgets.so.6");
    const QList<Variant> variants = {
        {"headless (zelvo --headless)", {QStringLiteral("--headless")}, {}},
        {"headless, libQt6Widgets preloaded", {QStringLiteral("--headless")}, {QStringLiteral("LD_PRELOAD=") + widgets}},
        {"window (offscreen platform)", {}, {QStringLiteral("QT_QPA_PLATFORM=offscreen")}},
    };

    std::printf("start to the end of the first watch tick:\n");
    for (int i = 0; i < variants.size(); ++i)
        std::printf("  %-36s %7.1f ms\n", variants[i].name, firstTickMs(variants[i], folders[i]->dir()));

    std::printf("running side by side for %d s ...\n", seconds);
    std::fflush(stdout);
    QList<QProcess *> running;
    for (int i = 0; i < variants.size(); ++i)
        running << start(variants[i], folders[i]->dir(), false);
    QThread::sleep(3); // past the start
    QList<qint64> ticks0;
    for (QProcess *p : running)
        ticks0 << ZelvoProcess::cpuTicks(p->processId());
    QElapsedTimer clock;
    clock.start();
    QList<qint64> peak(running.size(), 0);
    while (clock.elapsed() < seconds * 1000LL) {
        QThread::msleep(1000);
        for (int i = 0; i < running.size(); ++i)
            peak[i] = std::max(peak[i], rssKiB(running[i]->processId()));
    }
    const double wall = clock.nsecsElapsed() / 1e9;
    const double hz = double(sysconf(_SC_CLK_TCK));
    std::printf("  %-36s %10s %10s %12s\n", "", "RSS MB", "peak MB", "CPU % core");
    for (int i = 0; i < running.size(); ++i) {
        const qint64 pid = running[i]->processId();
        const double cpu = (ZelvoProcess::cpuTicks(pid) - ticks0[i]) / hz / wall * 100.0;
        std::printf("  %-36s %10.1f %10.1f %12.4f\n", variants[i].name, rssKiB(pid) / 1024.0, peak[i] / 1024.0, cpu);
    }
    std::printf("goals for the headless service: <= 15 MB resident, <= 0.02 %% of one core\n");
    for (QProcess *p : running)
        ZelvoProcess::stop(p);
    return 0;
}
