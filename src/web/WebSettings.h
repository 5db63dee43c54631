#pragma once

#include <QDir>
#include <QString>

// The page on the home network as zelvo.ini's [Webseite] sets it:
//   Port=8470          0: off
//   Adresse=           the address to listen on; empty: every address
//   Zertifikat=        PEM files for HTTPS, relative to the working folder;
//   Schluessel=        both empty: plain HTTP
//   Passwort=          the password's salted hash (PasswordHash); empty: off
// Read again at every call; written through ZelvoSettings, keeping every
// other line of the file.
class WebSettings
{
public:
    static inline const QString kGroup = QStringLiteral("Webseite");
    static constexpr int kDefaultPort = 8470;

    explicit WebSettings(const QDir &folder);

    int port() const; // 0: off; a value that is no port counts as the default
    QString address() const;
    QString certificateFile() const; // absolute, empty when none
    QString keyFile() const;
    QString passwordHash() const;
    // Whether the page is served: a port and a password.
    bool isOn() const { return port() != 0 && !passwordHash().isEmpty(); }

    // Empty on success, otherwise the reason in German.
    QString setPort(int port);
    QString setPasswordHash(const QString &hash);

private:
    QString value(const QString &key) const;
    QString file(const QString &key) const;

    QDir m_folder;
};
