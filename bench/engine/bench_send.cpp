// `zelvo send --wait` to one answering box of each kind (boxsim on port 80
// of 127.0.0.2 as an nhttpd box, of 127.0.0.3 as an Enigma2 receiver, inside
// a network namespace of this program's own): the time from start to exit,
// median of 20, without a running Zelvo and through one.
#include "PrivateBench.h"
#include "TempFolder.h"

#include "app/InstanceLock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRuns = 20;

bool waitFor(const std::function<bool()> &ok, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (!ok()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// Median milliseconds of kRuns `zelvo send --wait --box box`, or -1 when one failed.
double medianSend(const TempFolder &folder, int box)
{
    QList<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QProcess p;
        p.setWorkingDirectory(folder.dir().path());
        QElapsedTimer t;
        t.start();
        p.start(QStringLiteral(ZELVO_BIN), {QStringLiteral("send"), QStringLiteral("--wait"), QStringLiteral("--box"),
                                            QString::number(box), QStringLiteral("Messlauf %1").arg(i)});
        if (!p.waitForFinished(30000) || p.exitCode() != 0) {
            std::fprintf(stderr, "%s", p.readAllStandardError().constData());
            return -1;
        }
        ms << t.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    return (ms.at(kRuns / 2 - 1) + ms.at(kRuns / 2)) / 2;
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
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "zelvo.*.info=false");

    QProcess nhttpd, enigma2;
    for (QProcess *box : {&nhttpd, &enigma2}) {
        box->setProcessChannelMode(QProcess::MergedChannels);
        box->start(QStringLiteral(BOXSIM_BIN),
                   {QStringLiteral("--address"), QLatin1String(box == &nhttpd ? "127.0.0.2" : "127.0.0.3"),
                    QStringLiteral("--kind"), QLatin1String(box == &nhttpd ? "nhttpd" : "enigma2"),
                    QStringLiteral("--out"), QStringLiteral("/dev/null")});
        if (!waitFor([&] { box->waitForReadyRead(100); return box->peek(4096).contains("wartet auf"); })) {
            std::printf("boxsim did not start\n");
            return 1;
        }
    }
    TempFolder folder;
    folder.write(QStringLiteral("boxip.ini"), "127.0.0.2\r\n127.0.0.3\r\n0.0.0.0\r\n0.0.0.0\r\n0\r\n0\r\n0\r\n0\r\n");

    const double alone[] = {medianSend(folder, 1), medianSend(folder, 2)};

    QProcess zelvo;
    zelvo.setWorkingDirectory(folder.dir().path());
    zelvo.start(QStringLiteral(ZELVO_BIN), {});
    const QString socketName = InstanceLock(folder.dir()).socketName();
    const bool serving = waitFor([&] {
        QLocalSocket probe;
        probe.connectToServer(socketName);
        return probe.waitForConnected(100);
    });
    const double through[] = {serving ? medianSend(folder, 1) : -1, serving ? medianSend(folder, 2) : -1};
    zelvo.kill();
    zelvo.waitForFinished();
    for (QProcess *box : {&nhttpd, &enigma2}) {
        box->kill();
        box->waitForFinished();
    }

    std::printf("zelvo send --wait to one answering box, start to exit, median of %d:\n", kRuns);
    std::printf("  nhttpd box,  without a running Zelvo: %.1f ms\n", alone[0]);
    std::printf("  nhttpd box,  through a running Zelvo: %.1f ms\n", through[0]);
    std::printf("  Enigma2 box, without a running Zelvo: %.1f ms\n", alone[1]);
    std::printf("  Enigma2 box, through a running Zelvo: %.1f ms\n", through[1]);
    return std::min({alone[0], alone[1], through[0], through[1]}) < 0 ? 1 : 0;
}
