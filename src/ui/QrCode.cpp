#include "QrCode.h"

#include <QPainter>

#include <qrencode.h>

QImage QrCode::of(const QString &text, int moduleSize)
{
    const QByteArray bytes = text.toUtf8();
    QRcode *code = QRcode_encodeString(bytes.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return QImage();
    constexpr int kQuietModules = 4;
    const int side = (code->width + 2 * kQuietModules) * moduleSize;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1) // the lowest bit: a dark module
                painter.fillRect((x + kQuietModules) * moduleSize, (y + kQuietModules) * moduleSize, moduleSize,
                                 moduleSize, Qt::black);
    painter.end();
    QRcode_free(code);
    return image;
}
