#include "engine/AutostartEntry.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString AutostartEntry::path()
{
    // GenericConfigLocation is $XDG_CONFIG_HOME, or ~/.config when unset.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/zelvo.desktop");
}

bool AutostartEntry::isOn()
{
    return QFileInfo(path()).isFile();
}

QByteArray AutostartEntry::text(const QString &program)
{
    // The package's menu entry, the one source of name, comment and icon.
    QFile menuEntry(QStringLiteral(":/zelvo.desktop"));
    menuEntry.open(QIODevice::ReadOnly);
    QString quoted = program;
    for (const char c : {'\\', '"', '`', '$'})
        quoted.replace(QLatin1Char(c), QStringLiteral("\\") + QLatin1Char(c));
    // The desktop file format escapes a backslash once more.
    quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    QByteArray out;
    const QList<QByteArray> lines = menuEntry.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Exec="))
            out += "Exec=\"" + quoted.toUtf8() + "\" --default-folder\n";
        else if (!line.isEmpty())
            out += line + '\n';
    }
    out += "X-GNOME-Autostart-enabled=true\n";
    return out;
}

bool AutostartEntry::turnOn(const QString &program, QString *error)
{
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        *error = QStringLiteral("Der Ordner %1 kann nicht angelegt werden.").arg(QFileInfo(file).absolutePath());
        return false;
    }
    const QString reason = AtomicFile::write(file, text(program));
    if (!reason.isEmpty()) {
        *error = QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(file, reason);
        return false;
    }
    return true;
}

bool AutostartEntry::turnOff(QString *error)
{
    QFile entry(path());
    if (entry.exists() && !entry.remove()) {
        *error = QStringLiteral("%1 kann nicht gelöscht werden: %2").arg(entry.fileName(), entry.errorString());
        return false;
    }
    return true;
}
