#include "MainWindow.h"
#include "QtGermanTranslation.h"
#include "QtStartupNoise.h"
#include "common/Logging.h"
#include "engine/HeadlessStart.h"
#include "engine/ProgramEnd.h"
#include "engine/ProgramOptions.h"
#include "engine/SendCommand.h"
#include "engine/SingleInstance.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("send"))
        return SendCommand::run(argc, argv);
    const ProgramOptions options = ProgramOptions::parse(ProgramOptions::fromArgv(argc, argv));
    if (const int code = options.answer(); code >= 0)
        return code;

    Engine::Options engineOptions;
    QString error;
    if (!options.openFolder(&engineOptions.folder, &error)) {
        std::fprintf(stderr, "zelvo: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    // The working folder is the folder of the lists, however Zelvo started.
    QDir::setCurrent(engineOptions.folder.absolutePath());

    // Without a window the engine runs in zelvo-headless, which never loads
    // the widget libraries.
    if (options.headless || !HeadlessStart::haveDisplay()) {
        if (!options.headless)
            std::fprintf(stderr, "zelvo: kein Bildschirm gefunden (weder DISPLAY noch WAYLAND_DISPLAY) - "
                                 "Zelvo läuft ohne Fenster (--headless).\n");
        const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        const QString failure = HeadlessStart::exec(self, argc, argv);
        std::fprintf(stderr, "zelvo: %s\n", failure.toLocal8Bit().constData());
        return 1;
    }

    // A second start in a folder hands over to the Zelvo running there (the
    // headless program above makes the same check itself).
    SingleInstance instance(engineOptions.folder);
    if (!instance.claim())
        return instance.handOver();

    useZelvoLogPattern();
    QtStartupNoise::silence();
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelvo"));
    const ProgramEnd end;
    // Qt's own texts in German too, whatever LANG says.
    QtGermanTranslation::install(&app);
    MainWindow form(engineOptions);
    form.startUp();
    QObject::connect(&instance, &SingleInstance::showWindowRequested, &form, &MainWindow::openWindow);
    instance.serve(form.engine());
    const int status = app.exec();
    instance.release();
    end.logEnded();
    return status;
}
