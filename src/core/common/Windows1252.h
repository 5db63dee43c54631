#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The code page of files written on the old platform, and of the bytes the
// boxes expect in a request. Qt has no codec of its own for it.
namespace Windows1252 {

QString decode(const QByteArray &bytes);
// Writes one character per byte from out on; returns the end.
QChar *decodeInto(QChar *out, QByteArrayView bytes);

// A character that Windows-1252 lacks becomes '?'.
QByteArray encode(const QString &text);

} // namespace Windows1252
