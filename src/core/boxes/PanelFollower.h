#pragma once

#include "boxes/SendResult.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class BoxProtocol;
class SendHandle;
class StatusBoard;

// The information panel's line for a producer's text, following the
// messages behind it. The panel shows the text only when some box got it
// (showWhenSent): it says "Nichts gesendet an Box N: …" when every message
// behind the text was not sent, "Zurückgehalten für Box N (Standby): …"
// while they wait, and shows "und", "plus", "Prozent" where a box with an
// old web server got them. Producers call showWhenSent; the sender tells
// it each result as it changes.
class PanelFollower : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The panel that showWhenSent() writes to.
    void showOn(StatusBoard *display);

    // The panel shows panelText when at least one of handles may reach its
    // box, else why the last of them was not sent; it follows their results.
    void showWhenSent(const QList<SendHandle *> &handles, const QString &panelText);

    // handle's result changed; changedBy: the kind of box that changed its
    // text on the way, so the panel's text changes alike.
    void follow(const SendHandle *handle, const BoxProtocol *changedBy = nullptr);

private:
    struct Entry {
        int box = 0;
        SendResult result;
    };
    QString line() const;
    void show(const QString &text);

    StatusBoard *m_display = nullptr;
    QString m_text; // the producer's text behind the panel
    QHash<quint64, Entry> m_results; // the messages behind it
    quint64 m_last = 0; // the message whose result changed last
    bool m_showing = false; // the panel changes through this object
};
