// A box that streams an endless body and one that sends endless header
// lines, each fed a message every 50 ms, while a healthy box gets one every
// 250 ms and two busy loops load the machine. Measures peak resident memory,
// the longest block of the user-interface thread and how late the healthy
// box's messages arrive. ZELVO_BENCH_SECONDS shortens the run (default 60).
#include "FaultyBox.h"
#include "ProcessMemory.h"
#include "Messages.h"
#include "RecordingHttpServer.h"
#include "ZelvoProcess.h"
#include "boxes/HttpTransport.h"
#include "boxes/nhttpd/RequestTarget.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

// Runs a faulty box on a thread of its own, as a box on the network would.
FaultyBox *startBox(FaultyBox::Fault fault, const QHostAddress &address, quint16 port, QThread *thread)
{
    auto *box = new FaultyBox(fault);
    box->moveToThread(thread);
    QObject::connect(thread, &QThread::finished, box, &QObject::deleteLater);
    bool ok = false;
    QMetaObject::invokeMethod(box, "listen", Qt::BlockingQueuedConnection, Q_RETURN_ARG(bool, ok),
                              Q_ARG(QHostAddress, address), Q_ARG(quint16, port));
    return ok ? box : nullptr;
}

qint64 threadCpuNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = ZelvoProcess::benchSeconds(60);

    std::atomic<bool> stop{false};
    std::vector<std::thread> busy;
    for (int i = 0; i < 2; ++i)
        busy.emplace_back([&stop] {
            volatile unsigned long n = 0;
            while (!stop.load(std::memory_order_relaxed))
                n = n + 1;
        });

    RecordingHttpServer healthy;
    if (!healthy.listen(QHostAddress(QStringLiteral("127.0.0.3")))) {
        std::fprintf(stderr, "no healthy box\n");
        return 1;
    }
    const quint16 port = healthy.port();
    QThread boxThread;
    boxThread.start();
    FaultyBox *streaming = startBox(FaultyBox::Fault::EndlessBody, QHostAddress(QStringLiteral("127.0.0.2")), port, &boxThread);
    FaultyBox *flooding = startBox(FaultyBox::Fault::EndlessHeaders, QHostAddress(QStringLiteral("127.0.0.4")), port, &boxThread);
    if (!streaming || !flooding) {
        std::fprintf(stderr, "no faulty boxes on port %u\n", port);
        return 1;
    }

    HttpTransport transport(port);
    int faultyDone = 0;
    QSet<quint64> toFaulty;
    QObject::connect(&transport, &HttpTransport::done, &app,
                     [&](quint64 id) { faultyDone += toFaulty.remove(id) ? 1 : 0; });

    QElapsedTimer clock;
    clock.start();
    QHash<QByteArray, qint64> handedOver;
    std::vector<double> delays;
    QObject::connect(&healthy, &RecordingHttpServer::requestReceived, &app,
                     [&](const RecordingHttpServer::Request &r) {
                         delays.push_back((clock.nsecsElapsed() - handedOver.take(r.target)) / 1e6);
                     });

    int n = 0;
    QTimer faultyFeed;
    QObject::connect(&faultyFeed, &QTimer::timeout, &app, [&] {
        toFaulty.insert(transport.submit(QStringLiteral("127.0.0.2"), nmsg(QStringLiteral("strom"))));
        toFaulty.insert(transport.submit(QStringLiteral("127.0.0.4"), nmsg(QStringLiteral("kopf"))));
    });
    faultyFeed.start(50);
    QTimer healthyFeed;
    QObject::connect(&healthyFeed, &QTimer::timeout, &app, [&] {
        const Message message = nmsg(QString::number(++n));
        handedOver.insert(RequestTarget::encode(message, FirmwareKind::New).target, clock.nsecsElapsed());
        transport.submit(QStringLiteral("127.0.0.3"), message);
    });
    healthyFeed.start(250);

    // A 1 ms timer: the longest gap between its events is the longest block.
    // The wall-clock gap includes time the busy loops took the core away;
    // the thread's own CPU time in the gap is what Zelvo spent.
    double longestGapMs = 0;
    double longestCpuMs = 0;
    qint64 last = clock.nsecsElapsed();
    qint64 lastCpu = threadCpuNs();
    QTimer pulse;
    pulse.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pulse, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (now > 1000000000LL) { // after the start-up
            longestGapMs = std::max(longestGapMs, (now - last) / 1e6 - 1.0);
            longestCpuMs = std::max(longestCpuMs, (cpu - lastCpu) / 1e6);
        }
        last = now;
        lastCpu = cpu;
    });
    pulse.start(1);

    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    stop = true;
    for (std::thread &t : busy)
        t.join();

    std::sort(delays.begin(), delays.end());
    const double median = delays.empty() ? -1 : delays[delays.size() / 2];
    const double worst = delays.empty() ? -1 : delays.back();
    std::printf("faulty boxes, %d s, two busy loops:\n", seconds);
    std::printf("  requests to faulty boxes finished: %d (streaming box saw %d, flooding box saw %d)\n", faultyDone,
                streaming->requests(), flooding->requests());
    std::printf("  peak resident memory:       %.1f MB (goal < 50)\n", processStatusKiB("VmHWM") / 1024.0);
    std::printf("  longest UI-thread block:    %.2f ms of its own CPU time (goal < 5); longest wall-clock gap %.2f ms\n",
                longestCpuMs, longestGapMs);
    std::printf("  healthy box delay:          median %.2f ms, worst %.2f ms over %zu messages (goal < 50)\n", median,
                worst, delays.size());
    boxThread.quit();
    boxThread.wait();
    return 0;
}
