#include "CheckCommandLine.h"
#include "common/CommandLineError.h"

#include <QCommandLineParser>

QDateTime CheckCommandLine::parseAt(const QString &text)
{
    const QString t = text.trimmed();
    for (const QString &format : {QStringLiteral("yyyy-MM-dd HH:mm"), QStringLiteral("yyyy-MM-dd HH:mm:ss"),
                                  QStringLiteral("yyyy-MM-ddTHH:mm"), QStringLiteral("yyyy-MM-ddTHH:mm:ss")}) {
        const int split = t.indexOf(QLatin1Char(format.contains(QLatin1Char('T')) ? 'T' : ' '));
        if (split < 0)
            continue;
        const QString dateFormat = format.left(10);
        const QString timeFormat = format.mid(11);
        const QDate date = QDate::fromString(t.left(split), dateFormat);
        const QTime time = QTime::fromString(t.mid(split + 1), timeFormat);
        if (!date.isValid() || !time.isValid())
            continue;
        const QDateTime local(date, time);
        if (local.isValid() && local.date() == date && local.time() == time)
            return local;
    }
    return {};
}

QString CheckCommandLine::usage()
{
    return QStringLiteral(
        "Aufruf: zelvo-check [ORDNER | --folder ORDNER] [--at \"JJJJ-MM-TT HH:MM\"] [--json]\n"
        "\n"
        "Prüft zlv-tag.txt, zlv-woch.txt, zlv-term.txt und boxip.ini im ORDNER (sonst im\n"
        "aktuellen Ordner) so, wie Zelvo sie liest: jede Zeile, die nie gesendet wird, mit\n"
        "dem Grund, Hinweise zu Zeilen, die anders gesendet werden als geschrieben, und die\n"
        "nächsten 10 fälligen Erinnerungen.\n"
        "\n"
        "  --folder ORDNER          der Ordner, wie bei zelvo --folder\n"
        "  --at \"JJJJ-MM-TT HH:MM\"  so prüfen, als wäre es jetzt diese Ortszeit\n"
        "  --json                   JSON, ein Objekt je Zeile\n"
        "  -h, --help               diese Hilfe\n"
        "\n"
        "Rückgabewert: 0 jede Zeile kann gesendet werden, 1 mindestens eine Zeile wird nie\n"
        "gesendet, eine Adresse in boxip.ini wird nie angesprochen oder keine Box ist\n"
        "eingerichtet (boxip.ini fehlt oder nennt keine Adresse), 2 eine Datei oder der\n"
        "Ordner kann nicht gelesen werden (oder der Aufruf ist falsch). Eine fehlende Liste\n"
        "ist eine leere Liste.\n");
}

CheckCommandLine CheckCommandLine::parse(const QStringList &arguments)
{
    CheckCommandLine c;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption at(QStringLiteral("at"), QString(), QStringLiteral("zeit"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("ordner"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({at, json, folder, help});
    if (!parser.parse(arguments)) {
        c.error = QStringLiteral("unbekannter Aufruf: %1").arg(CommandLineError::german(parser));
        return c;
    }
    c.help = parser.isSet(help);
    c.json = parser.isSet(json);
    if (parser.isSet(at)) {
        c.at = parseAt(parser.value(at));
        if (!c.at.isValid())
            c.error = QStringLiteral("--at \"%1\": keine gültige Ortszeit der Form JJJJ-MM-TT HH:MM")
                          .arg(parser.value(at));
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.size() + (parser.isSet(folder) ? 1 : 0) > 1)
        c.error = QStringLiteral("nur ein Ordner kann geprüft werden");
    else if (rest.size() == 1)
        c.folder = rest.first();
    else if (parser.isSet(folder))
        c.folder = parser.value(folder);
    return c;
}
