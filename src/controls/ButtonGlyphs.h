#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

class QString;

// Button pictures are stored as plain RGB images whose bottom-left pixel gives the see-through
// colour; these turn them into Qt pixmaps with a real mask.
QPixmap pixmapWithTransparentColor(const QImage &image, QRgb transparent);
QPixmap transparentPixmap(const QString &resource);

// A picture stored side by side with its greyed twin (twice as wide as high, or as given):
// the left half is the normal look, the right half the disabled one.
QIcon twinIcon(const QString &resource);
