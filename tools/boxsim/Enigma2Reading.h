#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// How an Enigma2 receiver's web interface (OpenWebif) reads a request,
// written from what its server does and kept apart from Zelvo's encoder:
//
// - The request line is "GET <target> HTTP/1.x"; the path ends at the first
//   '?'. The query is split at '&' and at ';', a name ends at its first '='.
// - Names and values are decoded once: '+' is a blank, '%' and two hex
//   digits is a byte, a '%' without them stays as it is.
// - The bytes are read as UTF-8; a byte that does not fit is drawn as U+FFFD.
// - /api/message shows its "text" in a message box, a line feed as a line
//   break; "type" (0..3) and "timeout" (seconds) say how and how long.
//   Type 0 is a yes/no question: without "timeout" it stays until a key is
//   pressed (with one, the box answers "yes" by itself when it runs out);
//   /api/messageanswer tells the last question's answer.
class Enigma2Reading
{
public:
    static constexpr char kMessagePath[] = "/api/message";
    static constexpr char kAboutPath[] = "/api/about";
    static constexpr char kPowerStatePath[] = "/api/powerstate";
    static constexpr char kStatusInfoPath[] = "/api/statusinfo";
    static constexpr char kMessageAnswerPath[] = "/api/messageanswer";

    explicit Enigma2Reading(const QByteArray &target);

    QByteArray path() const { return m_path; }
    // The first parameter so named, decoded and read as UTF-8; a null string
    // when there is none.
    QString value(const QByteArray &name) const;

private:
    static QByteArray decode(const QByteArray &s);

    QByteArray m_path;
    QList<QPair<QByteArray, QByteArray>> m_parameters; // decoded names and values
};
