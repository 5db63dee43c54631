#pragma once

#include <QByteArray>
#include <QString>

// The user's XDG autostart entry for Zelvo,
// $XDG_CONFIG_HOME/autostart/zelvo.desktop (~/.config when unset): the
// menu entry of the package, started with the default folder.
class AutostartEntry
{
public:
    static QString path();
    static bool isOn();
    // program: the zelvo to start, an absolute path.
    static bool turnOn(const QString &program, QString *error);
    static bool turnOff(QString *error);
    static QByteArray text(const QString &program);
};
