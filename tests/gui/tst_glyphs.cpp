#include "BmpUtils.h"

#include <QFile>
#include <QTest>

#include <array>

namespace {

using PixelMap = std::array<const char *, 20>;

// The two flags, letter by letter: N navy, W white, R red, G green, M magenta.
constexpr PixelMap BritishFlag = {
    "MWNNNNNNWRWNNNNNNWRM", "RRWNNNNNWRWNNNNNWRRW", "WRRWNNNNWRWNNNNWRRWN", "NWRRWNNNWRWNNNWRRWNN",
    "NNWRRWNNWRWNNWRRWNNN", "NNNWRRWNWRWNWRRWNNNN", "NNNNWRRWWRWWRRWNNNNN", "NNNNNWRRWRWRRWNNNNNN",
    "NNNNNNWRRRRRWNNNNNNN", "WWWWWWWWRRRWWWWWWWWW", "RRRRRRRRRRRRRRRRRRRR", "WWWWWWWRRRRRWWWWWWWW",
    "NNNNNWRRWRWRRWNNNNNN", "NNNNWRRWWRWWRRWNNNNN", "NNNWRRWNWRWNWRRWNNNN", "NNWRRWNNWRWNNWRRWNNN",
    "NWRRWNNNWRWNNNWRRWNN", "WRRWNNNNWRWNNNNWRRWN", "RRWNNNNNWRWNNNNNWRRW", "MWNNNNNNWRWNNNNNNWRM",
};

constexpr PixelMap HungarianFlag = {
    "MRRRRRRRRRRRRRRRRRRM", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR",
    "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "WWWWWWWWWWWWWWWWWWWW",
    "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW",
    "WWWWWWWWWWWWWWWWWWWW", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG",
    "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "MGGGGGGGGGGGGGGGGGGM",
};

QRgb letterColour(char letter) {
    switch (letter) {
    case 'N':
        return 0x000080;
    case 'W':
        return 0xffffff;
    case 'R':
        return 0xff0000;
    case 'G':
        return 0x008000;
    case 'M':
        return 0xff00ff;
    }
    return 0xdeadbe; // never a glyph colour
}

quint32 le(const QByteArray &bytes, int at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    return value;
}

// A pseudo-random picture, so every pixel differs from its neighbours.
QImage noise(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            image.setPixel(x, y, 0xff000000 | (seed >> 8));
        }
    return image;
}

} // namespace

class GlyphTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Nothing else in this test names the program's resources, so the linker would drop them.
        Q_INIT_RESOURCE(filvane);
    }
    void flagFiles_data();
    void flagFiles();
    void transparentColourIsBottomLeft();
    void drawBitmapTransparentPixelByPixel();
    void maskedBlitPartAndStretch();
};

void GlyphTest::flagFiles_data() {
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("flag");
    QTest::newRow("on: British") << QStringLiteral(":/glyphs/flag_on.bmp") << 0;
    QTest::newRow("off: Hungarian") << QStringLiteral(":/glyphs/flag_off.bmp") << 1;
}

void GlyphTest::flagFiles() {
    QFETCH(QString, resource);
    QFETCH(int, flag);
    const PixelMap &map = flag == 0 ? BritishFlag : HungarianFlag;

    QFile file(resource);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(resource));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 358);
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(le(bytes, 2, 4), 358u); // file size
    QCOMPARE(le(bytes, 14, 4), 40u); // information header size
    QCOMPARE(le(bytes, 18, 4), 20u); // width
    QCOMPARE(le(bytes, 22, 4), 20u); // height, bottom-up
    QCOMPARE(le(bytes, 26, 2), 1u);  // planes
    QCOMPARE(le(bytes, 28, 2), 4u);  // bits per pixel
    QCOMPARE(le(bytes, 30, 4), 0u);  // uncompressed
    const int pixelOffset = static_cast<int>(le(bytes, 10, 4));
    QCOMPARE(pixelOffset, 14 + 40 + 64);

    // The standard 16 colours, stored blue, green, red, 0.
    const std::array<QRgb, 16> standard = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xc0c0c0,
        0x808080, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};
    std::array<QRgb, 16> palette{};
    for (int i = 0; i < 16; ++i) {
        const int at = 54 + 4 * i;
        palette[static_cast<size_t>(i)] =
            qRgb(static_cast<quint8>(bytes.at(at + 2)), static_cast<quint8>(bytes.at(at + 1)),
                 static_cast<quint8>(bytes.at(at))) &
            RGB_MASK;
        QCOMPARE(palette[static_cast<size_t>(i)], standard[static_cast<size_t>(i)]);
    }

    const QImage decoded(resource); // what the program loads
    QCOMPARE(decoded.size(), QSize(20, 20));
    constexpr int RowBytes = 12; // 20 pixels of 4 bits, padded to 4 bytes
    for (int y = 0; y < 20; ++y) {
        const int rowStart = pixelOffset + (19 - y) * RowBytes;
        for (int x = 0; x < 20; ++x) {
            const quint8 pair = static_cast<quint8>(bytes.at(rowStart + x / 2));
            const int index = x % 2 == 0 ? pair >> 4 : pair & 0x0f;
            const QRgb expected = letterColour(map[static_cast<size_t>(y)][x]);
            QVERIFY2(palette[static_cast<size_t>(index)] == expected,
                     qPrintable(QStringLiteral("file pixel (%1, %2)").arg(x).arg(y)));
            QVERIFY2((decoded.pixel(x, y) & RGB_MASK) == expected,
                     qPrintable(QStringLiteral("loaded pixel (%1, %2)").arg(x).arg(y)));
        }
    }
    QCOMPARE(BitmapTransparentColor(decoded), QRgb(0xff00ff));
}

