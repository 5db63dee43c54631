#include "QtGermanTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool QtGermanTranslation::install(QCoreApplication *app)
{
    auto *translator = new QTranslator(app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qtbase_de covers the widgets' texts; Debian ships it in qt6-translations-l10n.
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
        qWarning("Qt-Übersetzung qtbase_de fehlt in %s (Paket qt6-translations-l10n) - Qt-eigene Texte bleiben englisch",
                 qPrintable(folder));
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
