#pragma once

#include <QByteArray>
#include <QString>

// The user's XDG autostart entry for the Zelvo of one folder, in
// $XDG_CONFIG_HOME/autostart (~/.config when unset): the menu entry of the
// package, started on that folder. Each folder has an entry of its own, so
// two Zelvos on two folders can both start at login; the one of ~/Zelvo is
// zelvo.desktop and starts with --default-folder, as the menu entry does.
class AutostartEntry
{
public:
    // folder: the folder of the lists, absolute.
    explicit AutostartEntry(const QString &folder);

    QString path() const;
    bool isOn() const;
    // program: the zelvo to start, an absolute path.
    bool turnOn(const QString &program, QString *error) const;
    bool turnOff(QString *error) const;
    QByteArray text(const QString &program) const;

private:
    QString m_folder;
};
