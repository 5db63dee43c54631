#pragma once

#include "watch/EchoResult.h"

#include <QObject>
#include <QString>

// Sends one ICMP echo request to a box and reports whether it answered.
// Asynchronous: probe() returns at once, and finished() follows exactly once
// per call, later, on the prober's own thread. The watch is given one, so
// that its logic can be tested with chosen answers.
class EchoProber : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~EchoProber() override;

    // address is used as given (the caller trims it); id comes back with
    // the result.
    virtual void probe(int id, const QString &address) = 0;

signals:
    void finished(int id, const EchoResult &result);
};
