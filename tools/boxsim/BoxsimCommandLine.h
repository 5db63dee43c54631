#pragma once

#include "BoxSimulator.h"

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

// The command line of boxsim:
//   boxsim --address A [--port PORT] [--out DATEI] [--firmware old|new]
//          [--kind nhttpd|enigma2] [--auth BENUTZER:PASSWORT] [--mode MODUS] [--no-getmode]
struct BoxsimCommandLine {
    QHostAddress address;
    quint16 port = 80;
    QString out; // empty: stdout
    FirmwareKind firmware = FirmwareKind::New;
    BoxSimulator::Kind kind = BoxSimulator::Kind::Nhttpd;
    QByteArray login; // BENUTZER:PASSWORT, empty: none
    QByteArray mode = "tv";
    bool knowsMode = true;
    bool help = false;
    QString helpText; // German, for --help
    QString error;    // German, set when the line cannot be used
    QString usage;    // the first line of the help, given after a wrong call

    // arguments as from QCoreApplication::arguments(), the program first.
    static BoxsimCommandLine parse(const QStringList &arguments);
};
