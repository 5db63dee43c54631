#pragma once

#include "boxes/nhttpd/FirmwareKind.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// What each box's web server is, learnt from its answers: the "Server"
// header of every answer ("nhttpd/3.6.0") and the answer to the version
// query. nhttpd 3.4.1 and later is new; anything older is old.
class BoxFirmware
{
public:
    FirmwareKind kindOf(const QString &address) const { return m_kinds.value(address, FirmwareKind::Unknown); }
    // The version behind kindOf(), empty while the kind is unknown.
    QByteArray versionOf(const QString &address) const { return m_versions.value(address); }

    // One answer from address to target (the request target as sent).
    void learn(const QString &address, const QByteArray &target, const QByteArray &serverHeader,
               const QByteArray &body);
    // A request from address to target that got no answer: after an
    // unanswered version query the box counts as unknown again.
    void unanswered(const QString &address, const QByteArray &target);
    // Nothing is known of address any more.
    void forget(const QString &address)
    {
        m_kinds.remove(address);
        m_versions.remove(address);
    }

    // The kind a version such as "3.1.9" stands for; Unknown when it is none.
    static FirmwareKind fromVersion(const QByteArray &version);

private:
    void set(const QString &address, FirmwareKind kind, const QByteArray &version);

    QHash<QString, FirmwareKind> m_kinds;
    QHash<QString, QByteArray> m_versions;
};
