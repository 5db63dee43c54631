#include "web/WebSettings.h"

#include "common/ZelvoSettings.h"

#include <QSettings>

WebSettings::WebSettings(const QDir &folder)
    : m_folder(folder)
{
}

QString WebSettings::value(const QString &key) const
{
    const QSettings file(m_folder.filePath(ZelvoSettings::kFileName), QSettings::IniFormat);
    return file.value(kGroup + QLatin1Char('/') + key).toString().trimmed();
}

QString WebSettings::file(const QString &key) const
{
    const QString name = value(key);
    return name.isEmpty() ? QString() : m_folder.absoluteFilePath(name);
}

int WebSettings::port() const
{
    const QString text = value(QStringLiteral("Port"));
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok && n >= 0 && n <= 65535 ? n : kDefaultPort;
}

QString WebSettings::address() const
{
    return value(QStringLiteral("Adresse"));
}

QString WebSettings::certificateFile() const
{
    return file(QStringLiteral("Zertifikat"));
}

QString WebSettings::keyFile() const
{
    return file(QStringLiteral("Schluessel"));
}

QString WebSettings::passwordHash() const
{
    return value(QStringLiteral("Passwort"));
}

QString WebSettings::setPort(int port)
{
    return ZelvoSettings(m_folder).writeValues(kGroup, {{QStringLiteral("Port"), QByteArray::number(port)}});
}

QString WebSettings::setPasswordHash(const QString &hash)
{
    return ZelvoSettings(m_folder).writeValues(kGroup, {{QStringLiteral("Passwort"), hash.toUtf8()}});
}
