#include "controls/BmpUtils.h"

namespace {

QRgb plainRgb(QRgb colour) {
    return colour & RGB_MASK;
}

} // namespace

QRgb BitmapTransparentColor(const QImage &bitmap) {
    if (bitmap.isNull())
        return 0;
    return plainRgb(bitmap.pixel(0, bitmap.height() - 1));
}

void DrawBitmapTransparent(QImage &canvas, int x, int y, const QImage &bitmap,
                           QRgb transparentColor) {
    // The blit gets its own copy, so nothing it does can reach the caller's picture.
    const QImage work = bitmap.copy();
    MaskedBlit(canvas, work, QPoint(x, y), transparentColor);
}

void MaskedBlit(QImage &destination, const QImage &source, QPoint at, QRgb transparentColor,
                QRect sourceRect, QSize destinationSize) {
    if (source.isNull() || destination.isNull())
        return;
    if (sourceRect.isEmpty())
        sourceRect = source.rect();
    sourceRect &= source.rect();
    if (sourceRect.isEmpty())
        return;
    if (destinationSize.isEmpty())
        destinationSize = sourceRect.size();

    const QRgb key = plainRgb(transparentColor);
    const QRect target = QRect(at, destinationSize) & destination.rect();
    for (int y = target.top(); y <= target.bottom(); ++y) {
        // Nearest source pixel; 1:1 when the sizes agree.
        const int sy =
            sourceRect.top() + static_cast<int>(static_cast<qint64>(y - at.y()) *
                                                sourceRect.height() / destinationSize.height());
        for (int x = target.left(); x <= target.right(); ++x) {
            const int sx =
                sourceRect.left() + static_cast<int>(static_cast<qint64>(x - at.x()) *
                                                     sourceRect.width() / destinationSize.width());
            const QRgb pixel = source.pixel(sx, sy);
            if (plainRgb(pixel) != key)
                destination.setPixel(x, y, pixel);
        }
    }
}
