#pragma once

#include "boxes/Message.h"

#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// `zelvo send`: one message from a script to the boxes. Through the Zelvo
// running in the folder when there is one (its panel shows it), else sent by
// this process itself through a BoxSender of its own (the same address rule).
//
// Exit status: 0 sent (with --wait: every box answered), 1 at least one box
// was not reached (each named on stderr) or the running Zelvo took the
// message without answering, 2 a wrong call or an unreadable boxip.ini.
// A message handed to a running Zelvo is never sent by this process too.
class SendCommand
{
public:
    struct Call {
        QList<int> boxes; // empty: every box that names an address
        MessageKind kind = MessageKind::Message;
        bool wait = false;
        bool help = false;
        QDir folder = QDir::current();
        QString text; // "-" read from standard input, line breaks real
    };

    // argv[1] is "send". Makes its own QCoreApplication (no widgets).
    static int run(int argc, char *argv[]);

    // The arguments after "send"; nothing, and why set, for a wrong call.
    static std::optional<Call> parse(const QStringList &arguments, QString *why);
    static QString usage();
    // "\n" as two characters becomes a line break; CR LF and CR count as one.
    static QString screenText(const QString &given);

private:
    static int send(const Call &call);
};
