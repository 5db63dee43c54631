#pragma once

#include <QString>

#include <cstdio>

// `zelvo web-password [--folder ORDNER]`: the page's new password from
// standard input (on a terminal asked twice without echo; from a pipe its
// first line). Only its salted hash goes into zelvo.ini's [Webseite], every
// other line stays; every login to the page ends. An empty password turns
// the page off.
//
// Exit status: 0 saved, 1 not saved (the two entries differ, zelvo.ini
// cannot be written), 2 a wrong call.
namespace WebPasswordCommand {

// argv[1] is "web-password".
int run(int argc, char *argv[]);
// The same on the given streams; in is a terminal when its descriptor is one.
int run(const QStringList &arguments, std::FILE *in, std::FILE *out);

QString usage();

} // namespace WebPasswordCommand
