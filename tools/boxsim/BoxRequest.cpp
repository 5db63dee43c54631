#include "BoxRequest.h"

#include "Enigma2Reading.h"
#include "NhttpdReading.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// "METHOD target VERSION"; the target holds no blank when it is well formed.
BoxRequest withTarget(const QByteArray &requestLine)
{
    BoxRequest r;
    r.requestLine = requestLine;
    const QList<QByteArray> words = requestLine.split(' ');
    if (words.size() >= 2)
        r.target = words.at(1);
    return r;
}

} // namespace

BoxRequest BoxRequest::fromEnigma2RequestLine(const QByteArray &requestLine)
{
    BoxRequest r = withTarget(requestLine);
    const Enigma2Reading reading(r.target);
    if (reading.path() != Enigma2Reading::kMessagePath)
        return r;
    // Type 0 is a yes/no question; without a time it stays until a key is pressed.
    r.kind = reading.value("type") == QLatin1String("0") ? QStringLiteral("question") : QStringLiteral("message");
    r.text = reading.value("text");
    r.shown = r.text;
    r.timeout = reading.value("timeout");
    return r;
}

BoxRequest BoxRequest::fromRequestLine(const QByteArray &requestLine, FirmwareKind firmware)
{
    BoxRequest r = withTarget(requestLine);
    if (r.target.isEmpty())
        return r;

    const NhttpdReading reading(r.target, firmware == FirmwareKind::Old);
    r.kind = reading.messageKind();
    if (r.kind.isEmpty())
        return r;
    r.text = QString::fromUtf8(reading.firstValue());
    r.shown = NhttpdReading::drawn(reading.firstValue());
    r.timeout = QString::fromUtf8(reading.value("timeout"));
    return r;
}

QByteArray BoxRequest::toJsonLine(const QString &address, const QString &receivedAt) const
{
    QJsonObject o;
    o.insert(QStringLiteral("time"), receivedAt);
    o.insert(QStringLiteral("address"), address);
    o.insert(QStringLiteral("request"), QString::fromLatin1(requestLine));
    o.insert(QStringLiteral("kind"), kind);
    o.insert(QStringLiteral("text"), text);
    o.insert(QStringLiteral("shown"), shown);
    bool number = false;
    const int seconds = timeout.toInt(&number);
    if (!timeout.isEmpty())
        o.insert(QStringLiteral("timeout"), number ? QJsonValue(seconds) : QJsonValue(timeout));
    if (!discarded.isEmpty())
        o.insert(QStringLiteral("discarded"), discarded);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
