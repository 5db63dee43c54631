// `zelvo web-password` as a user runs it: from a pipe (its first line) and
// on a terminal (a pseudo-terminal: asked twice, no echo). Only a hash is
// stored, the rest of zelvo.ini stays, every login ends.
#include "TempFolder.h"

#include "web/PasswordHash.h"
#include "web/SessionStore.h"
#include "web/WebSettings.h"

#include <QProcess>
#include <QTest>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray kIni = "; Zelvos Einstellungen\r\n[Zurueckhalten_Minuten]\r\nTexte=45\r\n\r\n[Webseite]\r\n"
                        "Port=8471\r\nPasswort=alt\r\n";

// Runs it on a pseudo-terminal, typing each line after the prompt before it.
int onTerminal(const QString &folder, const QList<QByteArray> &lines, QByteArray *shown)
{
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        const QByteArray f = QFile::encodeName(folder);
        execl(ZELVO_BIN, ZELVO_BIN, "web-password", "--folder", f.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    for (const QByteArray &line : lines) {
        // Each prompt ends in ": "; the answer goes after it.
        char c = 0;
        QByteArray seen;
        while (!seen.endsWith(": ") && ::read(master, &c, 1) == 1)
            seen += c;
        *shown += seen;
        if (::write(master, line.constData(), size_t(line.size())) != line.size())
            break;
    }
    char buffer[512];
    ssize_t n = 0;
    while ((n = ::read(master, buffer, sizeof buffer)) > 0)
        *shown += QByteArray(buffer, int(n));
    int status = 0;
    waitpid(pid, &status, 0);
    ::close(master);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class TestWebPassword : public QObject
{
    Q_OBJECT
private slots:
    void newPassword_data();
    void newPassword();
};

void TestWebPassword::newPassword_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<QList<QByteArray>>("typed");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("password"); // "alt": unchanged
    QTest::newRow("pipe") << false << QList<QByteArray>{"Sofa und Tee\nzweite Zeile\n"} << 0 << QByteArray("Sofa und Tee");
    QTest::newRow("pipe, no line end") << false << QList<QByteArray>{"Sofa"} << 0 << QByteArray("Sofa");
    QTest::newRow("pipe, empty: off") << false << QList<QByteArray>{"\n"} << 0 << QByteArray();
    QTest::newRow("terminal") << true << QList<QByteArray>{"geheim 1\n", "geheim 1\n"} << 0 << QByteArray("geheim 1");
    QTest::newRow("terminal, typed apart") << true << QList<QByteArray>{"geheim 1\n", "geheim 2\n"} << 1
                                           << QByteArray("alt");
}

void TestWebPassword::newPassword()
{
    QFETCH(bool, terminal);
    QFETCH(QList<QByteArray>, typed);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, password);
    TempFolder folder;
    folder.write("zelvo.ini", kIni);
    folder.write(SessionStore::kFileName, "{\"sessions\":[]}");

    QByteArray shown;
    int code = -1;
    if (terminal) {
        code = onTerminal(folder.dir().path(), typed, &shown);
    } else {
        QProcess p;
        p.start(ZELVO_BIN, {"web-password", "--folder", folder.dir().path()});
        QVERIFY(p.waitForStarted());
        p.write(typed.join());
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished(60000));
        code = p.exitCode();
        shown = p.readAllStandardError();
    }
    QCOMPARE(code, exitCode);
    for (const QByteArray &line : typed)
        QVERIFY2(line.trimmed().isEmpty() || !shown.contains(line.trimmed()), shown.constData()); // never echoed

    const QByteArray ini = folder.read("zelvo.ini");
    const QString stored = WebSettings(folder.dir()).passwordHash();
    if (password == "alt") {
        QCOMPARE(ini, kIni);
        QVERIFY(folder.dir().exists(SessionStore::kFileName));
        return;
    }
    QCOMPARE(stored.isEmpty(), password.isEmpty());
    if (!password.isEmpty()) {
        QVERIFY(stored.startsWith("pbkdf2-sha256$600000$"));
        QVERIFY(PasswordHash::matches(password, stored));
        QVERIFY(!ini.contains(password));
    }
    QVERIFY(ini.startsWith("; Zelvos Einstellungen\r\n[Zurueckhalten_Minuten]\r\nTexte=45\r\n\r\n[Webseite]\r\n"
                           "Port=8471\r\nPasswort="));
    QVERIFY(!folder.dir().exists(SessionStore::kFileName));
}

QTEST_GUILESS_MAIN(TestWebPassword)
#include "tst_webpassword.moc"
