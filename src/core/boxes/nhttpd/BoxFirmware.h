#pragma once

#include "boxes/BoxLink.h"
#include "boxes/nhttpd/FirmwareKind.h"

#include <QByteArray>
#include <QString>

// What a box's web server is, learnt from its answers: the "Server" header
// of every answer ("nhttpd/3.6.0") and the answer to the version query.
// nhttpd 3.4.1 and later is new; anything older is old. The version is kept
// in the box's link; the kind follows from it.
class BoxFirmware
{
public:
    static FirmwareKind kindOf(const BoxLink &link) { return fromVersion(link.learnt(BoxKind::Nhttpd).version.toLatin1()); }

    // One answer from the box at link; versionAnswer: to the version
    // question, so its body is the version.
    static void learn(BoxLink &link, bool versionAnswer, const QByteArray &serverHeader, const QByteArray &body);
    // A request to link that got no answer: after an unanswered version
    // question the box counts as unknown again.
    static void unanswered(BoxLink &link, bool versionQuestion);

    // The kind a version such as "3.1.9" stands for; Unknown when it is none.
    static FirmwareKind fromVersion(const QByteArray &version);

private:
    static void set(BoxLink &link, FirmwareKind kind, const QByteArray &version);
};
