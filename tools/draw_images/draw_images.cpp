// Draws every picture the program shows and writes them as PNG files, so the artwork is
// source code that can be reviewed and redrawn rather than opaque binaries.
//
// Usage: filvane_draw_images OUTPUT_FOLDER [--sheet FILE]
//
// Small pictures are 24-bit RGB: the colour of the bottom-left pixel is the see-through colour,
// the program builds the mask from it. A toolbar picture is twice as wide as its button image:
// the normal picture on the left, the greyed (disabled) twin on the right.
// --sheet also writes an enlarged contact sheet for looking the pictures over.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Classic 16-colour palette. Magenta is never used in a picture: it is the see-through colour.
const QColor Key(255, 0, 255);
const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor Silver(192, 192, 192);
const QColor Grey(128, 128, 128);
const QColor Red(255, 0, 0);
const QColor Maroon(128, 0, 0);
const QColor Green(0, 128, 0);
const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor Olive(128, 128, 0);
const QColor Blue(0, 0, 255);
const QColor Navy(0, 0, 128);
const QColor Teal(0, 128, 128);
const QColor Cyan(0, 255, 255);

QColor gridColour(char c) {
    switch (c) {
    case 'k':
        return Black;
    case 'w':
        return White;
    case 's':
        return Silver;
    case 'g':
        return Grey;
    case 'r':
        return Red;
    case 'm':
        return Maroon;
    case 'n':
        return Green;
    case 'l':
        return Lime;
    case 'y':
        return Yellow;
    case 'o':
        return Olive;
    case 'b':
        return Blue;
    case 'v':
        return Navy;
    case 't':
        return Teal;
    case 'c':
        return Cyan;
    default:
        throw std::runtime_error(std::string("unknown colour letter '") + c + "' in a pixel grid");
    }
}

QImage canvas(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Key);
    return image;
}

// Pixel art is drawn letter by letter ('.' leaves the pixel alone) because at 16 px every
// pixel is a decision; a typo that runs off the picture is an error, not a silent crop.
void paintGrid(QImage &image, int left, int top, std::initializer_list<const char *> rows) {
    QPainter painter(&image);
    int y = top;
    for (const char *row : rows) {
        for (int i = 0; row[i] != '\0'; ++i) {
            if (row[i] == '.')
                continue;
            const int x = left + i;
            if (x >= image.width() || y >= image.height())
                throw std::runtime_error("pixel grid runs off the picture");
            painter.fillRect(x, y, 1, 1, gridColour(row[i]));
        }
        ++y;
    }
}

// A set of pixels chosen by geometry, for round and slanted shapes that are easier to state
// than to spell out pixel by pixel.
struct Mask {
    int width = 0;
    int height = 0;
    std::vector<bool> bits;

    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && bits[y * width + x];
    }
};

