#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>

#include <functional>

// Many requests to the page, each on a connection of its own from a source
// address of the caller's choice (all of 127.0.0.0/8 is this machine), at
// most inFlight at once, through the event loop (the page may run on the
// same thread). Each answer's status is kept, 0 for none.
class WebFlood
{
public:
    using Pick = std::function<QHostAddress(int)>;
    using Make = std::function<QByteArray(int)>;

    WebFlood(quint16 port, int inFlight)
        : m_port(port)
        , m_inFlight(inFlight)
    {
    }

    // Sends count requests, request(i) from from(i); whenever one ended,
    // tick(ended so far) is called. Returns once all are answered.
    QList<int> run(int count, const Pick &from, const Make &request, const std::function<void(int)> &tick = {});

private:
    quint16 m_port;
    int m_inFlight;
};
