#include "app/WebPasswordCommand.h"

#include "web/PasswordHash.h"
#include "web/SessionStore.h"
#include "web/WebSettings.h"

#include <QDir>
#include <QStringList>

#include <termios.h>
#include <unistd.h>

namespace {

// A password longer than this is no typing; the rest of the line is dropped.
constexpr int kMaxPassword = 1024;

// One line without its line end; false at the end of the input.
bool readLine(std::FILE *in, QByteArray *line)
{
    line->clear();
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(in)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        if (line->size() < kMaxPassword)
            line->append(char(c));
    }
    if (line->endsWith('\r'))
        line->chop(1);
    return any;
}

// Asks on the terminal without echo.
QByteArray ask(std::FILE *in, std::FILE *out, const char *prompt, bool *ok)
{
    // Echo off before the prompt, so that nothing typed right after it shows.
    const int fd = fileno(in);
    termios old {};
    const bool terminal = ::tcgetattr(fd, &old) == 0;
    if (terminal) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(fd, TCSANOW, &quiet);
    }
    std::fputs(prompt, out);
    std::fflush(out);
    QByteArray line;
    *ok = readLine(in, &line);
    if (terminal) {
        ::tcsetattr(fd, TCSANOW, &old);
        std::fputs("\n", out);
    }
    return line;
}

} // namespace

QString WebPasswordCommand::usage()
{
    return QStringLiteral("Aufruf: zelvo web-password [--folder ORDNER]\n"
                          "  liest das neue Passwort der Webseite von der Standardeingabe (am Terminal\n"
                          "  zweimal, ohne Echo); ein leeres Passwort schaltet die Webseite aus.\n"
                          "  --folder ORDNER   der Ordner mit zelvo.ini (ohne: der aktuelle Ordner)\n");
}

int WebPasswordCommand::run(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 2; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return run(arguments, stdin, stderr);
}

int WebPasswordCommand::run(const QStringList &arguments, std::FILE *in, std::FILE *out)
{
    QDir folder = QDir::current();
    for (int i = 0; i < arguments.size(); ++i) {
        const QString a = arguments.at(i);
        if (a == QStringLiteral("-h") || a == QStringLiteral("--help")) {
            std::fputs(usage().toLocal8Bit().constData(), stdout);
            return 0;
        }
        QString given;
        if (a == QStringLiteral("--folder") && i + 1 < arguments.size())
            given = arguments.at(++i);
        else if (a.startsWith(QStringLiteral("--folder=")))
            given = a.mid(9);
        if (given.isEmpty() || !QDir(given).exists()) {
            std::fprintf(out, "zelvo web-password: %s\n\n%s",
                         given.isEmpty() ? qPrintable(QStringLiteral("unbekannt: ") + a)
                                         : "--folder braucht einen vorhandenen Ordner",
                         usage().toLocal8Bit().constData());
            return 2;
        }
        folder = QDir(given);
    }

    QByteArray password;
    if (::isatty(fileno(in))) {
        bool ok = false;
        password = ask(in, out, "Neues Passwort der Webseite (leer = aus): ", &ok);
        const QByteArray again = ok ? ask(in, out, "Noch einmal: ", &ok) : QByteArray();
        if (!ok || again != password) {
            std::fputs("zelvo web-password: die beiden Eingaben sind verschieden - nichts geändert\n", out);
            return 1;
        }
    } else {
        readLine(in, &password);
    }

    WebSettings settings(folder);
    const QString hash = password.isEmpty() ? QString() : PasswordHash::make(QString::fromUtf8(password));
    password.fill('\0');
    QString error = settings.setPasswordHash(hash);
    if (error.isEmpty())
        error = SessionStore::clearFile(folder);
    if (!error.isEmpty()) {
        std::fprintf(out, "zelvo web-password: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    if (hash.isEmpty())
        std::fputs("Webseite ausgeschaltet (kein Passwort).\n", out);
    else if (settings.port() == 0)
        std::fputs("Passwort gespeichert; die Webseite bleibt aus, bis [Webseite] Port= eine Portnummer nennt.\n", out);
    else
        std::fprintf(out, "Passwort gespeichert, alle Anmeldungen beendet. War die Webseite aus, zeigt ein "
                          "laufendes Zelvo sie erst nach einem Neustart (Port %d).\n",
                     settings.port());
    return 0;
}