// Tests each pixel's centre.
Mask maskOf(int width, int height, const std::function<bool(double, double)> &inside) {
    Mask mask{width, height, std::vector<bool>(width * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mask.bits[y * width + x] = inside(x + 0.5, y + 0.5);
    return mask;
}

double distance(double x, double y, double cx, double cy) {
    return std::hypot(x - cx, y - cy);
}

double distanceToSegment(double x, double y, QPointF a, QPointF b) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t = ((x - a.x()) * dx + (y - a.y()) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return distance(x, y, a.x() + t * dx, a.y() + t * dy);
}

// Pixels of the mask whose neighbour at (dx, dy) lies outside it.
Mask edge(const Mask &mask, int dx, int dy) {
    Mask result = mask;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            result.bits[y * mask.width + x] = mask.at(x, y) && !mask.at(x + dx, y + dy);
    return result;
}

void paintMask(QImage &image, int left, int top, const Mask &mask, const QColor &colour) {
    QPainter painter(&image);
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x)
            if (mask.at(x, y))
                painter.fillRect(left + x, top + y, 1, 1, colour);
}

// A solid shape lit from the top left, the way Windows 95 pictures were shaded.
void paintRaised(QImage &image, int left, int top, const Mask &mask, const QColor &light,
                 const QColor &face, const QColor &shade) {
    paintMask(image, left, top, mask, face);
    paintMask(image, left, top, edge(mask, -1, 0), light);
    paintMask(image, left, top, edge(mask, 0, -1), light);
    paintMask(image, left, top, edge(mask, 1, 0), shade);
    paintMask(image, left, top, edge(mask, 0, 1), shade);
}

// The disabled look of Windows 95 buttons: every dark pixel becomes grey with a white copy
// one pixel down and right behind it, so the shape looks pressed into the button face. Light
// pixels (white, silver, yellow) drop out, which keeps the outlines of light objects.
QImage greyedTwin(const QImage &picture, std::initializer_list<QRgb> alsoDark) {
    const QRgb key = Key.rgb();
    const auto dark = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= picture.width() || y >= picture.height())
            return false;
        const QRgb c = picture.pixel(x, y);
        if (c == key)
            return false;
        for (QRgb d : alsoDark)
            if (c == d)
                return true;
        return qGray(c) < 160;
    };
    QImage twin = canvas(picture.width(), picture.height());
    for (int y = 0; y < twin.height(); ++y) {
        for (int x = 0; x < twin.width(); ++x) {
            if (dark(x, y))
                twin.setPixel(x, y, Grey.rgb());
            else if (dark(x - 1, y - 1))
                twin.setPixel(x, y, White.rgb());
        }
    }
    return twin;
}

QImage withGreyedTwin(const QImage &picture, std::initializer_list<QRgb> alsoDark = {}) {
    QImage both = canvas(picture.width() * 2, picture.height());
    QPainter painter(&both);
    painter.drawImage(0, 0, picture);
    painter.drawImage(picture.width(), 0, greyedTwin(picture, alsoDark));
    return both;
}

// ---------------------------------------------------------------- toolbar pictures

QImage readPicture() {
    QImage image = canvas(16, 16);
    paintGrid(image, 0, 0,
              {
                  "........kkkk....", //
                  "........klnk....", //
                  "........klnk....", //
                  ".....kkkklnkkkk.", //
                  "......klllllnk..", //
                  ".......klllnk...", //
                  "........klnk....", //
                  ".kkkk....kk.....", //
                  "kyyyykkkkkkkk...", //
                  "kyoooooooooook..", //
                  "kyookkkkkkkkkkkk", //
                  "kyokwwwwwwwwwwk.", //
                  "kykyyyyyyyyyyk..", //
                  "kkyyyyyyyyyyk...", //
                  "kkkkkkkkkkkk....", //
                  "................", //
              });
    return image;
}

QImage clearPicture() {
    QImage image = canvas(16, 16);
    paintGrid(image, 0, 0,
              {
                  "........y.......", //
                  ".y......y.....y.", //
                  "..y..........y..", //
                  "....kkkkkk......", //
                  "....kwwwwkk.....", //
                  "....kwwwwkwk....", //
                  "....kwwwwkwwk...", //
                  "....kwwwwkkkk...", //
                  "yy..kwwwwwwwk.yy", //
                  "....kwwwwwwwk...", //
                  "....kwwwwwwwk...", //
                  "....kwwwwwwwk...", //
                  "....kwwwwwwwk...", //
                  "..y.kkkkkkkkk.y.", //
                  ".y............y.", //
                  "........y.......", //
              });
    return image;
}

Mask checkShape(int size) {
    const double s = size / 16.0;
    const QPointF start(2.5 * s, 8.0 * s);
    const QPointF bottom(6.0 * s, 11.8 * s);
    const QPointF end(13.6 * s, 3.0 * s);
    const double half = 1.35 * s;
    return maskOf(size, size, [&](double x, double y) {
        return distanceToSegment(x, y, start, bottom) < half ||
               distanceToSegment(x, y, bottom, end) < half;
    });
}

QImage renamePicture() {
    QImage image = canvas(16, 16);
    const Mask check = checkShape(16);
    paintRaised(image, 0, 0, check, Red, Red, Maroon);
    return image;
}

