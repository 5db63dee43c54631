#pragma once

#include <QString>
#include <QTemporaryDir>

// The place a bench that starts Zelvo runs in: a network namespace of its
// own with only lo up and echo allowed, and a runtime folder of its own, so
// that neither the host's network nor a Zelvo running outside is touched.
class PrivateBench
{
public:
    // Call first in main(), before QCoreApplication and any thread.
    static QString enter();

    // After the application exists: lo, ping sockets and the runtime folder.
    // Returns why the bench cannot run here, or an empty string.
    QString setUp(const QString &whyNoNamespace);

private:
    QTemporaryDir m_runtime;
};
