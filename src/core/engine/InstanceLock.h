#pragma once

#include <QDir>
#include <QLockFile>
#include <QString>

#include <memory>

// The lock that makes one Zelvo per working folder. It lives in the runtime
// folder ($XDG_RUNTIME_DIR, else /tmp/zelvo-runtime-UID), named by a hash of
// the folder's canonical path, next to the local socket of the same name.
// A lock left by a process that no longer runs (kill -9, power loss) is
// taken over.
class InstanceLock
{
public:
    explicit InstanceLock(const QDir &folder);
    ~InstanceLock();

    // True when this process now holds the folder's lock.
    bool tryLock();
    // The process id written into the lock by its holder, 0 when unknown.
    qint64 holderPid() const;

    // The local socket the holder listens on, a full path.
    QString socketName() const { return m_base + QStringLiteral(".socket"); }
    QString lockFileName() const { return m_base + QStringLiteral(".lock"); }

    static QString runtimeFolder();

private:
    QString m_base;
    std::unique_ptr<QLockFile> m_lock;
};
