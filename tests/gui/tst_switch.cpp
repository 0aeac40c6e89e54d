#include "BmpCtrls.h"
#include "Filvane.h"
#include "Option.h"
#include "Read.h"
#include "Windows.h"

#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWindow>

#include <memory>

namespace {

constexpr QRgb Navy = 0x000080;
constexpr QRgb Magenta = 0xff00ff;
constexpr QRgb Blue = 0x0000ff;
constexpr QRgb Yellow = 0xffff00;
constexpr QRgb ParentColour = 0x204060;  // the parent's background colour
constexpr QRgb ParentPainted = 0xc0a000; // what the parent paints itself, on its top rows
constexpr QRgb LowerColour = 0x00c080;
constexpr QRgb UpperColour = 0xe02020;
constexpr QRgb NativeColour = 0x808080;

QRgb rgbAt(const QImage &image, int x, int y) {
    return image.pixel(x, y) & RGB_MASK;
}

// A blue picture of `size` whose four corners and the pixel (5, 5) are magenta, the see-through
// colour; `centre` colours a cross through the middle so two pictures can be told apart.
QImage testGlyph(int size = 20, QRgb centre = Blue) {
    QImage glyph(size, size, QImage::Format_RGB32);
    glyph.fill(QColor::fromRgb(Blue));
    for (int i = 0; i < size; ++i) {
        glyph.setPixel(size / 2, i, centre | 0xff000000);
        glyph.setPixel(i, size / 2, centre | 0xff000000);
    }
    for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1),
                                QPoint(size - 1, size - 1), QPoint(5, 5)})
        glyph.setPixel(corner, Magenta | 0xff000000);
    return glyph;
}

QImage flagGlyph(bool on) {
    return QImage(on ? QStringLiteral(":/glyphs/flag_on.bmp")
                     : QStringLiteral(":/glyphs/flag_off.bmp"));
}

// A parent with a colour of its own that also paints something itself, like a panel's face.
class PaintingParent : public QWidget {
public:
    PaintingParent() {
        QPalette palette;
        palette.setColor(QPalette::Window, QColor::fromRgb(ParentColour));
        setPalette(palette);
        setAutoFillBackground(true);
        resize(80, 60);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter(this).fillRect(0, 0, width(), 20, QColor::fromRgb(ParentPainted));
    }
};

QWidget *colouredSibling(QWidget *parent, const QRect &geometry, QRgb colour) {
    auto *sibling = new QWidget(parent);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor::fromRgb(colour));
    sibling->setPalette(palette);
    sibling->setAutoFillBackground(true);
    sibling->setGeometry(geometry);
    return sibling;
}

// Counts the paints and records the events with the state and paint count they saw.
class RecordingSwitch : public TepBMPSwitch {
public:
    explicit RecordingSwitch(QWidget *parent) : TepBMPSwitch(parent) {
        connect(this, &TepBMPSwitch::OnOn, this,
                [this](TepBMPSwitch *sender) { record(QStringLiteral("on"), sender); });
        connect(this, &TepBMPSwitch::OnOff, this,
                [this](TepBMPSwitch *sender) { record(QStringLiteral("off"), sender); });
    }
    int paints = 0;
    QStringList events;

protected:
    void DrawOnBuffer() override {
        ++paints;
        TepBMPSwitch::DrawOnBuffer();
    }

private:
    void record(const QString &name, TepBMPSwitch *sender) {
        // A handler must see the new state, already painted.
        const bool stateMatches =
            (state() == TState::sOn) == (name == QStringLiteral("on")) && sender == this;
        events << name + (stateMatches ? QString() : QStringLiteral("!")) + QLatin1Char('@') +
                      QString::number(paints);
    }
};

} // namespace

