#pragma once

#include <QString>

class QCommandLineParser;

// Why QCommandLineParser refused a call, in German: its own text is English
// (the German translation is loaded only once the window exists).
namespace CommandLineError {

// "unbekannte Angabe --fenster", "--folder braucht einen Wert",
// "--json nimmt keinen Wert".
QString german(const QCommandLineParser &parser);

} // namespace CommandLineError
