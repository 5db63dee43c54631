// zelvo-headless: the engine without a window, on the core library alone
// (no widget library is loaded): reminders, status watch and notices, all
// logged to stderr, for the journal when it runs as a user service.
#include "app/ProgramStart.h"
#include "common/Logging.h"
#include "engine/DefaultFolder.h"
#include "engine/Engine.h"
#include "web/WebPage.h"

int main(int argc, char *argv[])
{
    ProgramStart start(argc, argv, ProgramStart::Program::Headless);
    if (const auto status = start.prepare())
        return *status;

    const auto app = start.application<QCoreApplication>();
    Engine::Options engineOptions;
    engineOptions.folder = start.folder();
    engineOptions.showsClock = false; // no clock to show: it sleeps between the seconds with work
    // Declared after the application object and before run(): the engine
    // outlives everything that refers to it (the socket's server lives only
    // inside run()).
    Engine engine(engineOptions);
    // What the window shows in a message box goes to the log here.
    QObject::connect(&engine, &Engine::alert, &engine,
                     [](const QString &text) { qCWarning(lcWatch).noquote() << text; });
    qCInfo(lcWatch).noquote() << QStringLiteral("Zelvo läuft ohne Fenster im Ordner %1")
                                     .arg(engineOptions.folder.absolutePath());
    // What the window's panel would say of missing files goes to the log.
    if (const QString notice = DefaultFolder::missingFilesNotice(engineOptions.folder); !notice.isEmpty())
        qCInfo(lcReminders).noquote() << notice;
    engine.start();
    // The page on the home network, when zelvo.ini switches it on; it goes
    // before the engine it asks.
    WebPage page(&engine);
    page.restart();
    return start.run(&engine);
}
