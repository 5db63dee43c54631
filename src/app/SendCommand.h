#pragma once

#include "boxes/Message.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// `zelvo send`: one message from a script to the boxes. Through the Zelvo
// running in the folder when there is one (its panel shows it), else sent by
// this process itself through a BoxSender of its own (DirectSend).
//
// Exit status: 0 sent (with --wait: every box answered), 1 at least one box
// was not reached (each named on stderr) or the running Zelvo took the
// message without answering, 2 a wrong call or an unreadable boxip.ini.
// A message handed to a running Zelvo is never sent by this process too.
class SendCommand
{
public:
    static constexpr int kSent = 0;
    static constexpr int kNotReached = 1;
    static constexpr int kWrongCall = 2;
    static constexpr int kHeld = 3; // with --wait: held for a box in standby or off
    // The longest --expire: a week.
    static constexpr int kMaxExpireMinutes = 7 * 24 * 60;

    struct Call {
        QList<int> boxes; // empty: every box that names an address
        MessageKind kind = MessageKind::Message;
        bool wait = false;
        bool confirm = false;             // --confirm: until confirmed
        std::optional<int> expireMinutes; // --expire
        bool help = false;
        QDir folder = QDir::current();
        QString text; // "-" read from standard input, line breaks real
    };

    // What a command line asks for. status is the exit status when the call
    // ends before anything is sent (kSent for --help, kWrongCall with why),
    // else -1 and call is what to send, its text ready for the screen.
    struct Parsed {
        Call call;
        int status = -1;
        QString why;
    };

    // argv[1] is "send". Makes its own QCoreApplication (no widgets).
    // program: the name the help and the errors give (zelvo or zelvo-headless)
    static int run(int argc, char *argv[], const QString &program);

    // arguments: those after "send". standardInput is read only for TEXT "-".
    static Parsed parse(const QStringList &arguments, const std::function<QByteArray()> &standardInput);
    static QString usage(const QString &program);
    // "\n" as two characters becomes a line break; CR LF and CR count as one.
    static QString screenText(const QString &given);

private:
    static int send(const Call &call);
};
