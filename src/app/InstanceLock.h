#pragma once

#include <QDir>
#include <QString>

// The lock that makes one Zelvo per working folder. It lives in the runtime
// folder ($XDG_RUNTIME_DIR, else /tmp/zelvo-runtime-UID), named by a hash of
// the folder's canonical path, next to the local socket of the same name.
// It is an flock() on that file, so only a live process can hold it: one that
// was killed or lost its power never blocks the next start.
class InstanceLock
{
public:
    enum class State { Taken, Held, Failed };

    explicit InstanceLock(const QDir &folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // Taken: this process now holds the folder's lock. Held: a live process
    // holds it. Failed: it cannot be taken at all, error() says why.
    State tryLock();
    // Removes the lock file and lets go of the lock.
    void release();
    // Why tryLock() failed, in German.
    QString error() const { return m_error; }
    // The process id written into the lock by its holder, 0 when unknown.
    qint64 holderPid() const;

    // The local socket the holder listens on, a full path; empty when there
    // is no usable runtime folder.
    QString socketName() const { return m_base.isEmpty() ? QString() : m_base + QStringLiteral(".socket"); }
    QString lockFileName() const { return m_base.isEmpty() ? QString() : m_base + QStringLiteral(".lock"); }

    // The runtime folder, created when needed; empty with the reason in
    // error when there is none that only this user can write to.
    static QString runtimeFolder(QString *error);

private:
    QString m_base;
    QString m_error;
    int m_fd = -1;
};
