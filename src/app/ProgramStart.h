#pragma once

#include "app/ProgramEnd.h"
#include "app/ProgramOptions.h"
#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>

#include <memory>
#include <optional>

class Engine;

// The start-up that zelvo and zelvo-headless share, around what each runs:
// `send`, --help and --version, the folder, one Zelvo per folder, and an
// orderly end on SIGTERM, SIGINT and SIGHUP.
class ProgramStart
{
public:
    enum class Program { Window, Headless };

    // argc and argv stay the program's: the application object keeps them.
    ProgramStart(int &argc, char **argv, Program program);
    ~ProgramStart();

    // Everything before the application object. An exit status when the
    // program ends here (`send`, help, a wrong call, a folder that cannot be
    // used, the folder's Zelvo already running, the window program without
    // a display, which becomes zelvo-headless); nothing when it runs on.
    std::optional<int> prepare();

    // The folder of the lists, also the working folder (after prepare()).
    QDir folder() const { return m_folder; }
    // Tells the window to show itself when a second start asks.
    SingleInstance *instance() const { return m_instance.get(); }

    // The application object (QApplication or QCoreApplication); from
    // then on the signals end the event loop like "Beenden".
    template <class Application>
    std::unique_ptr<Application> application()
    {
        auto app = std::make_unique<Application>(m_argc, m_argv);
        app->setApplicationName(QStringLiteral("Zelvo"));
        m_end = std::make_unique<ProgramEnd>();
        return app;
    }

    // Takes `zelvo send`'s requests for engine while the event loop runs,
    // then lets go of the folder. Returns the exit status. Nothing here
    // holds engine after the call: the caller keeps engine (and the
    // application object) at least until it returns.
    int run(Engine *engine);

private:
    // Replaces this process with zelvo-headless when asked or without a
    // display; returns only when that fails.
    std::optional<int> leaveForHeadless();

    int &m_argc;
    char **m_argv;
    Program m_program;
    ProgramOptions m_options;
    QDir m_folder;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<ProgramEnd> m_end;
};