QImage optionsPicture() {
    QImage image = canvas(16, 16);
    const Mask badge =
        maskOf(16, 16, [](double x, double y) { return distance(x, y, 8, 8) < 7.8; });
    paintMask(image, 0, 0, badge, Black);
    const Mask face = maskOf(16, 16, [](double x, double y) { return distance(x, y, 8, 8) < 6.8; });
    paintMask(image, 0, 0, face, Silver);
    const Mask cross =
        maskOf(6, 6, [](double x, double y) { return (x > 2 && x < 4) || (y > 2 && y < 4); });
    paintRaised(image, 8, 3, cross, Yellow, Yellow, Olive);
    paintGrid(image, 0, 0,
              {
                  "................", //
                  "................", //
                  "................", //
                  "................", //
                  "...rrrr.........", //
                  "...rrrr.........", //
                  "...rrrr.........", //
                  "...rrrr.........", //
                  "................", //
                  ".......bb.......", //
                  "......bbbb......", //
                  ".....bbbbbb.....", //
                  "....bbbbbbbb....", //
              });
    return image;
}

QImage closePicture() {
    QImage image = canvas(16, 16);
    const Mask disc = maskOf(16, 16, [](double x, double y) { return distance(x, y, 8, 8) < 7.8; });
    paintMask(image, 0, 0, disc, White);
    const Mask sign = maskOf(16, 16, [](double x, double y) {
        const double d = distance(x, y, 8, 8);
        const bool ring = d < 7.8 && d > 5.2;
        const bool bar = d < 6 && distanceToSegment(x, y, {3.5, 3.5}, {12.5, 12.5}) < 1.3;
        return ring || bar;
    });
    paintRaised(image, 0, 0, sign, Red, Red, Maroon);
    return image;
}

QImage okPicture() {
    QImage image = canvas(18, 18);
    paintRaised(image, 0, 0, checkShape(18), Lime, Green, Black);
    return image;
}

QImage cancelPicture() {
    QImage image = canvas(18, 18);
    const Mask cross = maskOf(18, 18, [](double x, double y) {
        return distanceToSegment(x, y, {4, 4}, {14, 14}) < 1.5 ||
               distanceToSegment(x, y, {14, 4}, {4, 14}) < 1.5;
    });
    paintRaised(image, 0, 0, cross, Red, Red, Maroon);
    return image;
}

QImage aboutPicture() {
    QImage image = canvas(20, 20);
    QPainter painter(&image);
    painter.fillRect(2, 2, 18, 18, Grey); // drop shadow
    painter.fillRect(0, 0, 18, 18, Black);
    painter.fillRect(1, 1, 16, 16, White);
    painter.end();
    // The maker's emblem: an O ring with a V whose arms rise from the bottom of the ring.
    const Mask emblem = maskOf(16, 16, [](double x, double y) {
        const double d = distance(x, y, 8, 8);
        const bool ring = d < 7.0 && d > 4.9;
        const bool vee = y > 3 && (distanceToSegment(x, y, {3.4, 3.6}, {8, 12.5}) < 0.95 ||
                                   distanceToSegment(x, y, {12.6, 3.6}, {8, 12.5}) < 0.95);
        return ring || vee;
    });
    paintMask(image, 1, 1, emblem, Blue);
    return image;
}

// ---------------------------------------------------------------- drive list pictures

QImage driveRemovable() {
    QImage image = canvas(16, 11);
    paintGrid(image, 2, 0,
              {
                  "kkkkkkkkkk.", //
                  "kvvsskssvvk", //
                  "kvvsskssvvk", //
                  "kvvsssssvvk", //
                  "kvvvvvvvvvk", //
                  "kvwwwwwwwvk", //
                  "kvwggggwwvk", //
                  "kvwwwwwwwvk", //
                  "kvwgggggwvk", //
                  "kvwwwwwwwvk", //
                  "kkkkkkkkkkk", //
              });
    return image;
}

// A flat grey box seen a little from above, shared by the fixed, network and CD drives.
void paintDriveBox(QImage &image, int top) {
    paintGrid(image, 0, top,
              {
                  "..kkkkkkkkkkkkkk", //
                  ".kwwwwwwwwwwwwkk", //
                  "kkkkkkkkkkkkkkgk", //
                  "ksssssssssssskgk", //
                  "ksssssssssllskgk", //
                  "kggggggggggggkk.", //
                  "kkkkkkkkkkkkkk..", //
              });
}

