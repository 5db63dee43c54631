#pragma once

class QCoreApplication;

// Qt's own texts - the context menu of every text field, standard buttons,
// file and colour dialogs - in German like the rest of Zelvo, whatever the
// session's locale says.
class QtGermanTranslation
{
public:
    // Loads Qt's German catalogue from Qt's translations folder into app;
    // false (and a warning) when it is not installed.
    static bool install(QCoreApplication *app);
};
