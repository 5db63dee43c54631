// boxsim: a stand-in for a set-top box. It listens on one address and port
// and writes every request it gets as one JSON line, so that anyone can see
// what Zelvo would put on the television, on a box with an old or a new
// web server, or on an Enigma2 receiver.

#include "BoxSimulator.h"
#include "common/CommandLineError.h"
#include "common/SystemErrorText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdio>

namespace {

// Qt's help with its English headings in German.
QString germanHelp(const QCommandLineParser &parser)
{
    return parser.helpText()
        .replace(QStringLiteral("Usage:"), QStringLiteral("Aufruf:"))
        .replace(QStringLiteral("[options]"), QStringLiteral("[Optionen]"))
        .replace(QStringLiteral("Options:"), QStringLiteral("Optionen:"));
}

QString usage(const QCommandLineParser &parser)
{
    return germanHelp(parser).section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n');
}

// QCommandLineParser names a wrong call in English; the option it means is
// the part in quotes.
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("boxsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Steht für eine Set-Top-Box: schreibt jede Anfrage als eine JSON-Zeile "
        "(time, address, request, kind, text und shown: der Text, wie ihn der Fernseher zeigt; "
        "timeout, wenn die Anfrage eines nennt; discarded, wenn die Box die Nachricht verworfen hat) "
        "und antwortet mit 200.\n"
        "Wie die Box antwortet sie auf /control/getmode mit ihrem Modus und auf /control/standby mit "
        "on oder off; eine Nachricht beantwortet sie immer mit ok, zeigt sie aber im Modus standby "
        "oder avinput nicht (shown leer, discarded nennt den Modus).\n"
        "Umschalten, während sie läuft: GET /boxsim/mode?set=MODUS (z. B. curl "
        "'http://ADRESSE:PORT/boxsim/mode?set=tv'); die Antwort ist der Modus, GET /boxsim/mode "
        "fragt ihn nur ab. Diese Anfragen werden nicht aufgezeichnet."));
    // QCommandLineParser's own help option speaks English.
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Zeigt diese Hilfe."));
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("IPv4-Adresse, auf der boxsim wartet (nötig)."),
                                           QStringLiteral("A"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("TCP-Port (sonst 80)."),
                                        QStringLiteral("PORT"), QStringLiteral("80"));
    const QCommandLineOption outOption(QStringLiteral("out"),
                                       QStringLiteral("Hängt die JSON-Zeilen an DATEI an statt sie auf stdout zu schreiben."),
                                       QStringLiteral("DATEI"));
    const QCommandLineOption firmwareOption(
        QStringLiteral("firmware"),
        QStringLiteral("old: ein Webserver vor nhttpd 3.4.1, der eine Anfrage zweimal dekodiert; new: ein "
                       "aktueller (Vorgabe)."),
        QStringLiteral("old|new"), QStringLiteral("new"));
    const QCommandLineOption modeOption(
        QStringLiteral("mode"),
        QStringLiteral("Modus beim Start: tv (Vorgabe), standby, avinput, radio, audio, pic, ts, webtv, upnp, "
                       "webradio oder unknown."),
        QStringLiteral("MODUS"), QStringLiteral("tv"));
    const QCommandLineOption noGetmodeOption(
        QStringLiteral("no-getmode"),
        QStringLiteral("Ein alter Webserver, der weder /control/getmode noch /control/standby kennt (404)."));
    const QCommandLineOption kindOption(
        QStringLiteral("kind"),
        QStringLiteral("nhttpd: eine Box mit /control/message (Vorgabe); enigma2: ein Enigma2-Receiver mit "
                       "OpenWebif, der /api/message, /api/about, /api/powerstate und /api/statusinfo mit JSON "
                       "beantwortet (kind \"message\" in der JSON-Zeile) und alles andere mit 404; im Modus "
                       "standby verwirft er Nachrichten."),
        QStringLiteral("nhttpd|enigma2"), QStringLiteral("nhttpd"));
    const QCommandLineOption authOption(
        QStringLiteral("auth"),
        QStringLiteral("Nur mit --kind enigma2: die Box verlangt Benutzer und Passwort (HTTP Basic) und "
                       "beantwortet jede Anfrage ohne sie mit 401 (discarded \"unauthorized\")."),
        QStringLiteral("BENUTZER:PASSWORT"));
    parser.addOptions({helpOption, addressOption, portOption, outOption, firmwareOption, kindOption, authOption,
                       modeOption, noGetmodeOption});
    if (!parser.parse(app.arguments())) {
        std::fprintf(stderr, "boxsim: %s\n%s", qPrintable(CommandLineError::german(parser)), qPrintable(usage(parser)));
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(germanHelp(parser)), stdout);
        return 0;
    }

    const QHostAddress address(parser.value(addressOption));
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        std::fprintf(stderr, "boxsim: --address braucht eine IPv4-Adresse, nicht \"%s\"\n",
                     qPrintable(parser.value(addressOption)));
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "boxsim: --port braucht eine Zahl von 0 bis 65535\n");
        return 2;
    }

    const QString firmware = parser.value(firmwareOption);
    if (firmware != QLatin1String("old") && firmware != QLatin1String("new")) {
        std::fprintf(stderr, "boxsim: --firmware braucht old oder new, nicht \"%s\"\n", qPrintable(firmware));
        return 2;
    }

    const QString kind = parser.value(kindOption);
    if (kind != QLatin1String("nhttpd") && kind != QLatin1String("enigma2")) {
        std::fprintf(stderr, "boxsim: --kind braucht nhttpd oder enigma2, nicht \"%s\"\n", qPrintable(kind));
        return 2;
    }
    const QString login = parser.value(authOption);
    if (parser.isSet(authOption) && (kind != QLatin1String("enigma2") || login.indexOf(QLatin1Char(':')) < 1)) {
        std::fprintf(stderr, "boxsim: --auth braucht BENUTZER:PASSWORT und --kind enigma2\n");
        return 2;
    }

    QFile output;
    if (parser.isSet(outOption)) {
        output.setFileName(parser.value(outOption));
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
    box.setFirmware(firmware == QLatin1String("old") ? FirmwareKind::Old : FirmwareKind::New);
    box.setKnowsMode(!parser.isSet(noGetmodeOption));
    box.setKind(kind == QLatin1String("enigma2") ? BoxSimulator::Kind::Enigma2 : BoxSimulator::Kind::Nhttpd);
    box.setLogin(login.toUtf8());
    if (!box.setMode(parser.value(modeOption).toUtf8())) {
        std::fprintf(stderr, "boxsim: --mode braucht einen dieser Modi: %s; nicht \"%s\"\n",
                     BoxSimulator::modes().join(", ").constData(), qPrintable(parser.value(modeOption)));
        return 2;
    }
    QObject::connect(&box, &BoxSimulator::modeChanged, [](const QByteArray &mode) {
        std::fprintf(stderr, "boxsim: jetzt im Modus %s\n", mode.constData());
        std::fflush(stderr);
    });
    if (!box.listen(address, static_cast<quint16>(port))) {
        std::fprintf(stderr, "boxsim: kann nicht auf %s:%u warten: %s%s\n", qPrintable(address.toString()), port,
                     qPrintable(box.errorString()),
                     port < 1024 ? " (Ports unter 1024 brauchen root oder setcap cap_net_bind_service+ep)" : "");
        return 1;
    }
    // Scripts wait for this line before they let anything talk to the box.
    std::fprintf(stderr, "boxsim: wartet auf %s:%u\n", qPrintable(address.toString()), box.port());
    std::fflush(stderr);
    return app.exec();
}
