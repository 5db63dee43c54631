// How often Zelvo wakes when there is nothing to do, and how late a reminder
// reaches the wire. Four boxsim boxes in the mode tv on 127.0.0.2..5 port
// 80, inside a private network namespace where they answer echo as well;
// status notices on for all four and empty lists, as in a household at
// night. The headless service and the window on the offscreen platform run
// side by side for ZELVO_BENCH_SECONDS (300 unless set) and are read from
// outside: wake-ups are the voluntary context switches of all their threads
// (see WakeupCounter), CPU is utime + stime. Then the headless service with
// one box and a reminder at each list check of the coming minutes,
// ZELVO_BENCH_REMINDERS of them (20 unless set): from the second each is due
// to the first byte of its request at the box.
// Goals: headless <= 30 wake-ups a minute and <= 0.01 % of one core, window
// <= 75 a minute, reminder median <= 10 ms.
#include "FirstByteServer.h"
#include "PrivateBench.h"
#include "ReminderLine.h"
#include "TempFolder.h"
#include "WakeupCounter.h"
#include "ZelvoProcess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

const char *const kBoxes[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
constexpr int kSampleMs = 100;  // how long a thread may live unseen, and how much of an ended one can go uncounted
constexpr int kWarmUpS = 10;    // past the start, the first watch ticks and the first status notices

const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

QString zelvoBinary()
{
    return QStringLiteral(ZELVO_BINARY);
}

// Four boxsim boxes in the mode tv; empty when one did not start.
std::vector<std::unique_ptr<QProcess>> startBoxes()
{
    std::vector<std::unique_ptr<QProcess>> boxes;
    for (const char *address : kBoxes) {
        auto box = std::make_unique<QProcess>();
        box->setProcessChannelMode(QProcess::MergedChannels);
        box->start(QStringLiteral(BOXSIM_BINARY), {QStringLiteral("--address"), QLatin1String(address),
                                                   QStringLiteral("--port"), QStringLiteral("80"),
                                                   QStringLiteral("--mode"), QStringLiteral("tv"),
                                                   QStringLiteral("--out"), QStringLiteral("/dev/null")});
        QElapsedTimer waited;
        waited.start();
        while (!box->peek(4096).contains("wartet auf") && box->state() != QProcess::NotRunning
               && waited.elapsed() < 10000)
            box->waitForReadyRead(100);
        if (!box->peek(4096).contains("wartet auf")) {
            std::printf("boxsim on %s did not start: %s\n", address, box->readAll().constData());
            return {};
        }
        boxes.push_back(std::move(box));
    }
    return boxes;
}

struct Variant {
    const char *name;
    QStringList arguments;
    QStringList environment;
};

void measureIdle(int seconds)
{
    const QList<Variant> variants = {
        {"headless (zelvo --headless)", {QStringLiteral("--headless")}, {}},
        {"window (offscreen platform)", {}, {QStringLiteral("QT_QPA_PLATFORM=offscreen")}},
    };
    // One folder each: only one Zelvo runs in a folder.
    std::vector<std::unique_ptr<TempFolder>> folders;
    std::vector<QProcess *> running;
    for (const Variant &v : variants) {
        folders.push_back(std::make_unique<TempFolder>());
        const TempFolder &folder = *folders.back();
        folder.write(QStringLiteral("boxip.ini"),
                     "127.0.0.2\r\n127.0.0.3\r\n127.0.0.4\r\n127.0.0.5\r\n 1 \r\n 1 \r\n 1 \r\n 1 \r\n");
        for (const char *list : {"zlv-tag.txt", "zlv-woch.txt", "zlv-term.txt"})
            folder.write(QLatin1String(list), QByteArray());
        running.push_back(ZelvoProcess::start(zelvoBinary(), v.arguments, v.environment, folder.dir(), QString(),
                                              folder.path(QStringLiteral("zelvo.log"))));
    }
    std::printf("wake-ups (voluntary context switches, all threads) and CPU over %d s, four boxes answering echo "
                "and mode, idle:\n",
                seconds);
    std::fflush(stdout);
    QThread::sleep(kWarmUpS);

    std::vector<WakeupCounter> counters;
    std::vector<qint64> ticks0;
    for (QProcess *p : running) {
        counters.emplace_back(p->processId());
        counters.back().start();
        ticks0.push_back(ZelvoProcess::cpuTicks(p->processId()));
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000LL) {
        QThread::msleep(kSampleMs);
        for (WakeupCounter &c : counters)
            c.sample();
    }
    const double wall = clock.nsecsElapsed() / 1e9;
    const double hz = double(sysconf(_SC_CLK_TCK));
    std::vector<double> perMinute, cpu;
    for (size_t i = 0; i < running.size(); ++i) {
        const qint64 pid = running[i]->processId();
        const bool alive = running[i]->state() == QProcess::Running;
        perMinute.push_back(counters[i].count() / wall * 60.0);
        cpu.push_back((ZelvoProcess::cpuTicks(pid) - ticks0[i]) / hz / wall * 100.0);
        std::printf("  %-30s %8.1f wake-ups/min %9.4f %% of one core  (threads begun %d, ended %d)%s\n",
                    variants[i].name, perMinute[i], cpu[i], counters[i].threadsBegun(), counters[i].threadsEnded(),
                    alive ? "" : "  - it ENDED during the run");
    }
    std::printf("  (CPU is counted in ticks of %.0f ms: %.4f %% of one core per tick over this run)\n", 1000.0 / hz,
                100.0 / hz / wall);
    std::printf("goal headless: <= 30 wake-ups/min and <= 0.01 %% of one core: %s\n",
                verdict(perMinute[0] <= 30 && cpu[0] <= 0.01));
    std::printf("goal window: <= 75 wake-ups/min: %s\n", verdict(perMinute[1] <= 75));
    for (QProcess *p : running)
        ZelvoProcess::stop(p);
}

void measureReminderDelay(int count)
{
    FirstByteServer box;
    if (!box.listen(kBoxes[0], 80)) {
        std::printf("reminder to wire: skipped, %s port 80 cannot be had\n", kBoxes[0]);
        return;
    }
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), "127.0.0.2\r\n0.0.0.0\r\n0.0.0.0\r\n0.0.0.0\r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    // The first check far enough ahead for the start and the first watch tick.
    const QDateTime first = ReminderLine::nextCheck(8);
    QList<QDateTime> due;
    QList<QByteArray> markers;
    QByteArray lists[3];
    for (int i = 0; i < count; ++i) {
        due << first.addSecs(20 * i);
        markers << QByteArray("Messung") + QByteArray::number(i).rightJustified(2, '0');
        lists[due.last().time().second() / 20] += ReminderLine::line(due.last(), markers.last());
    }
    folder.write(QStringLiteral("zlv-tag.txt"), lists[0]);
    folder.write(QStringLiteral("zlv-woch.txt"), lists[1]);
    folder.write(QStringLiteral("zlv-term.txt"), lists[2]);
    std::printf("reminder to wire, headless, one box answering, %d reminders from %s on, one each list check ...\n",
                count, qPrintable(first.toString(QStringLiteral("HH:mm:ss"))));
    std::fflush(stdout);
    QProcess *zelvo = ZelvoProcess::start(zelvoBinary(), {QStringLiteral("--headless")}, {}, folder.dir(), QString(),
                                          folder.path(QStringLiteral("zelvo.log")));

    QList<qint64> dueMs;
    for (const QDateTime &d : std::as_const(due))
        dueMs << d.toMSecsSinceEpoch();
    if (!box.reportDelays(markers, dueMs, due.last().addSecs(15).toMSecsSinceEpoch()))
        std::printf("  zelvo's log: %s\n", qPrintable(folder.path(QStringLiteral("zelvo.log"))));
    ZelvoProcess::stop(zelvo);
}

} // namespace

int main(int argc, char *argv[])
{
    const QString whyNoNamespace = PrivateBench::enter();
    QCoreApplication app(argc, argv);
    PrivateBench place;
    const QString why = place.setUp(whyNoNamespace);
    if (!why.isEmpty()) {
        std::printf("skipped: %s\n", qPrintable(why));
        return 0;
    }

    const int seconds = ZelvoProcess::benchSeconds(300);
    const int reminders = std::clamp(
        qEnvironmentVariableIsSet("ZELVO_BENCH_REMINDERS") ? qEnvironmentVariableIntValue("ZELVO_BENCH_REMINDERS") : 20,
        1, 99);
    {
        std::vector<std::unique_ptr<QProcess>> boxes = startBoxes();
        if (boxes.empty())
            return 1;
        measureIdle(seconds);
        for (auto &box : boxes) {
            box->kill();
            box->waitForFinished();
        }
    }
    measureReminderDelay(reminders);
    return 0;
}
