#include "controls/BmpUtils.h"

#include <QFile>
#include <QTest>

#include <array>
#include <string_view>

namespace {

// The two flags, letter by letter: N navy, W white, R red, G green, M magenta.
// clang-format off
constexpr const char *Flags[2][20] = {
    {"MWNNNNNNWRWNNNNNNWRM", "RRWNNNNNWRWNNNNNWRRW", "WRRWNNNNWRWNNNNWRRWN", "NWRRWNNNWRWNNNWRRWNN",
     "NNWRRWNNWRWNNWRRWNNN", "NNNWRRWNWRWNWRRWNNNN", "NNNNWRRWWRWWRRWNNNNN", "NNNNNWRRWRWRRWNNNNNN",
     "NNNNNNWRRRRRWNNNNNNN", "WWWWWWWWRRRWWWWWWWWW", "RRRRRRRRRRRRRRRRRRRR", "WWWWWWWRRRRRWWWWWWWW",
     "NNNNNWRRWRWRRWNNNNNN", "NNNNWRRWWRWWRRWNNNNN", "NNNWRRWNWRWNWRRWNNNN", "NNWRRWNNWRWNNWRRWNNN",
     "NWRRWNNNWRWNNNWRRWNN", "WRRWNNNNWRWNNNNWRRWN", "RRWNNNNNWRWNNNNNWRRW", "MWNNNNNNWRWNNNNNNWRM"},
    {"MRRRRRRRRRRRRRRRRRRM", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR",
     "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "WWWWWWWWWWWWWWWWWWWW",
     "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW",
     "WWWWWWWWWWWWWWWWWWWW", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG",
     "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "MGGGGGGGGGGGGGGGGGGM"},
};
// clang-format on

QRgb letterColour(char letter) {
    constexpr std::string_view Letters = "NWRGM";
    constexpr QRgb Colours[] = {0x000080, 0xffffff, 0xff0000, 0x008000, 0xff00ff};
    return Colours[Letters.find(letter)];
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
    // Nothing else in this test names the program's resources, so the linker would drop them.
    void initTestCase() { Q_INIT_RESOURCE(filvane); }
    void flagFiles_data();
    void flagFiles();
    void maskedDrawingPixelByPixel();
};

void GlyphTest::flagFiles_data() {
    QTest::addColumn<int>("flag");
    QTest::newRow("on: British") << 0;
    QTest::newRow("off: Hungarian") << 1;
}

void GlyphTest::flagFiles() {
    QFETCH(int, flag);
    const QString resource = flag == 0 ? ":/glyphs/flag_on.bmp" : ":/glyphs/flag_off.bmp";
    QFile file(resource);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.size(), 358);
    // {offset, size, value}: "BM", file size, pixel offset, header size, width, height (bottom-up),
    // planes, bits per pixel, no compression.
    constexpr int Header[][3] = {{0, 2, 0x4d42}, {2, 4, 358}, {10, 4, 118},
                                 {14, 4, 40},    {18, 4, 20}, {22, 4, 20},
                                 {26, 2, 1},     {28, 2, 4},  {30, 4, 0}};
    for (const auto &[at, size, value] : Header)
        QVERIFY2(le(bytes, at, size) == quint32(value), qPrintable(QString::number(at)));

    // The standard 16 colours, stored blue, green, red, 0.
    constexpr std::array<QRgb, 16> Standard = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xc0c0c0,
        0x808080, 0xff0000, 0x00ff00, 0xffff00, 0x0000ff, 0xff00ff, 0x00ffff, 0xffffff};
    for (int i = 0; i < 16; ++i)
        QCOMPARE(le(bytes, 54 + 4 * i, 4), Standard[size_t(i)]);

    const QImage decoded(resource); // what the program loads
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const quint8 pair =
                static_cast<quint8>(bytes.at(118 + (19 - y) * 12 + x / 2)); // rows of 12 bytes
            const QRgb expected = letterColour(Flags[flag][y][x]);
            QVERIFY2(Standard[x % 2 == 0 ? pair >> 4 : pair & 0x0f] == expected &&
                         (decoded.pixel(x, y) & RGB_MASK) == expected,
                     qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        }
}

void GlyphTest::maskedDrawingPixelByPixel() {
    QCOMPARE(BitmapTransparentColor(QImage()), QRgb(0));
    const QImage original = noise(40, 30, 7);
    QImage bitmap = noise(12, 9, 99);
    // See-through pixels scattered over the picture, edges included; the key is the bottom-left
    // one, (0, 0) being ordinary.
    for (const QPoint p :
         {QPoint(0, 8), QPoint(0, 3), QPoint(11, 8), QPoint(5, 4), QPoint(6, 4), QPoint(11, 0)})
        bitmap.setPixel(p, 0xffff00ff);
    bitmap.setPixel(7, 2, 0xffff00fe); // one step away from the key: drawn
    const QRgb key = BitmapTransparentColor(bitmap);
    QCOMPARE(key, QRgb(0xff00ff));
    const QImage bitmapBefore = bitmap.copy();

    // Where the picture goes, which part of it (empty: all) and how large (empty: unscaled).
    struct Blit {
        QPoint at;
        QRect part;
        QSize size;
    };
    for (const auto &[at, part, size] :
         {Blit{{4, 3}, {}, {}}, Blit{{-5, -2}, {}, {}}, Blit{{33, 25}, {}, {}},
          Blit{{2, 1}, {3, 2, 6, 4}, {12, 8}}}) {
        QImage canvas = original.copy();
        MaskedBlit(canvas, bitmap, at, key, part, size);
        QCOMPARE(bitmap, bitmapBefore);
        if (part.isEmpty()) { // the drawing the switch uses gives the same pixels
            QImage drawn = original.copy();
            DrawBitmapTransparent(drawn, at.x(), at.y(), bitmap, key);
            QCOMPARE(drawn, canvas);
        }
        const QRect from = part.isEmpty() ? bitmap.rect() : part;
        const int scale = size.isEmpty() ? 1 : 2; // the stretched case doubles the part
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const QPoint offset = QPoint(x, y) - at;
                const QPoint source =
                    from.topLeft() + QPoint(offset.x() / scale, offset.y() / scale);
                const bool inside = offset.x() >= 0 && offset.y() >= 0 && from.contains(source);
                const bool drawn = inside && (bitmap.pixel(source) & RGB_MASK) != key;
                QVERIFY2(
                    canvas.pixel(x, y) == (drawn ? bitmap.pixel(source) : original.pixel(x, y)),
                    qPrintable(QString::asprintf("(%d, %d) at (%d, %d)", x, y, at.x(), at.y())));
            }
    }
}

QTEST_MAIN(GlyphTest)
#include "tst_glyphs.moc"
