// boxsim: a stand-in for a set-top box. It listens on one address and port
// and writes every request it gets as one JSON line, so that anyone can see
// what Zelvo would put on the television, on a box with an old or a new
// web server, or on an Enigma2 receiver.

#include "BoxSimulator.h"
#include "BoxsimCommandLine.h"
#include "common/SystemErrorText.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("boxsim"));

    const BoxsimCommandLine cmd = BoxsimCommandLine::parse(app.arguments());
    if (cmd.help) {
        std::fputs(qPrintable(cmd.helpText), stdout);
        return 0;
    }
    if (!cmd.error.isEmpty()) {
        std::fprintf(stderr, "boxsim: %s\n%s", qPrintable(cmd.error), qPrintable(cmd.usage));
        return 2;
    }

    QFile output;
    if (!cmd.out.isEmpty()) {
        output.setFileName(cmd.out);
        if (!output.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "boxsim: %s kann nicht geöffnet werden: %s\n", qPrintable(output.fileName()),
                         qPrintable(SystemErrorText::of(errno)));
            return 2;
        }
    } else if (!output.open(stdout, QIODevice::WriteOnly)) {
        std::fprintf(stderr, "boxsim: stdout kann nicht beschrieben werden\n");
        return 2;
    }

    BoxSimulator box(&output);
    box.setFirmware(cmd.firmware);
    box.setKnowsMode(cmd.knowsMode);
    box.setKind(cmd.kind);
    box.setLogin(cmd.login);
    box.setMode(cmd.mode);
    QObject::connect(&box, &BoxSimulator::modeChanged, [](const QByteArray &mode) {
        std::fprintf(stderr, "boxsim: jetzt im Modus %s\n", mode.constData());
        std::fflush(stderr);
    });
    if (!box.listen(cmd.address, cmd.port)) {
        std::fprintf(stderr, "boxsim: kann nicht auf %s:%u warten: %s%s\n", qPrintable(cmd.address.toString()),
                     uint(cmd.port), qPrintable(box.errorString()),
                     cmd.port < 1024 ? " (Ports unter 1024 brauchen root oder setcap cap_net_bind_service+ep)" : "");
        return 1;
    }
    // Scripts wait for this line before they let anything talk to the box.
    std::fprintf(stderr, "boxsim: wartet auf %s:%u\n", qPrintable(cmd.address.toString()), uint(box.port()));
    std::fflush(stderr);
    return app.exec();
}