QImage driveFixed() {
    QImage image = canvas(16, 11);
    paintDriveBox(image, 2);
    return image;
}

QImage driveRemote() {
    QImage image = canvas(16, 11);
    paintDriveBox(image, 0);
    paintGrid(image, 0, 7,
              {
                  "......klk.......", //
                  ".kkkkkklkkkkkkk.", //
                  ".kllllllllllllk.", //
                  ".kkkkkkkkkkkkkk.", //
              });
    return image;
}

QImage driveCdrom() {
    QImage image = canvas(16, 11);
    paintDriveBox(image, 3);
    // A shiny disc with its centre hole, standing in front of the drive.
    paintGrid(image, 7, 0,
              {
                  "..kkkkk..", //
                  ".kwwcssk.", //
                  "kwwccsssk", //
                  "kwcsgsssk", //
                  "kcsgwgsck", //
                  "ksssgscck", //
                  "kssssccck", //
                  ".kssscck.", //
                  "..kkkkk..", //
              });
    return image;
}

QImage driveRam() {
    QImage image = canvas(16, 11);
    paintGrid(image, 0, 0,
              {
                  "................", //
                  "................", //
                  "kkkkkkkkkkkkkkkk", //
                  "knnnnnnnnnnnnnnk", //
                  "knkkknnkkknnkkkk", //
                  "knkkknnkkknnkkkk", //
                  "knnnnnnnnnnnnnnk", //
                  "kynynynnynynynyk", //
                  "kkkkkkkkkkkkkkkk", //
                  "................", //
                  "................", //
              });
    return image;
}

// ---------------------------------------------------------------- folder list pictures

void paintOpenFolder(QImage &image) {
    paintGrid(image, 0, 2,
              {
                  ".kkkk...........", //
                  "kyyyykkkkkkkk...", //
                  "kyoooooooooook..", //
                  "kyoooooooooook..", //
                  "kyookkkkkkkkkkkk", //
                  "kyokwwwwwwwwwwk.", //
                  "kyokyyyyyyyyyyk.", //
                  "kykyyyyyyyyyyk..", //
                  "kykyyyyyyyyyyk..", //
                  "kkyyyyyyyyyyk...", //
                  "kkkkkkkkkkkk....", //
              });
}

QImage folderOpen() {
    QImage image = canvas(16, 15);
    paintOpenFolder(image);
    return image;
}

QImage folderCurrent() {
    QImage image = canvas(16, 15);
    paintOpenFolder(image);
    paintGrid(image, 5, 0,
              {
                  "kkkkkk", //
                  "kwwwwk", //
                  "kbbbbk", //
                  "kwwwwk", //
                  "kbbbbk", //
              });
    return image;
}

QImage folderClosed() {
    QImage image = canvas(16, 15);
    paintGrid(image, 0, 2,
              {
                  ".kkkk...........", //
                  "kyyyykkkkkkkkkk.", //
                  "kwwwwwwwwwwwwok.", //
                  "kwyyyyyyyyyyyok.", //
                  "kwyyyyyyyyyyyok.", //
                  "kwyyyyyyyyyyyok.", //
                  "kwyyyyyyyyyyyok.", //
                  "kwyyyyyyyyyyyok.", //
                  "kwyyyyyyyyyyyok.", //
                  "koooooooooooook.", //
                  "kkkkkkkkkkkkkkk.", //
              });
    return image;
}

// ---------------------------------------------------------------- application icon