void GlyphTest::transparentColourIsBottomLeft() {
    QImage image = noise(7, 5, 1);
    image.setPixel(0, 4, 0xff123456);
    QCOMPARE(BitmapTransparentColor(image), QRgb(0x123456));
    QCOMPARE(BitmapTransparentColor(QImage()), QRgb(0));
}

void GlyphTest::drawBitmapTransparentPixelByPixel() {
    const QImage original = noise(40, 30, 7);
    QImage bitmap = noise(12, 9, 99);
    const QRgb key = 0xff00ff;
    // See-through pixels scattered over the picture, edges included.
    for (const QPoint p : {QPoint(0, 0), QPoint(11, 8), QPoint(0, 8), QPoint(5, 4), QPoint(6, 4),
                           QPoint(11, 0), QPoint(3, 7)})
        bitmap.setPixel(p, 0xff000000 | key);
    // A colour one step away from the key must be drawn.
    bitmap.setPixel(7, 2, 0xffff00fe);
    const QImage bitmapBefore = bitmap.copy();

    for (const QPoint at : {QPoint(4, 3), QPoint(-5, -2), QPoint(33, 25)}) {
        QImage canvas = original.copy();
        DrawBitmapTransparent(canvas, at.x(), at.y(), bitmap, key);
        QCOMPARE(bitmap, bitmapBefore);
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const QPoint source(x - at.x(), y - at.y());
                QRgb expected = original.pixel(x, y);
                if (bitmap.rect().contains(source) && (bitmap.pixel(source) & RGB_MASK) != key)
                    expected = bitmap.pixel(source);
                QVERIFY2(canvas.pixel(x, y) == expected,
                         qPrintable(QStringLiteral("(%1, %2) at (%3, %4)")
                                        .arg(x)
                                        .arg(y)
                                        .arg(at.x())
                                        .arg(at.y())));
            }
    }
}

void GlyphTest::maskedBlitPartAndStretch() {
    // A 2 x 2 part, stretched to 4 x 4: each source pixel covers a 2 x 2 block.
    QImage source(3, 3, QImage::Format_RGB32);
    source.fill(0xff101010);
    source.setPixel(1, 1, 0xffaa0000);
    source.setPixel(2, 1, 0xff00bb00);
    source.setPixel(1, 2, 0xff0000cc);
    source.setPixel(2, 2, 0xff00ff00); // the see-through colour
    const QImage sourceBefore = source.copy();
    QImage canvas(6, 6, QImage::Format_RGB32);
    canvas.fill(0xffffffff);

    MaskedBlit(canvas, source, QPoint(1, 1), 0x00ff00, QRect(1, 1, 2, 2), QSize(4, 4));
    QCOMPARE(source, sourceBefore);
    const auto at = [&](int x, int y) { return canvas.pixel(x, y) & RGB_MASK; };
    QCOMPARE(at(0, 0), QRgb(0xffffff));
    QCOMPARE(at(1, 1), QRgb(0xaa0000));
    QCOMPARE(at(2, 2), QRgb(0xaa0000));
    QCOMPARE(at(3, 1), QRgb(0x00bb00));
    QCOMPARE(at(4, 2), QRgb(0x00bb00));
    QCOMPARE(at(1, 3), QRgb(0x0000cc));
    QCOMPARE(at(2, 4), QRgb(0x0000cc));
    QCOMPARE(at(3, 3), QRgb(0xffffff)); // see-through
    QCOMPARE(at(4, 4), QRgb(0xffffff));
    QCOMPARE(at(5, 5), QRgb(0xffffff)); // beyond the stretched area
}

QTEST_MAIN(GlyphTest)
#include "tst_glyphs.moc"
