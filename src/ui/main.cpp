#include "MainWindow.h"
#include "QtStartupNoise.h"
#include "common/Logging.h"
#include "engine/HeadlessStart.h"
#include "engine/ProgramOptions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char *argv[])
{
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

    useZelvoLogPattern();
    QtStartupNoise::silence();
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelvo"));
    MainWindow form(engineOptions);
    form.startUp();
    return app.exec();
}