// Digits for the numbered cards of the small icon, 4 x 7 pixels.
const char *const Digits[4][7] = {
    {".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."},
    {".#..", "##..", ".#..", ".#..", ".#..", ".#..", "###."},
    {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"},
    {"###.", "...#", "...#", ".##.", "...#", "...#", "###."},
};

// The icon's layout in a 48-unit square, shared by both sizes: an open folder holding three
// numbered cards, which is what the program does: puts numbers in front of names.
struct Card {
    int left;
    int top;
    int number;
};
const Card Cards[3] = {{4, 11, 1}, {16, 13, 2}, {28, 15, 3}};
const int CardWidth = 15;
const int FlapTop = 27;
const int FlapBottom = 43;
const int FlapSlant = 7;

QImage appIconSmall() {
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QColor lightYellow(255, 255, 160);

    // Back of the folder, its tab, and the dark inside seen above the front flap.
    painter.fillRect(2, 8, 41, 36, Black);
    painter.fillRect(3, 9, 39, 34, Olive);
    painter.fillRect(3, 9, 2, 34, Yellow);
    painter.fillRect(2, 4, 15, 5, Black);
    painter.fillRect(3, 5, 13, 4, Yellow);

    for (const Card &card : Cards) {
        const int height = FlapTop + 2 - card.top;
        // Shadow, kept inside the folder so it cannot stick out past the back's edge.
        painter.setClipRect(3, 0, 39, 48);
        painter.fillRect(card.left + 1, card.top + 1, CardWidth, height, Grey);
        painter.setClipping(false);
        painter.fillRect(card.left, card.top, CardWidth, height, Black);
        painter.fillRect(card.left + 1, card.top + 1, CardWidth - 2, height - 1, White);
        for (int i = 0; i < 2; ++i) {
            const int digit = i == 0 ? 0 : card.number;
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 4; ++x)
                    if (Digits[digit][y][x] == '#')
                        painter.fillRect(card.left + 2 + 5 * i + x, card.top + 2 + y, 1, 1, Navy);
        }
        // Ruled lines stand for the name written after the number.
        for (int y = card.top + 11; y < FlapTop; y += 3)
            painter.fillRect(card.left + 2, y, CardWidth - 4, 1, Silver);
    }

    // Front flap, slanted because the folder is open; drawn row by row for exact edges.
    for (int y = FlapTop; y <= FlapBottom; ++y) {
        const int shift =
            (FlapSlant * (y - FlapTop) + (FlapBottom - FlapTop) / 2) / (FlapBottom - FlapTop);
        const int left = 2 + FlapSlant - shift;
        const int width = 46 - FlapSlant - 2 + 1;
        const bool rim = y == FlapTop || y == FlapBottom;
        painter.fillRect(left, y, width, 1, Black);
        if (!rim)
            painter.fillRect(left + 1, y, width - 2, 1, y == FlapTop + 1 ? lightYellow : Yellow);
    }
    return image;
}

// One digit as strokes in a 4 x 7 box, for the smooth large icon.
QPainterPath digitPath(int digit) {
    QPainterPath path;
    switch (digit) {
    case 0:
        path.addRoundedRect(QRectF(0, 0, 4, 7), 2, 2);
        break;
    case 1:
        path.moveTo(0.6, 1.3);
        path.lineTo(2.2, 0);
        path.lineTo(2.2, 7);
        path.moveTo(0.6, 7);
        path.lineTo(3.8, 7);
        break;
    case 2:
        path.moveTo(0.1, 1.5);
        path.cubicTo(0.4, -0.5, 3.9, -0.5, 3.9, 1.9);
        path.cubicTo(3.9, 3.4, 0.6, 4.9, 0, 7);
        path.lineTo(4, 7);
        break;
    default:
        path.moveTo(0.2, 0);
        path.lineTo(3.8, 0);
        path.lineTo(1.6, 2.8);
        path.cubicTo(3.3, 2.7, 4.1, 3.8, 4, 4.9);
        path.cubicTo(3.9, 6.7, 1.3, 7.6, 0, 6.3);
        break;
    }
    return path;
}

