#pragma once

#include "boxes/BoxList.h"
#include "listedit/ReminderFields.h"
#include "reminders/ReminderLayout.h"

#include <QDateTime>
#include <QDir>
#include <QJsonObject>
#include <QString>

#include <optional>

class BoxSender;
class SendHandle;

// One change to a list from outside the editor window (the page), done at
// once and saved: the list is read afresh, the change is made only on the
// version the caller saw, and a record that can never fire is written only
// when the caller insists.
//
//     GET    /api/lists/daily      -> listing(folder, Daily, boxes, now)
//     POST   /api/lists/daily      -> apply(…, {Add, 0, version, fields, force})
//     PUT    /api/lists/daily/3    -> apply(…, {Change, 3, version, fields, force})
//     DELETE /api/lists/daily/3    -> apply(…, {Delete, 3, version})
//     Answer::Result: Saved 200, Stale 409, CannotFire 422, Refused 400,
//     NoSuchLine 404, Failed 500; each with the version on disk.
class ReminderListEdit
{
public:
    enum class Op { Add, Change, Delete };
    struct Request {
        Op op = Op::Add;
        int line = 0; // Change, Delete
        QString version;
        std::optional<ReminderFields> fields; // Add, Change
        bool force = false; // write a record that can never fire
    };
    enum class Result { Saved, Stale, CannotFire, Refused, NoSuchLine, Failed };
    struct Answer {
        Result result = Result::Failed;
        QString version; // on disk after the request
        QString reason;  // German, unless Saved
    };

    // {"version":"…","records":[{"line":3,"fields":{…}|null,"raw":"…" (only
    // without fields),"fires":true,"reason":null|"…","hints":[…]}, …]}, or
    // with "error" when the list cannot be read.
    static QJsonObject listing(const QDir &folder, ReminderListKind list, const BoxList &boxes, const QDateTime &now);
    static Answer apply(const QDir &folder, ReminderListKind list, const Request &request, const BoxList &boxes,
                        const QDateTime &now);

    // "Jetzt senden": the message the record becomes at its next moment to
    // come (now when it has none), through the one sender, to its box at
    // once or not at all.
    static SendHandle *sendNow(BoxSender *sender, ReminderListKind list, const ReminderFields &fields,
                               const QDateTime &now);
    // sendNow() for a line of the list in folder, only on the version the
    // caller saw; null and refused (Stale, NoSuchLine, Refused for a line
    // without a reminder) when it cannot go.
    static SendHandle *sendLine(BoxSender *sender, const QDir &folder, ReminderListKind list, int line,
                                const QString &version, const BoxList &boxes, const QDateTime &now, Answer *refused);

private:
    static QString staleReason(ReminderListKind list);
    static QString noSuchLine(int line);
};
