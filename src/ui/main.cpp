#include "MainWindow.h"
#include "QtGermanTranslation.h"
#include "QtStartupNoise.h"
#include "app/ProgramStart.h"
#include "web/WebPage.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    ProgramStart start(argc, argv, ProgramStart::Program::Window);
    if (const auto status = start.prepare())
        return *status;

    QtStartupNoise::silence();
    const auto app = start.application<QApplication>();
    // Qt's own texts in German too, whatever LANG says.
    QtGermanTranslation::install(app.get());
    Engine::Options engineOptions;
    engineOptions.folder = start.folder();
    // Declared after the application object and before run(): the window
    // and its engine outlive everything that refers to them (the socket's
    // server lives only inside run()).
    MainWindow form(engineOptions);
    form.startUp();
    // The page on the home network, when zelvo.ini switches it on; it goes
    // before the window and its engine.
    WebPage page(form.engine());
    page.restart();
    form.offerWebPage(&page);
    QObject::connect(start.instance(), &SingleInstance::showWindowRequested, &form, &MainWindow::openWindow);
    return start.run(form.engine());
}
