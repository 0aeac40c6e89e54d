#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

// Drawing pictures with one colour see-through: every pixel of that colour shows what lies
// beneath. The colour is a plain RGB value (no alpha), compared exactly.

// The see-through colour of a picture: its bottom-left pixel. 0 (black) for an empty picture.
QRgb BitmapTransparentColor(const QImage &bitmap);

// Draws the whole picture unscaled with its top-left corner at (x, y) of the canvas; pixels of
// exactly `transparentColor` leave the canvas as it was. The picture is not changed.
void DrawBitmapTransparent(QImage &canvas, int x, int y, const QImage &bitmap,
                           QRgb transparentColor);

// The blit behind DrawBitmapTransparent: copies `sourceRect` of `source` (an empty rectangle
// meaning the whole picture) to `at` on `destination`, stretched to `destinationSize` (an empty
// size meaning the source size), skipping source pixels of `transparentColor`. Pixels falling
// outside the destination are dropped. `destination` is a 32-bit image (a control's paint
// buffer); `source` is left exactly as it was.
void MaskedBlit(QImage &destination, const QImage &source, QPoint at, QRgb transparentColor,
                QRect sourceRect = {}, QSize destinationSize = {});
