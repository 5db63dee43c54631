#pragma once

#include "app/InstanceLock.h"
#include "app/InstanceRequest.h"

#include <QDir>
#include <QObject>

#include <memory>
#include <optional>

class Engine;
class InstanceServer;

// One Zelvo per working folder, for the window and the headless mode alike:
// claim() before the engine exists; a second start hands over to the first
// and ends; the first serves the local socket once its engine runs.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    explicit SingleInstance(const QDir &folder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the folder's Zelvo. When a live Zelvo
    // holds the folder, it is asked to show its window; one that is just
    // ending is waited for a few seconds.
    bool claim();
    // For a start that lost claim(): says on stderr that Zelvo already runs
    // here and returns 0, or, when the lock could not be taken at all, names
    // the cause and returns 1.
    int handOver();
    // Lets go of the lock. The server from serve() must be gone first: its
    // socket closes when it goes, and a Zelvo starting meanwhile must never
    // lose its socket to this one's ending.
    void release();
    // A server that takes requests for engine on the folder's socket, for
    // the caller to hold no longer than engine lives. A warning when the
    // socket cannot be opened; Zelvo runs on without it.
    // hasWindow: false for the headless mode, which has no window to show.
    std::unique_ptr<InstanceServer> serve(Engine *engine, bool hasWindow = true);

signals:
    void showWindowRequested();

private:
    QDir m_folder;
    InstanceLock m_lock;
    InstanceLock::State m_state = InstanceLock::State::Failed;
    std::optional<InstanceAnswer> m_answer;
};
