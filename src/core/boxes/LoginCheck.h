#pragma once

#include "common/ZelvoSettings.h"

#include <QObject>
#include <QString>

class HttpTransport;

// Whether a box takes a login that is not saved yet: the box at address is
// asked what it is, then its mode, on a transport of its own that gives
// this login to this address only, so that nothing sent meanwhile goes with
// a login still being typed.
class LoginCheck : public QObject
{
    Q_OBJECT
public:
    enum class Verdict {
        Accepted, // the box answered the question
        Refused,  // it wants another login (401 or 403)
        NoAnswer, // nothing came back; error says why
    };
    Q_ENUM(Verdict)

    // port: where the box listens when its address names none.
    LoginCheck(const QString &address, const ZelvoSettings::BoxLogin &login, quint16 port, QObject *parent = nullptr);

signals:
    // Once, after the constructor has returned.
    void done(LoginCheck::Verdict verdict, const QString &error);

private:
    HttpTransport *m_transport;
    quint64 m_asked = 0;
};
