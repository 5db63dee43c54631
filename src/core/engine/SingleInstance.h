#pragma once

#include "engine/InstanceLock.h"

#include <QDir>
#include <QObject>

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

    // True when this process is now the folder's Zelvo.
    bool claim();
    // For a start that lost claim(): asks the running Zelvo to show its
    // window, says on stderr that Zelvo already runs here, returns the exit
    // status (0).
    int handOver();
    // Takes requests for engine on the folder's socket. False (and a warning)
    // when the socket cannot be opened; Zelvo runs on without it.
    // hasWindow: false for the headless mode, which has no window to show.
    bool serve(Engine *engine, bool hasWindow = true);

signals:
    void showWindowRequested();

private:
    QDir m_folder;
    InstanceLock m_lock;
    InstanceServer *m_server = nullptr;
};
