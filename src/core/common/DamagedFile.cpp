#include "common/DamagedFile.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

QString DamagedFile::freeName(const QString &path)
{
    QString aside = path + QStringLiteral(".defekt");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + QStringLiteral(".%1.defekt").arg(n);
    return aside;
}

QString DamagedFile::setAside(const QString &path)
{
    const QString aside = freeName(path);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(aside).constData()) != 0)
        return QString();
    return aside;
}
