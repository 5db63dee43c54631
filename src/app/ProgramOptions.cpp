#include "app/ProgramOptions.h"
#include "common/CommandLineError.h"

#include "app/DefaultFolderSetup.h"
#include "app/SendCommand.h"
#include "engine/DefaultFolder.h"
#include "common/Version.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

QStringList ProgramOptions::fromArgv(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

QString ProgramOptions::usage(const QString &program)
{
    // zelvo-headless has no window to leave: --headless is only zelvo's.
    const bool window = program == QLatin1String(kWindowProgram);
    return QStringLiteral(
               "Aufruf: %1 [--folder ORDNER | --default-folder]%2 [--version]\n"
               "        %1 send [--box 1,3] [--popup | --message] [--confirm] [--wait] [--expire MINUTEN]\n"
               "        %3      [--folder ORDNER] TEXT\n"
               "        %1 web-password [--folder ORDNER]   (das Passwort der Webseite)\n"
               "\n"
               "Zeigt Erinnerungen und Texte auf den Fernsehern an D-Boxen (Neutrino) und\n"
               "Enigma2-Receivern (OpenWebif)%4.\n"
               "\n"
               "  --folder ORDNER    Listen und Einstellungen aus diesem Ordner (sonst aus dem\n"
               "                     aktuellen Ordner)\n"
               "  --default-folder   aus dem Ordner %5 (wird beim ersten Start angelegt)\n")
               .arg(program, window ? QStringLiteral(" [--headless]") : QString(),
                    QString(program.size(), QLatin1Char(' ')),
                    window ? QString() : QStringLiteral(", ohne Fenster: Meldungen gehen ins Protokoll (stderr)"),
                    DefaultFolder::path())
        + (window ? QStringLiteral("  --headless         ohne Fenster: nur Erinnerungen, Statusüberwachung und\n"
                                   "                     Meldungen, ins Protokoll (stderr); ohne Bildschirm von selbst\n")
                  : QString())
        + QStringLiteral("  --version          die Version ausgeben\n"
                         "  -h, --help         diese Hilfe\n"
                         "\n"
                         "%1 send schickt einen Text aus einem Skript:\n"
                         "\n")
              .arg(program)
        + SendCommand::usage(program);
}

ProgramOptions ProgramOptions::parse(const QStringList &arguments)
{
    ProgramOptions o;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("ordner"));
    const QCommandLineOption defaultFolder(QStringLiteral("default-folder"));
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({folder, defaultFolder, headless, version, help});
    if (!parser.parse(arguments)) {
        o.error = QStringLiteral("unbekannter Aufruf: %1").arg(CommandLineError::german(parser));
        return o;
    }
    o.help = parser.isSet(help);
    o.version = parser.isSet(version);
    o.headless = parser.isSet(headless);
    o.defaultFolder = parser.isSet(defaultFolder);
    if (parser.isSet(folder))
        o.folder = parser.value(folder);
    if (o.defaultFolder && parser.isSet(folder))
        o.error = QStringLiteral("--folder und --default-folder schließen einander aus");
    else if (parser.isSet(folder) && o.folder.isEmpty())
        o.error = QStringLiteral("--folder braucht einen Ordner");
    else if (!parser.positionalArguments().isEmpty())
        o.error = QStringLiteral("unbekannter Aufruf: %1").arg(parser.positionalArguments().first());
    return o;
}

bool ProgramOptions::openFolder(QDir *dir, QString *error) const
{
    if (defaultFolder) {
        const QString path = DefaultFolder::path();
        if (!DefaultFolderSetup::prepare(path, error))
            return false;
        *dir = QDir(path);
        return true;
    }
    if (folder.isEmpty()) {
        *dir = QDir::current();
        return true;
    }
    if (!QFileInfo(folder).isDir()) {
        *error = QStringLiteral("den Ordner %1 gibt es nicht").arg(folder);
        return false;
    }
    *dir = QDir(QFileInfo(folder).absoluteFilePath());
    return true;
}

int ProgramOptions::answer() const
{
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", program.toLocal8Bit().constData(), error.toLocal8Bit().constData(),
                     usage(program).toLocal8Bit().constData());
        return 2;
    }
    if (help) {
        std::fputs(usage(program).toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (version) {
        std::fputs("zelvo " ZELVO_VERSION "\n", stdout);
        return 0;
    }
    return -1;
}