class SwitchTest : public QObject {
    Q_OBJECT

private slots:
    void constructionDefaults();
    void opaqueShowsOwnColour();
    void transparentShowsParentAndLowerSiblingsOnly();
    void glyphLargerAndSmallerThanControl();
    void emptyGlyphs();
    void glyphWriteCopiesThePicture();
    void hitTest_data();
    void hitTest();
    void otherButtonsDoNothing();
    void doubleClickFlipsTwice();
    void stateWriteAlwaysRepaintsAndFires();
    void mainWindowAppliesEnglishWhileLoading();
    void mainWindowLanguageRoundTrip();

private:
    // A shown parent holding one switch with the two flags, painted once.
    struct Shown {
        std::unique_ptr<QWidget> parent;
        RecordingSwitch *control = nullptr;
    };
    Shown showSwitch(const QImage &on, const QImage &off, QSize size = {20, 20});
};

SwitchTest::Shown SwitchTest::showSwitch(const QImage &on, const QImage &off, QSize size) {
    Shown shown;
    shown.parent = std::make_unique<PaintingParent>();
    shown.control = new RecordingSwitch(shown.parent.get());
    shown.control->setGeometry(QRect(QPoint(10, 10), size));
    shown.control->setOnGlyph(on);
    shown.control->setOffGlyph(off);
    shown.parent->show();
    if (!QTest::qWaitForWindowExposed(shown.parent.get()))
        qWarning("parent not exposed");
    if (!QTest::qWaitFor([&] { return shown.control->paints > 0; }, 2000))
        qWarning("switch never painted");
    return shown;
}

void SwitchTest::constructionDefaults() {
    QWidget parent;
    RecordingSwitch control(&parent);
    QCOMPARE(control.size(), QSize(100, 100));
    QCOMPARE(control.state(), TepBMPSwitch::TState::sOn);
    QVERIFY(!control.transparent());
    QVERIFY(control.onGlyph().isNull());
    QVERIFY(control.offGlyph().isNull());
    QVERIFY(control.events.isEmpty());
    QCOMPARE(control.paints, 0);
}

void SwitchTest::opaqueShowsOwnColour() {
    Shown shown = showSwitch(testGlyph(), testGlyph(20, Yellow));
    QImage image = shown.control->grab().toImage();
    // Every see-through pixel shows the control's colour, inherited from the parent; neither
    // the parent's own painting nor a sibling.
    for (const QPoint p :
         {QPoint(0, 0), QPoint(19, 0), QPoint(0, 19), QPoint(19, 19), QPoint(5, 5)})
        QCOMPARE(rgbAt(image, p.x(), p.y()), ParentColour);
    QCOMPARE(rgbAt(image, 2, 2), Blue);
    QCOMPARE(rgbAt(image, 10, 3), Blue); // the On picture's centre cross is blue

    QPalette own;
    own.setColor(QPalette::Window, QColor::fromRgb(NativeColour));
    shown.control->setPalette(own);
    image = shown.control->grab().toImage();
    QCOMPARE(rgbAt(image, 0, 0), NativeColour);
    QCOMPARE(rgbAt(image, 2, 2), Blue);
}

void SwitchTest::transparentShowsParentAndLowerSiblingsOnly() {
    auto parent = std::make_unique<PaintingParent>();
    // The switch sits at (10, 10)-(29, 29); the parent paints its rows 0 to 19 itself.
    colouredSibling(parent.get(), QRect(25, 25, 10, 10), LowerColour); // under its bottom right
    auto *control = new RecordingSwitch(parent.get());
    control->setGeometry(10, 10, 20, 20);
    control->setOnGlyph(testGlyph());
    colouredSibling(parent.get(), QRect(25, 5, 10, 10), UpperColour); // over its top right
    control->setTransparent(true);
    parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(parent.get()));

    const QImage image = control->grab().toImage();
    QCOMPARE(rgbAt(image, 0, 0), ParentPainted);  // the parent's own painting
    QCOMPARE(rgbAt(image, 19, 0), ParentPainted); // not the sibling above
    QCOMPARE(rgbAt(image, 0, 19), ParentColour);
    QCOMPARE(rgbAt(image, 19, 19), LowerColour); // the sibling below
    QCOMPARE(rgbAt(image, 5, 5), ParentPainted); // a see-through pixel inside the picture
    QCOMPARE(rgbAt(image, 2, 2), Blue);

    // Off again: the corners go back to the control's own colour.
    control->setTransparent(false);
    const QImage opaque = control->grab().toImage();
    QCOMPARE(rgbAt(opaque, 0, 0), ParentColour);
    QCOMPARE(rgbAt(opaque, 19, 19), ParentColour);

    // A sibling with a native window of its own is never composed. (Qt makes every sibling of
    // a native widget native too, so this needs a parent of its own.)
    auto nativeParent = std::make_unique<PaintingParent>();
    colouredSibling(nativeParent.get(), QRect(5, 25, 10, 10), NativeColour)
        ->setAttribute(Qt::WA_NativeWindow);
    auto *over = new RecordingSwitch(nativeParent.get());
    over->setGeometry(10, 10, 20, 20);
    over->setOnGlyph(testGlyph());
    over->setTransparent(true);
    nativeParent->show();
    QVERIFY(QTest::qWaitForWindowExposed(nativeParent.get()));
    const QImage overNative = over->grab().toImage();
    QCOMPARE(rgbAt(overNative, 0, 19), ParentColour);
    QCOMPARE(rgbAt(overNative, 0, 0), ParentPainted);
}

