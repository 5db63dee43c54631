// From a box leaving standby to its held message on the wire, through the
// whole engine as Zelvo runs it: the watch's own 10 s tick and, while a
// message is held, the box's mode asked every second; a prober that finds
// all four boxes answering echo, and four local HTTP servers whose mode the
// bench switches from "standby" to "tv", as the remote control does.
//
// Each box in turn: the watch sees it in standby, a message is held for it,
// then the box is switched on at a point of the tick's 10 s (spread evenly
// over the runs) and the time until the message arrives is taken.
#include "BoxServers.h"
#include "ScriptedEchoProber.h"
#include "TempFolder.h"
#include "boxes/BoxSender.h"
#include "boxes/SendHandle.h"
#include "engine/Engine.h"
#include "watch/StatusWatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QLoggingCategory>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSwitches = 20;
constexpr int kTickMs = 10000;
constexpr double kGoalMedianMs = 1200;
constexpr double kGoalWorstMs = 2000;

// Where one box is in its round: standby seen, message held, switched on.
struct BoxRound {
    enum class Phase { AwaitingStandby, Held, Switched } phase = Phase::AwaitingStandby;
    QString target; // the held message's request target, decoded
    QElapsedTimer switchedAt;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : (v[(v.size() - 1) / 2] + v[v.size() / 2]) / 2;
}

double minimum(const std::vector<double> &v)
{
    return v.empty() ? -1 : *std::min_element(v.begin(), v.end());
}

double maximum(const std::vector<double> &v)
{
    return v.empty() ? -1 : *std::max_element(v.begin(), v.end());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("zelvo.*.info=false"));

    BoxServers servers;
    if (!servers.listen()) {
        std::printf("bench_standby: no free port on 127.0.0.2 to 127.0.0.5\n");
        return 1;
    }
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), BoxServers::boxipIni());
    ScriptedEchoProber prober;
    for (int box = 1; box <= 4; ++box) {
        prober.setOutcome(BoxServers::address(box), EchoResult::Outcome::Reply);
        servers.box(box).setMode("standby");
    }
    Engine::Options options;
    options.folder = folder.dir();
    options.httpPort = servers.port();
    options.httpTimeoutMs = 5000;
    options.prober = &prober;
    Engine engine(options);

    QElapsedTimer clock;
    clock.start();
    qint64 tickStartNs = -1;
    std::vector<double> tickIntervals;
    // Each tick of the engine's own 10 s timing, as it begins.
    QObject::connect(engine.statusWatch(), &StatusWatch::tickStarted, &app, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (tickStartNs >= 0)
            tickIntervals.push_back((now - tickStartNs) / 1e6);
        tickStartNs = now;
    });

    std::array<BoxRound, 4> rounds;
    std::vector<double> switchToWire, tickToWire;
    QHash<QByteArray, int> arrivals;
    QString failure;
    int held = 0;
    const auto fail = [&](const QString &why) {
        if (failure.isEmpty())
            failure = why;
        app.quit();
    };

    // After each tick: a box the watch now knows in standby gets a message,
    // which must be held, and is switched on a little later.
    QObject::connect(engine.statusWatch(), &StatusWatch::tickFinished, &app, [&] {
        for (int box = 1; box <= 4 && held < kSwitches; ++box) {
            BoxRound &round = rounds[box - 1];
            if (round.phase != BoxRound::Phase::AwaitingStandby || engine.sender()->boxState(box) != BoxState::Standby)
                continue;
            const QString text = QStringLiteral("Messlauf %1").arg(held + 1);
            SendHandle *handle =
                engine.sender()->send(box, {MessageKind::Popup, text}, MessageOrigin{MessageSource::Script, box});
            if (!handle->isHeld())
                return fail(QStringLiteral("the message for box %1 in standby was not held").arg(box));
            round.phase = BoxRound::Phase::Held;
            round.target = QStringLiteral("/control/message?popup=") + text;
            const int afterMs = 250 + (held * kTickMs / kSwitches);
            ++held;
            QTimer::singleShot(afterMs, Qt::PreciseTimer, &app, [&servers, &round, box] {
                servers.box(box).setMode("tv");
                round.switchedAt.start();
                round.phase = BoxRound::Phase::Switched;
            });
        }
    });
    for (int box = 1; box <= 4; ++box) {
        QObject::connect(&servers.box(box), &RecordingHttpServer::requestReceived, &app,
                         [&, box](const RecordingHttpServer::Request &request) {
                             BoxRound &round = rounds[box - 1];
                             if (!request.target.startsWith("/control/message?"))
                                 return;
                             if (++arrivals[request.target] > 1)
                                 return fail(QStringLiteral("box %1 got a held message twice").arg(box));
                             if (round.phase != BoxRound::Phase::Switched
                                 || QUrl::fromPercentEncoding(request.target) != round.target)
                                 return fail(QStringLiteral("box %1 got a message while in standby: %2")
                                                 .arg(box)
                                                 .arg(QString::fromUtf8(request.requestLine)));
                             switchToWire.push_back(round.switchedAt.nsecsElapsed() / 1e6);
                             tickToWire.push_back(tickStartNs < 0 ? -1 : (clock.nsecsElapsed() - tickStartNs) / 1e6);
                             servers.box(box).setMode("standby");
                             round.phase = BoxRound::Phase::AwaitingStandby;
                             if (int(switchToWire.size()) == kSwitches)
                                 app.quit();
                         });
    }
    // Each box takes two ticks a round; four run side by side.
    const int limitMs = (kSwitches / 4 + 2) * 2 * kTickMs + 30000;
    QTimer::singleShot(limitMs, &app, [&] { fail(QStringLiteral("not done after %1 s").arg(limitMs / 1000)); });

    std::printf("bench_standby: %d switches from standby to tv, four boxes, the watch's real %d s tick (takes about "
                "%d s)\n",
                kSwitches, kTickMs / 1000, kSwitches / 4 * 2 * kTickMs / 1000);
    std::fflush(stdout);
    engine.start();
    app.exec();

    const bool met = failure.isEmpty() && int(switchToWire.size()) == kSwitches
                     && median(switchToWire) <= kGoalMedianMs && maximum(switchToWire) <= kGoalWorstMs;
    std::printf("  switch to the held message on the wire: median %.0f ms, max %.0f ms over %zu switches (goals: "
                "median <= %.0f ms, max <= %.0f ms)\n",
                median(switchToWire), maximum(switchToWire), switchToWire.size(), kGoalMedianMs, kGoalWorstMs);
    std::printf("      (watch tick start to the message on the wire: median %.0f ms; ticks %.0f to %.0f ms apart)\n",
                median(tickToWire), minimum(tickIntervals), maximum(tickIntervals));
    if (!failure.isEmpty())
        std::printf("  failed: %s\n", qPrintable(failure));
    std::printf("goal %s\n", met ? "met" : "NOT met");
    return met ? 0 : 1;
}
