#pragma once

#include "listedit/ReminderListEdit.h"
#include "web/WebExchange.h"

#include <QObject>

#include <functional>

class Engine;
class WebAccess;

// What the page and scripts may ask, under /api/ (JSON in UTF-8), and the
// page itself. Every answer comes from the objects the window uses: the
// sender and its handles, the record, the held messages, the lamps. No
// rule of its own: a text from here goes the way of `zelvo send`, with the
// source "Webseite".
//
// The reminder lists under /api/lists/<daily|weekly|dated>: read, add,
// change and delete through the list editor's model (a change only on the
// version the caller saw), and "Jetzt senden" of one line.
//
// GET /api/upcoming?days=N (1..kMaxUpcomingDays, kMaxUpcomingDays unless
// given): the next reminders of every list and calendar, as "Demnächst"
// shows them in the window.
//
// A POST, PUT or DELETE from another site's page is refused: its Origin must be
// the page's own, and its body JSON (which no other site may send without
// asking first).
class WebApi : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultRecordEntries = 50;
    // The longest --expire of `zelvo send`: a week.
    static constexpr int kMaxExpireMinutes = 7 * 24 * 60;
    // How far /api/upcoming looks ahead at most, and unless asked otherwise.
    static constexpr int kMaxUpcomingDays = 7;

    WebApi(Engine *engine, WebAccess *access, QObject *parent = nullptr);

    // done follows exactly once, at once or later, on this thread.
    void answer(const WebRequest &request, std::function<void(WebAnswer)> done);

private:
    void login(const WebRequest &request, std::function<void(WebAnswer)> done);
    void send(const WebRequest &request, std::function<void(WebAnswer)> done);
    void lists(const WebRequest &request, std::function<void(WebAnswer)> done);
    void sendNow(ReminderListKind list, const ReminderListEdit::Request &which, std::function<void(WebAnswer)> done);
    static WebAnswer preview(const WebRequest &request);
    WebAnswer status() const;
    WebAnswer record(const WebRequest &request) const;
    WebAnswer held() const;
    WebAnswer upcoming(const WebRequest &request) const;
    WebAnswer discard(const QByteArray &id);
    WebAnswer logout(const WebRequest &request);
    static WebAnswer pageFile(const QByteArray &path);

    Engine *m_engine;
    WebAccess *m_access;
};
