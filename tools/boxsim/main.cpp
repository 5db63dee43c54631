// boxsim: a stand-in for a set-top box. It listens on one address and port
// and writes every request it gets as one JSON line, so that anyone can see
// what Zelvo would put on the television, on a box with an old or a new
// web server.

#include "BoxSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("boxsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stands in for a set-top box: records each request as one JSON line "
        "(time, address, request, kind, text, and shown: the text as the television shows it) and answers 200."));
    parser.addHelpOption();
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("IPv4 address to listen on (required)."),
                                           QStringLiteral("A"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("TCP port (default 80)."),
                                        QStringLiteral("PORT"), QStringLiteral("80"));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Append the JSON lines to FILE instead of stdout."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption firmwareOption(
        QStringLiteral("firmware"),
        QStringLiteral("old: a web server before nhttpd 3.4.1, which decodes a request twice; new: a current one "
                       "(default)."),
        QStringLiteral("old|new"), QStringLiteral("new"));
    parser.addOptions({addressOption, portOption, outOption, firmwareOption});
    parser.process(app);

    const QHostAddress address(parser.value(addressOption));
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        std::fprintf(stderr, "boxsim: --address needs an IPv4 address, got \"%s\"\n",
                     qPrintable(parser.value(addressOption)));
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "boxsim: --port needs a number from 0 to 65535\n");
        return 2;
    }

    const QString firmware = parser.value(firmwareOption);
    if (firmware != QLatin1String("old") && firmware != QLatin1String("new")) {
        std::fprintf(stderr, "boxsim: --firmware needs old or new, got \"%s\"\n", qPrintable(firmware));
        return 2;
    }

    QFile output;
    if (parser.isSet(outOption)) {
        output.setFileName(parser.value(outOption));
        if (!output.open(QIODevice::WriteOnly | QIODevice::Append)) {
            std::fprintf(stderr, "boxsim: cannot open %s: %s\n", qPrintable(output.fileName()),
                         qPrintable(output.errorString()));
            return 2;
        }
    } else if (!output.open(stdout, QIODevice::WriteOnly)) {
        std::fprintf(stderr, "boxsim: cannot write to stdout\n");
        return 2;
    }

    BoxSimulator box(&output);
    box.setFirmware(firmware == QLatin1String("old") ? FirmwareKind::Old : FirmwareKind::New);
    if (!box.listen(address, static_cast<quint16>(port))) {
        std::fprintf(stderr, "boxsim: cannot listen on %s:%u: %s%s\n", qPrintable(address.toString()), port,
                     qPrintable(box.errorString()),
                     port < 1024 ? " (ports below 1024 need root or setcap cap_net_bind_service+ep)" : "");
        return 1;
    }
    // Scripts wait for this line before they let anything talk to the box.
    std::fprintf(stderr, "boxsim: listening on %s:%u\n", qPrintable(address.toString()), box.port());
    std::fflush(stderr);
    return app.exec();
}
