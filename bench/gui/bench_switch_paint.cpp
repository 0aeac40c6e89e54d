// The language switch composes its look in a fresh image at every paint and copies its picture
// pixel by pixel. This measures an immediate repaint of a 20 x 20 switch, opaque and transparent,
// beside a plain widget of the same size that draws a pre-masked pixmap, in the same run.
//   QT_QPA_PLATFORM=offscreen bench_switch_paint
#include "../support/BenchTimer.h"
#include "controls/BmpCtrls.h"
#include "controls/ButtonGlyphs.h"

#include <QApplication>
#include <QPainter>
#include <QToolButton>

#include <cstdio>

namespace {

constexpr int Paints = 2000;
constexpr int Runs = 7;

template <typename F> double medianMicrosecondsPerPaint(F &&paint) {
    const auto paints = [&] {
        for (int i = 0; i < Paints; ++i)
            paint();
    };
    return bench::medianMs(Runs, paints) * 1e3 / Paints;
}

// The cheapest way Qt draws a picture with a see-through colour: a pixmap masked once.
class PixmapWidget : public QWidget {
public:
    PixmapWidget(const QPixmap &pixmap, QWidget *parent) : QWidget(parent), m_pixmap(pixmap) {
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawPixmap(0, 0, m_pixmap); }

private:
    QPixmap m_pixmap;
};

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(filvane);
    const QImage flag(QStringLiteral(":/glyphs/flag_on.bmp"));
    if (flag.isNull()) {
        std::fprintf(stderr, "flag picture missing\n");
        return 1;
    }

    QWidget panel;
    panel.resize(120, 30);
    // A few buttons under the transparent switch, as on a toolbar.
    for (int x = 0; x < 3; ++x)
        (new QToolButton(&panel))->setGeometry(30 + x * 8, 2, 25, 25);
    auto *plain = new PixmapWidget(
        pixmapWithTransparentColor(flag.convertToFormat(QImage::Format_RGB32), flag.pixel(0, 19)),
        &panel);
    plain->setGeometry(90, 5, 20, 20);
    auto *opaque = new TepBMPSwitch(&panel);
    opaque->setGeometry(2, 5, 20, 20);
    opaque->setOnGlyph(flag);
    auto *transparent = new TepBMPSwitch(&panel);
    transparent->setGeometry(40, 5, 20, 20);
    transparent->setOnGlyph(flag);
    transparent->setTransparent(true);
    panel.show();
    QApplication::processEvents();

    const double baseline = medianMicrosecondsPerPaint([&] { plain->repaint(); });
    const double opaqueTime = medianMicrosecondsPerPaint([&] { opaque->RepaintNow(); });
    const double transparentTime = medianMicrosecondsPerPaint([&] { transparent->RepaintNow(); });

    std::printf("masked pixmap widget repaint (baseline): %7.1f us\n", baseline);
    std::printf("switch RepaintNow, opaque:               %7.1f us  (%.2fx the baseline)\n",
                opaqueTime, opaqueTime / baseline);
    std::printf("switch RepaintNow, transparent:          %7.1f us  (%.2fx the baseline)\n",
                transparentTime, transparentTime / baseline);
    return 0;
}
