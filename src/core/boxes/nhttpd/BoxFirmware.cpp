#include "boxes/nhttpd/BoxFirmware.h"

#include "boxes/nhttpd/RequestTarget.h"
#include "common/Logging.h"

#include <QList>

#include <tuple>

void BoxFirmware::learn(BoxLink &link, bool versionAnswer, const QByteArray &serverHeader,
                        const QByteArray &body)
{
    static const QByteArray product = "nhttpd/";
    const QByteArray server = serverHeader.trimmed();
    if (server.startsWith(product)) {
        const QByteArray version = server.mid(product.size()).split(' ').first();
        set(link, fromVersion(version), version);
    }
    if (versionAnswer) {
        const QByteArray version = body.trimmed();
        set(link, fromVersion(version), version);
    }
}

void BoxFirmware::unanswered(BoxLink &link, bool versionQuestion)
{
    if (!versionQuestion)
        return;
    const bool known = kindOf(link) != FirmwareKind::Unknown;
    link.learnt(BoxKind::Nhttpd).version.clear();
    if (known)
        qCInfo(lcSend).noquote() << "Box" << link.key()
                                 << "hat die Frage nach ihrer Webserver-Version nicht beantwortet:"
                                    " Webserver wieder unbekannt (&, + und % werden ersetzt)";
}

FirmwareKind BoxFirmware::fromVersion(const QByteArray &version)
{
    const QList<QByteArray> parts = version.split('.');
    if (parts.size() < 2 || parts.size() > 4)
        return FirmwareKind::Unknown;
    int numbers[3] = {0, 0, 0};
    for (int k = 0; k < parts.size(); ++k) {
        bool ok = false;
        const int n = parts.at(k).toInt(&ok);
        if (!ok || n < 0)
            return FirmwareKind::Unknown;
        if (k < 3)
            numbers[k] = n;
    }
    const bool atLeast341 = std::make_tuple(numbers[0], numbers[1], numbers[2]) >= std::make_tuple(3, 4, 1);
    return atLeast341 ? FirmwareKind::New : FirmwareKind::Old;
}

void BoxFirmware::set(BoxLink &link, FirmwareKind kind, const QByteArray &version)
{
    if (kind == FirmwareKind::Unknown)
        return;
    const FirmwareKind before = kindOf(link);
    link.learnt(BoxKind::Nhttpd).version = QString::fromLatin1(version);
    if (before == kind)
        return;
    qCInfo(lcSend).noquote() << "Box" << link.key() << "hat Webserver nhttpd" << version
                             << (kind == FirmwareKind::New ? "(Text geht wie geschrieben)"
                                                           : "(älter als 3.4.1: &, + und % werden ersetzt)");
}
