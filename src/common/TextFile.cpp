#include "common/TextFile.h"

#include "common/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

TextFile::Result TextFile::read(const QString &path)
{
    Result r;
    const QFileInfo info(path);
    if (!info.exists()) {
        r.status = Status::Missing;
        return r;
    }
    r.status = Status::Unreadable;
    if (info.isDir()) {
        r.error = QStringLiteral("ist ein Ordner");
        return r;
    }
    if (info.size() > kMaxBytes) {
        r.error = QStringLiteral("ist größer als %1 MB").arg(kMaxBytes / (1024 * 1024));
        return r;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = file.errorString();
        return r;
    }
    const QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        r.error = file.errorString();
        return r;
    }
    if (bytes.size() > kMaxBytes) {
        r.error = QStringLiteral("ist größer als %1 MB").arg(kMaxBytes / (1024 * 1024));
        return r;
    }
    r.status = Status::Ok;
    r.text = decode(bytes);
    return r;
}

QString TextFile::decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return Windows1252::decode(bytes);
}
