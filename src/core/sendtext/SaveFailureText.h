#pragma once

#include <QString>

// What the user is told when a settings file could not be written.
QString saveFailureText(const QString &fileName, const QString &reason);