QImage appIconLarge(int size = 256) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    const QColor ink(40, 32, 0);
    const QPen outlinePen(ink, 0.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    // Back of the folder with its tab.
    QPainterPath back;
    back.addRoundedRect(QRectF(2.5, 8.5, 40, 35), 1.5, 1.5);
    back.addRoundedRect(QRectF(2.5, 4.5, 14, 7), 1.5, 1.5);
    back.setFillRule(Qt::WindingFill);
    QLinearGradient backFill(0, 4, 0, 44);
    backFill.setColorAt(0, QColor(255, 225, 60));
    backFill.setColorAt(1, QColor(170, 130, 0));
    painter.setPen(outlinePen);
    painter.setBrush(backFill);
    painter.drawPath(back.simplified());
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 96, 0));
    painter.drawRoundedRect(QRectF(5, 10.5, 36, 32), 1, 1);

    for (const Card &card : Cards) {
        const QRectF sheet(card.left + 0.5, card.top + 0.5, CardWidth - 1, FlapTop + 2 - card.top);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 70));
        painter.drawRoundedRect(sheet.translated(0.8, 0.8), 0.8, 0.8);
        QLinearGradient paper(sheet.topLeft(), sheet.bottomRight());
        paper.setColorAt(0, White);
        paper.setColorAt(1, QColor(225, 225, 225));
        painter.setBrush(paper);
        painter.setPen(QPen(QColor(30, 30, 30), 0.5));
        painter.drawRoundedRect(sheet, 0.8, 0.8);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Navy, 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (int i = 0; i < 2; ++i) {
            const int digit = i == 0 ? 0 : card.number;
            painter.drawPath(
                digitPath(digit).translated(card.left + 2.1 + 4.9 * i, card.top + 2.3));
        }
        painter.setPen(QPen(QColor(170, 170, 190), 0.6, Qt::SolidLine, Qt::RoundCap));
        for (double y = card.top + 12; y < FlapTop; y += 3)
            painter.drawLine(QPointF(card.left + 2.2, y), QPointF(card.left + CardWidth - 2.5, y));
    }

    // Front flap.
    QPolygonF flap;
    flap << QPointF(2.5 + FlapSlant, FlapTop + 0.5) << QPointF(46.5, FlapTop + 0.5)
         << QPointF(46.5 - FlapSlant, FlapBottom + 0.5) << QPointF(2.5, FlapBottom + 0.5);
    QLinearGradient flapFill(0, FlapTop, 0, FlapBottom);
    flapFill.setColorAt(0, QColor(255, 250, 140));
    flapFill.setColorAt(0.25, QColor(255, 232, 40));
    flapFill.setColorAt(1, QColor(225, 175, 0));
    painter.setPen(outlinePen);
    painter.setBrush(flapFill);
    painter.drawPolygon(flap);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 0.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(3.5 + FlapSlant, FlapTop + 1.4), QPointF(45, FlapTop + 1.4));
    return image;
}

// ---------------------------------------------------------------- output

struct Picture {
    const char *name;
    QImage image;
    bool keyed; // see-through colour in the bottom-left pixel, rather than alpha
    bool twin;  // right half is the greyed twin of the left half
};

std::vector<Picture> allPictures() {
    return {
        {"read.png", withGreyedTwin(readPicture()), true, true},
        {"clear.png", withGreyedTwin(clearPicture(), {Yellow.rgb()}), true, true},
        {"rename.png", withGreyedTwin(renamePicture()), true, true},
        {"options.png", withGreyedTwin(optionsPicture(), {Yellow.rgb()}), true, true},
        {"close.png", withGreyedTwin(closePicture()), true, true},
        {"about.png", aboutPicture(), true, false},
        {"ok.png", withGreyedTwin(okPicture()), true, true},
        {"cancel.png", withGreyedTwin(cancelPicture()), true, true},
        {"drive_removable.png", driveRemovable(), true, false},
        {"drive_fixed.png", driveFixed(), true, false},
        {"drive_remote.png", driveRemote(), true, false},
        {"drive_cdrom.png", driveCdrom(), true, false},
        {"drive_ram.png", driveRam(), true, false},
        {"folder_open.png", folderOpen(), true, false},
        {"folder_current.png", folderCurrent(), true, false},
        {"folder_closed.png", folderClosed(), true, false},
        {"filvane.png", appIconSmall(), false, false},
    };
}

// The icon at the desktop's icon sizes: the drawing for 48, the smooth one scaled for the rest.
const int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

