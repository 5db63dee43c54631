#include "BoxsimCommandLine.h"

#include "common/CommandLineError.h"

#include <QCommandLineParser>

namespace {

// Qt's help with its English headings in German.
QString germanHelp(const QCommandLineParser &parser)
{
    return parser.helpText()
        .replace(QStringLiteral("Usage:"), QStringLiteral("Aufruf:"))
        .replace(QStringLiteral("[options]"), QStringLiteral("[Optionen]"))
        .replace(QStringLiteral("Options:"), QStringLiteral("Optionen:"));
}

} // namespace

BoxsimCommandLine BoxsimCommandLine::parse(const QStringList &arguments)
{
    BoxsimCommandLine cmd;
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
        "fragt ihn nur ab. Eine Taste auf einer offenen Ja/Nein-Frage (Enigma2, type=0) drücken: "
        "GET /boxsim/answer?yes, ?no oder ?exit. Diese Anfragen werden nicht aufgezeichnet."));
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
                       "OpenWebif, der /api/message, /api/messageanswer, /api/about, /api/powerstate und "
                       "/api/statusinfo mit JSON beantwortet (kind \"message\" in der JSON-Zeile, bei type=0 "
                       "\"question\": eine Ja/Nein-Frage, die ohne timeout bis zu einem Tastendruck offen bleibt) "
                       "und alles andere mit 404; im Modus standby verwirft er Nachrichten."),
        QStringLiteral("nhttpd|enigma2"), QStringLiteral("nhttpd"));
    const QCommandLineOption authOption(
        QStringLiteral("auth"),
        QStringLiteral("Nur mit --kind enigma2: die Box verlangt Benutzer und Passwort (HTTP Basic) und "
                       "beantwortet jede Anfrage ohne sie mit 401 (discarded \"unauthorized\")."),
        QStringLiteral("BENUTZER:PASSWORT"));
    parser.addOptions({helpOption, addressOption, portOption, outOption, firmwareOption, kindOption, authOption,
                       modeOption, noGetmodeOption});
    cmd.helpText = germanHelp(parser);
    cmd.usage = cmd.helpText.section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n');
    if (!parser.parse(arguments)) {
        cmd.error = CommandLineError::german(parser);
        return cmd;
    }
    cmd.usage.clear(); // only a call the parser refused gets the usage line
    if (parser.isSet(helpOption)) {
        cmd.help = true;
        return cmd;
    }

    cmd.address = QHostAddress(parser.value(addressOption));
    if (cmd.address.isNull() || cmd.address.protocol() != QAbstractSocket::IPv4Protocol) {
        cmd.error = QStringLiteral("--address braucht eine IPv4-Adresse, nicht \"%1\"").arg(parser.value(addressOption));
        return cmd;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        cmd.error = QStringLiteral("--port braucht eine Zahl von 0 bis 65535");
        return cmd;
    }
    cmd.port = quint16(port);

    const QString firmware = parser.value(firmwareOption);
    if (firmware != QLatin1String("old") && firmware != QLatin1String("new")) {
        cmd.error = QStringLiteral("--firmware braucht old oder new, nicht \"%1\"").arg(firmware);
        return cmd;
    }
    cmd.firmware = firmware == QLatin1String("old") ? FirmwareKind::Old : FirmwareKind::New;

    const QString kind = parser.value(kindOption);
    if (kind != QLatin1String("nhttpd") && kind != QLatin1String("enigma2")) {
        cmd.error = QStringLiteral("--kind braucht nhttpd oder enigma2, nicht \"%1\"").arg(kind);
        return cmd;
    }
    cmd.kind = kind == QLatin1String("enigma2") ? BoxSimulator::Kind::Enigma2 : BoxSimulator::Kind::Nhttpd;
    const QString login = parser.value(authOption);
    if (parser.isSet(authOption) && (kind != QLatin1String("enigma2") || login.indexOf(QLatin1Char(':')) < 1)) {
        cmd.error = QStringLiteral("--auth braucht BENUTZER:PASSWORT und --kind enigma2");
        return cmd;
    }
    cmd.login = login.toUtf8();
    cmd.out = parser.value(outOption);
    cmd.mode = parser.value(modeOption).toUtf8();
    if (!BoxSimulator::modes().contains(cmd.mode)) {
        cmd.error = QStringLiteral("--mode braucht einen dieser Modi: %1; nicht \"%2\"")
                        .arg(QString::fromUtf8(BoxSimulator::modes().join(", ")), parser.value(modeOption));
        return cmd;
    }
    cmd.knowsMode = !parser.isSet(noGetmodeOption);
    return cmd;
}
