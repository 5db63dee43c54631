#include "app/AutostartEntry.h"

#include "common/AtomicFile.h"
#include "engine/DefaultFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// One argument of an Exec line: quoted, and escaped twice, once for the
// quoting and once for the desktop file's own backslash rule.
QByteArray execArgument(QString argument)
{
    for (const char c : {'\\', '"', '`', '$'})
        argument.replace(QLatin1Char(c), QStringLiteral("\\") + QLatin1Char(c));
    argument.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return '"' + argument.toUtf8() + '"';
}

} // namespace

AutostartEntry::AutostartEntry(const QString &folder)
    : m_folder(QDir::cleanPath(folder))
{
}

QString AutostartEntry::path() const
{
    // GenericConfigLocation is $XDG_CONFIG_HOME, or ~/.config when unset.
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/");
    if (DefaultFolder::isDefault(m_folder))
        return dir + QStringLiteral("zelvo.desktop");
    // The folder's name to read, its whole path's hash to keep folders of
    // the same name apart.
    const QByteArray hash = QCryptographicHash::hash(m_folder.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    QString name = QFileInfo(m_folder).fileName();
    for (QChar &c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return dir + QStringLiteral("zelvo-%1-%2.desktop").arg(name, QString::fromLatin1(hash));
}

bool AutostartEntry::isOn() const
{
    return QFileInfo(path()).isFile();
}

QByteArray AutostartEntry::text(const QString &program) const
{
    // The package's menu entry, the one source of name, comment and icon.
    QFile menuEntry(QStringLiteral(":/zelvo.desktop"));
    menuEntry.open(QIODevice::ReadOnly);
    const bool isDefault = DefaultFolder::isDefault(m_folder);
    const QByteArray folderArguments = isDefault ? QByteArray("--default-folder")
                                                 : "--folder " + execArgument(m_folder);
    const QByteArray shown = DefaultFolder::shownName(m_folder).toUtf8();
    QByteArray out;
    const QList<QByteArray> lines = menuEntry.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Exec="))
            out += "Exec=" + execArgument(program) + ' ' + folderArguments + '\n';
        else if (line.startsWith("Name=") && !isDefault)
            out += line + " (" + shown + ")\n";
        else if (line.startsWith("Comment="))
            out += line + " - Ordner " + shown + '\n';
        else if (!line.isEmpty())
            out += line + '\n';
    }
    out += "X-GNOME-Autostart-enabled=true\n";
    return out;
}

bool AutostartEntry::turnOn(const QString &program, QString *error) const
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

bool AutostartEntry::turnOff(QString *error) const
{
    QFile entry(path());
    if (entry.exists() && !entry.remove()) {
        *error = QStringLiteral("%1 kann nicht gelöscht werden: %2").arg(entry.fileName(), entry.errorString());
        return false;
    }
    return true;
}
