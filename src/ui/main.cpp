#include "MainWindow.h"
#include "engine/SendCommand.h"
#include "engine/SingleInstance.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("send"))
        return SendCommand::run(argc, argv);
    // A second start in a folder hands over to the Zelvo running there.
    SingleInstance instance(QDir::current());
    if (!instance.claim())
        return instance.handOver();

    // Without a display the reminders and the status watch still run.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        std::fprintf(stderr, "zelvo: kein Bildschirm gefunden (weder DISPLAY noch WAYLAND_DISPLAY) - "
                             "Zelvo läuft ohne Fenster weiter (Qt-Plattform offscreen).\n");
    }
    if (qEnvironmentVariableIsEmpty("QT_MESSAGE_PATTERN"))
        qSetMessagePattern(QStringLiteral("%{time yyyy-MM-dd hh:mm:ss} %{category} %{if-warning}warnung: %{endif}%{message}"));

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelvo"));

    MainWindow form;
    form.startUp();
    QObject::connect(&instance, &SingleInstance::showWindowRequested, &form, &MainWindow::openWindow);
    instance.serve(form.engine());
    return app.exec();
}