void SwitchTest::glyphLargerAndSmallerThanControl() {
    {
        Shown small = showSwitch(testGlyph(), {}, QSize(10, 10));
        const QImage image = small.control->grab().toImage();
        QCOMPARE(image.size(), QSize(10, 10));
        QCOMPARE(rgbAt(image, 0, 0), ParentColour);
        QCOMPARE(rgbAt(image, 9, 9), Blue); // cut at the edge, not scaled down
        QCOMPARE(rgbAt(image, 9, 5), Blue);
        QTest::mouseClick(small.control, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(small.control->state(), TepBMPSwitch::TState::sOff);
    }
    {
        Shown large = showSwitch(testGlyph(), testGlyph(20, Yellow), QSize(40, 40));
        const QImage image = large.control->grab().toImage();
        QCOMPARE(rgbAt(image, 19, 19), ParentColour);
        QCOMPARE(rgbAt(image, 18, 18), Blue);
        QCOMPARE(rgbAt(image, 20, 5), ParentColour); // outside the picture: background
        QCOMPARE(rgbAt(image, 30, 30), ParentColour);
        QTest::mouseClick(large.control, Qt::LeftButton, {}, QPoint(30, 30));
        QTest::mouseClick(large.control, Qt::LeftButton, {}, QPoint(20, 10));
        QCOMPARE(large.control->state(), TepBMPSwitch::TState::sOn);
        QVERIFY(large.control->events.isEmpty());
        QTest::mouseClick(large.control, Qt::LeftButton, {}, QPoint(19, 10));
        QCOMPARE(large.control->state(), TepBMPSwitch::TState::sOff);
    }
}

void SwitchTest::emptyGlyphs() {
    {
        // An empty On picture: the Off one is shown, but presses test the empty one.
        Shown shown = showSwitch({}, testGlyph(20, Yellow));
        const QImage image = shown.control->grab().toImage();
        QCOMPARE(rgbAt(image, 10, 3), Yellow);
        QCOMPARE(rgbAt(image, 0, 0), ParentColour);
        QTest::mouseClick(shown.control, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(shown.control->state(), TepBMPSwitch::TState::sOn);
        QVERIFY(shown.control->events.isEmpty());
    }
    {
        Shown shown = showSwitch({}, {});
        const QImage image = shown.control->grab().toImage();
        for (const QPoint p : {QPoint(0, 0), QPoint(10, 10), QPoint(19, 19)})
            QCOMPARE(rgbAt(image, p.x(), p.y()), ParentColour);
        QTest::mouseClick(shown.control, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(shown.control->state(), TepBMPSwitch::TState::sOn);
        // An empty Off picture in state sOff: only the background.
        shown.control->setState(TepBMPSwitch::TState::sOff);
        const QImage off = shown.control->grab().toImage();
        QCOMPARE(rgbAt(off, 10, 10), ParentColour);
        QTest::mouseClick(shown.control, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(shown.control->state(), TepBMPSwitch::TState::sOff);
    }
}

void SwitchTest::glyphWriteCopiesThePicture() {
    Shown shown = showSwitch(testGlyph(), {});
    QImage mine = testGlyph(20, Yellow);
    const int paints = shown.control->paints;
    shown.control->setOnGlyph(mine);
    QCOMPARE(shown.control->paints, paints + 1); // repainted at once
    mine.fill(Qt::black);
    QCOMPARE(rgbAt(shown.control->grab().toImage(), 10, 3), Yellow);
    // A change made through the owned picture shows at the next paint.
    shown.control->onGlyph().setPixel(3, 3, 0xff000000);
    QCOMPARE(rgbAt(shown.control->grab().toImage(), 3, 3), QRgb(0));
}

void SwitchTest::hitTest_data() {
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("counts");
    QTest::newRow("middle") << QPoint(10, 10) << true;
    QTest::newRow("last column") << QPoint(19, 10) << true;
    QTest::newRow("last row") << QPoint(10, 19) << true;
    QTest::newRow("first column") << QPoint(0, 10) << false;
    QTest::newRow("first row") << QPoint(10, 0) << false;
    QTest::newRow("magenta corner") << QPoint(19, 19) << false;
}

void SwitchTest::hitTest() {
    QFETCH(QPoint, at);
    QFETCH(bool, counts);
    Shown shown = showSwitch(flagGlyph(true), flagGlyph(false));
    QCOMPARE(shown.control->glyphTransparentColor(), Magenta);

    QTest::mouseClick(shown.control, Qt::LeftButton, {}, at);
    QCOMPARE(shown.control->state(),
             counts ? TepBMPSwitch::TState::sOff : TepBMPSwitch::TState::sOn);
    QCOMPARE(shown.control->events.size(), counts ? 1 : 0);
    if (counts) {
        QVERIFY2(shown.control->events.first().startsWith(QLatin1String("off@")),
                 qPrintable(shown.control->events.first()));
        // The Hungarian flag is already on screen when the handler runs.
        QCOMPARE(rgbAt(shown.control->grab().toImage(), 10, 2), QRgb(0xff0000));
    }
}

void SwitchTest::otherButtonsDoNothing() {
    Shown shown = showSwitch(flagGlyph(true), flagGlyph(false));
    const int paints = shown.control->paints;
    QTest::mouseClick(shown.control, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(shown.control, Qt::MiddleButton, {}, QPoint(10, 10));
    QCOMPARE(shown.control->state(), TepBMPSwitch::TState::sOn);
    QVERIFY(shown.control->events.isEmpty());
    QCOMPARE(shown.control->paints, paints);
}

void SwitchTest::doubleClickFlipsTwice() {
    Shown shown = showSwitch(flagGlyph(true), flagGlyph(false));
    // Through the window, so Qt turns the second press into a double-click event as it does
    // for a real mouse.
    const QPoint at = shown.control->mapTo(shown.parent.get(), QPoint(10, 10));
    QTest::mouseDClick(shown.parent->windowHandle(), Qt::LeftButton, {}, at);
    QCOMPARE(shown.control->events.size(), 2);
    QVERIFY2(shown.control->events.at(0).startsWith(QLatin1String("off@")),
             qPrintable(shown.control->events.join(' ')));
    QVERIFY2(shown.control->events.at(1).startsWith(QLatin1String("on@")),
             qPrintable(shown.control->events.join(' ')));
    QCOMPARE(shown.control->state(), TepBMPSwitch::TState::sOn);
}

void SwitchTest::stateWriteAlwaysRepaintsAndFires() {
    Shown shown = showSwitch(flagGlyph(true), flagGlyph(false));
    const int paints = shown.control->paints;
    shown.control->setState(TepBMPSwitch::TState::sOn);
    QCOMPARE(shown.control->paints, paints + 1);
    // The handler ran after the repaint and saw the written state.
    QCOMPARE(shown.control->events, QStringList{QStringLiteral("on@%1").arg(paints + 1)});
    shown.control->setState(TepBMPSwitch::TState::sOff);
    shown.control->setState(TepBMPSwitch::TState::sOff);
    QCOMPARE(shown.control->events.size(), 3);
    QCOMPARE(shown.control->events.at(2), QStringLiteral("off@%1").arg(paints + 3));
}

void SwitchTest::mainWindowAppliesEnglishWhileLoading() {
    // Only the switch's call writes the column captions during construction (the creation
    // handler does not, and the first activation has not run): so they prove the switch's On
    // event reached the window while it was being built.
    TMainForm main;
    QCOMPARE(main.lists().readList().cell(1, 0), std::string("File Name"));
    QCOMPARE(main.lists().nameList().cell(1, 0), std::string("File Name"));
    auto *lngSwitch = main.findChild<TepBMPSwitch *>(QStringLiteral("LngSwitch"));
    QVERIFY(lngSwitch);
    QCOMPARE(lngSwitch->state(), TepBMPSwitch::TState::sOn);
    QCOMPARE(lngSwitch->geometry(), QRect(312, 5, 20, 20));
    QVERIFY(!lngSwitch->transparent());
    QCOMPARE(lngSwitch->hint(), QStringLiteral("Change language"));
    QVERIFY(lngSwitch->toolTip().isEmpty());
    QVERIFY(!lngSwitch->onGlyph().isNull());
    QVERIFY(!lngSwitch->offGlyph().isNull());
}

void SwitchTest::mainWindowLanguageRoundTrip() {
    Windows windows = createWindows();
    TMainForm *main = windows.main.get();
    main->show();
    QVERIFY(QTest::qWaitForWindowActive(main));
    auto *lngSwitch = main->findChild<TepBMPSwitch *>(QStringLiteral("LngSwitch"));
    auto *readBtn = main->findChild<QToolButton *>(QStringLiteral("ReadBtn"));
    auto *countPanel = main->findChild<QLabel *>(QStringLiteral("CountPanel"));
    QVERIFY(lngSwitch && readBtn && countPanel);
    QTRY_COMPARE(countPanel->text(), QStringLiteral("Items: 0"));
    const QImage british = lngSwitch->grab().toImage();
    QCOMPARE(rgbAt(british, 10, 10), QRgb(0xff0000));
    QCOMPARE(rgbAt(british, 1, 0), QRgb(0xffffff));
    QCOMPARE(rgbAt(british, 0, 0), QRgb(main->palette().color(QPalette::Window).rgb() & RGB_MASK));

    QTest::mouseClick(lngSwitch, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(lngSwitch->state(), TepBMPSwitch::TState::sOff);
    QCOMPARE(readBtn->text(), QStringLiteral("Beolvas"));
    QCOMPARE(countPanel->text(), QStringLiteral("Darab: "));
    QCOMPARE(main->lists().readList().cell(1, 0), std::string("File Név"));
    QCOMPARE(main->lists().nameList().cell(1, 0), std::string("File Név"));
    QCOMPARE(main->readGrid()->model()->headerData(1, Qt::Horizontal).toString(),
             QStringLiteral("File Név"));
    QCOMPARE(lngSwitch->hint(), QStringLiteral("Nyelv megváltoztatása"));
    QCOMPARE(rgbAt(lngSwitch->grab().toImage(), 10, 18), QRgb(0x008000));

    // The dialogs take the new language at their next showing.
    windows.read->show();
    QCOMPARE(windows.read->windowTitle(), QStringLiteral("File-ok beolvasása"));
    windows.read->hide();
    windows.options->show();
    QCOMPARE(windows.options->windowTitle(), QStringLiteral("Beállítások"));
    windows.options->hide();

    QTest::mouseClick(lngSwitch, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(lngSwitch->state(), TepBMPSwitch::TState::sOn);
    QCOMPARE(readBtn->text(), QStringLiteral("Read"));
    QCOMPARE(countPanel->text(), QStringLiteral("Items: "));
    QCOMPARE(main->lists().readList().cell(1, 0), std::string("File Name"));
    QCOMPARE(main->lists().nameList().cell(1, 0), std::string("File Name"));
    windows.read->show();
    QCOMPARE(windows.read->windowTitle(), QStringLiteral("Choose directory"));
    windows.read->hide();
    windows.options->show();
    QCOMPARE(windows.options->windowTitle(), QStringLiteral("Options"));
    windows.options->hide();
}

QTEST_MAIN(SwitchTest)
#include "tst_switch.moc"
