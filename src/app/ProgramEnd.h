#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// How Zelvo ends, with and without a window: SIGTERM, SIGINT and SIGHUP end
// the event loop like "Beenden" does, so that the socket and the lock are
// removed on the way out. The signal handler itself only writes the
// signal's number into a pipe (nothing else is safe there); the event loop
// reads it.
class ProgramEnd : public QObject
{
    Q_OBJECT
public:
    // Needs the application object; one per process.
    explicit ProgramEnd(QObject *parent = nullptr);
    ~ProgramEnd() override;

    // The log line that Zelvo ended, with the signal that ended it.
    void logEnded() const;

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
    QString m_signal;
};