// The same folder and cards for the smallest sizes, where digits cannot be read and a smooth
// drawing turns to mud: whole pixels, laid out in a 16-unit square, a bar for each number.
QImage appIconTiny(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const auto at = [size](int units) { return (units * size + 8) / 16; };
    const auto area = [&](int x0, int y0, int x1, int y1) {
        return QRect(QPoint(at(x0), at(y0)), QPoint(at(x1) - 1, at(y1) - 1));
    };
    const auto framed = [&](const QRect &box, const QColor &inside) {
        painter.fillRect(box, Black);
        painter.fillRect(box.adjusted(1, 1, -1, -1), inside);
    };

    // Back with its tab, the tab opening into the back.
    const QRect back = area(1, 3, 16, 15);
    framed(back, Olive);
    painter.fillRect(back.left() + 1, back.top() + 1, 1, back.height() - 2, Yellow);
    const QRect tab = area(1, 1, 7, 4);
    framed(tab, Yellow);
    painter.fillRect(tab.left() + 1, tab.bottom(), tab.width() - 2, 2, Yellow);

    const int flapTop = at(10);
    const int flapBottom = at(15) - 1;
    for (int card = 0; card < 3; ++card) {
        QRect sheet = area(2 + 4 * card, 4 + card, 7 + 4 * card, 11);
        sheet.setBottom(flapTop + 1);
        framed(sheet, White);
        painter.fillRect(sheet.left() + 1, sheet.top() + 2, sheet.width() - 2, 1, Navy);
        if (size >= 22)
            painter.fillRect(sheet.left() + 2, sheet.top() + 4, sheet.width() - 4, 1, Silver);
    }

    // Front flap, slanted as in the larger drawings.
    const int slant = at(2);
    const int width = at(16) - at(1) - slant;
    for (int y = flapTop; y <= flapBottom; ++y) {
        const int shift =
            (slant * (y - flapTop) + (flapBottom - flapTop) / 2) / (flapBottom - flapTop);
        const int left = at(1) + slant - shift;
        painter.fillRect(left, y, width, 1, Black);
        if (y != flapTop && y != flapBottom)
            painter.fillRect(left + 1, y, width - 2, 1, Yellow);
    }
    return image;
}

QImage desktopIcon(int size) {
    if (size < 32)
        return appIconTiny(size);
    return size == 48 ? appIconSmall() : appIconLarge(size);
}

// Every desktop icon side by side on light and dark grounds, at their own size and at 4x.
QImage iconSheet() {
    const int gap = 8;
    int width = gap;
    for (const int size : IconSizes)
        width += size + gap;
    QImage sheet(width, 2 * (512 + 2 * gap), QImage::Format_RGB32);
    QPainter painter(&sheet);
    for (int row = 0; row < 2; ++row) {
        painter.fillRect(0, row * (512 + 2 * gap), width, 512 + 2 * gap,
                         row == 0 ? QColor(240, 240, 240) : QColor(48, 48, 48));
        int x = gap;
        for (const int size : IconSizes) {
            painter.drawImage(x, row * (512 + 2 * gap) + gap, desktopIcon(size));
            if (size <= 64)
                painter.drawImage(
                    QRect(x, row * (512 + 2 * gap) + 2 * gap + size, 4 * size, 4 * size),
                    desktopIcon(size));
            x += std::max(size, size <= 64 ? 4 * size : 0) + gap;
        }
    }
    return sheet;
}

// The program takes the bottom-left pixel as see-through, so a picture that covers it would
// lose a colour; a twin whose corner differs would be masked with the wrong colour.
void checkSeeThrough(const Picture &picture) {
    const QImage &image = picture.image;
    const auto cornerIsClear = [&](int x) {
        const QRgb c = image.pixel(x, image.height() - 1);
        return picture.keyed ? c == Key.rgb() : qAlpha(c) == 0;
    };
    if (!cornerIsClear(0) || (picture.twin && !cornerIsClear(image.width() / 2)))
        throw std::runtime_error(std::string(picture.name) + ": bottom-left pixel is drawn on");
}

