// zelvo-headless: the engine without a window, on the core library alone
// (no widget library is loaded): reminders, status watch and notices, all
// logged to stderr, for the journal when it runs as a user service.
#include "common/Logging.h"
#include "engine/DefaultFolder.h"
#include "engine/Engine.h"
#include "engine/ProgramEnd.h"
#include "engine/ProgramOptions.h"
#include "engine/SendCommand.h"
#include "engine/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    // The service package has no zelvo program: `zelvo-headless send` is
    // `zelvo send` there.
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("send"))
        return SendCommand::run(argc, argv);
    const ProgramOptions options = ProgramOptions::parse(ProgramOptions::fromArgv(argc, argv));
    if (const int code = options.answer(); code >= 0)
        return code;

    useZelvoLogPattern();
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelvo"));

    Engine::Options engineOptions;
    QString error;
    if (!options.openFolder(&engineOptions.folder, &error)) {
        std::fprintf(stderr, "zelvo: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    // The working folder is the folder of the lists, however Zelvo started.
    QDir::setCurrent(engineOptions.folder.absolutePath());
    // A second start in a folder hands over to the Zelvo running there.
    SingleInstance instance(engineOptions.folder);
    if (!instance.claim())
        return instance.handOver();
    const ProgramEnd end;
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
    instance.serve(&engine, false);
    const int status = app.exec();
    instance.release();
    end.logEnded();
    return status;
}
