#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// The command line of zelvo:
//   zelvo [--folder ORDNER | --default-folder] [--headless] [--version]
// (`zelvo send …` is SendCommand's; the help lists both.)
// Without a folder option Zelvo works in the current folder (make run).
struct ProgramOptions {
    static constexpr const char *kWindowProgram = "zelvo";
    static constexpr const char *kHeadlessProgram = "zelvo-headless";

    QString program = QLatin1String(kWindowProgram); // the name help and errors use
    QString folder;             // as given with --folder; empty: see below
    bool defaultFolder = false; // --default-folder: DefaultFolder::path()
    bool headless = false;
    bool version = false;
    bool help = false;
    QString error; // German, set when the line cannot be used

    // arguments as from QCoreApplication::arguments(), the program first.
    // Works before any application object exists.
    static ProgramOptions parse(const QStringList &arguments);
    static QStringList fromArgv(int argc, char **argv);
    // The help of program (kWindowProgram or kHeadlessProgram), its own options only.
    static QString usage(const QString &program);

    // Answers --help, --version or a wrong line on stdout/stderr and returns
    // the exit code; -1 when the program should run.
    int answer() const;

    // The folder of the lists and settings. The default folder is created
    // (with its LIESMICH.txt) when missing; a folder given with --folder
    // must exist. Sets error and returns false when it cannot be used.
    bool openFolder(QDir *dir, QString *error) const;
};
