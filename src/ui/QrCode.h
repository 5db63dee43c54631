#pragma once

#include <QImage>
#include <QString>

// A QR code of text (libqrencode) as a black-on-white picture, each module
// moduleSize pixels, with the quiet zone a camera needs. Null when the text
// does not fit a code.
namespace QrCode {

QImage of(const QString &text, int moduleSize = 6);

} // namespace QrCode