void save(const QImage &image, const QString &path) {
    if (!image.save(path, "PNG"))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Shows every picture eight times enlarged, once as drawn and once on a button face with the
// see-through colour removed, to judge them without a magnifier.
QImage contactSheet(const std::vector<Picture> &pictures) {
    const int zoom = 8;
    const int gap = 8;
    const int maxWidth = 1560;
    const auto zoomOf = [&](const Picture &p) { return p.image.width() > 64 ? 1 : zoom; };

    // Flow the pictures into rows so the sheet stays roughly square.
    std::vector<QPoint> places;
    int x = gap;
    int y = gap;
    int rowHeight = 0;
    int width = 0;
    for (const Picture &p : pictures) {
        const QSize size = p.image.size() * zoomOf(p);
        const int entryWidth = 2 * size.width() + gap;
        if (x > gap && x + entryWidth + gap > maxWidth) {
            x = gap;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        places.emplace_back(x, y);
        x += entryWidth + 2 * gap;
        width = std::max(width, x);
        rowHeight = std::max(rowHeight, size.height());
    }
    QImage sheet(width, y + rowHeight + gap, QImage::Format_RGB32);
    sheet.fill(QColor(96, 96, 96));
    QPainter painter(&sheet);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture &p = pictures[i];
        QImage cut = p.image.convertToFormat(QImage::Format_ARGB32);
        if (p.keyed) {
            const QRgb key = p.image.pixel(0, p.image.height() - 1);
            for (int yy = 0; yy < cut.height(); ++yy)
                for (int xx = 0; xx < cut.width(); ++xx)
                    if (cut.pixel(xx, yy) == key)
                        cut.setPixel(xx, yy, qRgba(0, 0, 0, 0));
        }
        QImage onFace(p.image.size(), QImage::Format_RGB32);
        onFace.fill(Silver);
        {
            QPainter face(&onFace);
            face.drawImage(0, 0, cut);
        }
        const QSize size = p.image.size() * zoomOf(p);
        painter.drawImage(QRect(places[i], size), p.image);
        painter.drawImage(QRect(places[i] + QPoint(size.width() + gap, 0), size), onFace);
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv) {
    // OUTPUT_FOLDER [--icons HICOLOR_FOLDER] [--sheet FILE] [--icon-sheet FILE]
    std::map<std::string, std::string> options;
    bool usage = argc < 2 || argc % 2 != 0;
    for (int i = 2; !usage && i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        usage = name != "--icons" && name != "--sheet" && name != "--icon-sheet";
        options[name] = argv[i + 1];
    }
    if (usage) {
        std::fprintf(stderr,
                     "usage: %s OUTPUT_FOLDER [--icons HICOLOR_FOLDER] [--sheet FILE] "
                     "[--icon-sheet FILE]\n",
                     argv[0]);
        return 2;
    }
    const auto folder = [](const std::string &path) {
        const QDir dir(QString::fromLocal8Bit(path.c_str()));
        if (!QDir().mkpath(dir.path()))
            throw std::runtime_error("cannot create " + dir.path().toStdString());
        return dir;
    };
    try {
        const QDir out = folder(argv[1]);
        const std::vector<Picture> pictures = allPictures();
        for (const Picture &p : pictures) {
            checkSeeThrough(p);
            const QImage file = p.keyed ? p.image.convertToFormat(QImage::Format_RGB888)
                                        : p.image.convertToFormat(QImage::Format_ARGB32);
            save(file, out.filePath(QString::fromLatin1(p.name)));
        }
        if (options.count("--sheet"))
            save(contactSheet(pictures), QString::fromLocal8Bit(options["--sheet"].c_str()));
        if (options.count("--icons")) {
            const std::string hicolor = options["--icons"];
            for (const int size : IconSizes) {
                const QDir apps = folder(hicolor + "/" + std::to_string(size) + "x" +
                                         std::to_string(size) + "/apps");
                save(desktopIcon(size).convertToFormat(QImage::Format_ARGB32),
                     apps.filePath(QStringLiteral("filvane.png")));
            }
        }
        if (options.count("--icon-sheet"))
            save(iconSheet(), QString::fromLocal8Bit(options["--icon-sheet"].c_str()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
