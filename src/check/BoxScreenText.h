#pragma once

#include <QString>

// A message text as the box shows it: what the transport puts on the wire
// (each "%" with two hex digits kept as a byte, everything else in
// Windows-1252, "?" for what that code page lacks), decoded back the way
// the box decodes it. So "%0A" becomes a line break.
class BoxScreenText
{
public:
    static QString of(const QString &messageText);
};
