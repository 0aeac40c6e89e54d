#include "controls/ButtonGlyphs.h"

#include <QBitmap>
#include <QString>

QPixmap pixmapWithTransparentColor(const QImage &image, QRgb transparent) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(transparent, Qt::MaskInColor)));
    return pixmap;
}

QPixmap transparentPixmap(const QString &resource) {
    const QImage image = QImage(resource).convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return {};
    return pixmapWithTransparentColor(image, image.pixel(0, image.height() - 1));
}

QIcon twinIcon(const QString &resource) {
    const QImage image = QImage(resource).convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const QRgb transparent = image.pixel(0, image.height() - 1);
    const int half = image.width() / 2;
    QIcon icon;
    icon.addPixmap(pixmapWithTransparentColor(image.copy(0, 0, half, image.height()), transparent),
                   QIcon::Normal);
    icon.addPixmap(
        pixmapWithTransparentColor(image.copy(half, 0, half, image.height()), transparent),
        QIcon::Disabled);
    return icon;
}
