#pragma once

#include <QString>
#include <QStringList>

// The settings print form and the one way settings files are written:
// one value per line, CR LF, "Wahr" / "Falsch" for booleans, " 1 " for
// integers, written through AtomicFile so that a crash or a full disk never
// leaves a half-written file.
namespace SettingsFile {

QString printBool(bool value);
QString printInt(int value);

// Returns an empty string on success, otherwise the reason in German.
QString writeLines(const QString &path, const QStringList &lines);

// What the user is told when a settings file could not be written.
QString saveFailureText(const QString &fileName, const QString &reason);

} // namespace SettingsFile
