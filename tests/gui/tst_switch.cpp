#include "app/Filvane.h"
#include "app/Windows.h"
#include "controls/BmpCtrls.h"
#include "dialogs/Option.h"
#include "dialogs/Read.h"

#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QWindow>

namespace {

using TState = TepBMPSwitch::TState;
constexpr QRgb Red = 0xff0000, White = 0xffffff;
constexpr QRgb ParentColour = 0x204060, ParentPainted = 0xc0a000; // its background, its painting
constexpr QRgb LowerColour = 0x00c080, UpperColour = 0xe02020, OwnColour = 0x808080;

QRgb rgbAt(QWidget *widget, int x, int y) {
    return widget->grab().toImage().pixel(x, y) & RGB_MASK;
}

QWidget *fill(QWidget *widget, QRgb colour) {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor::fromRgb(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    return widget;
}

// The program's pictures: the British flag (On) and the Hungarian one, with magenta corners.
QImage flag(bool on) {
    return QImage(on ? QStringLiteral(":/glyphs/flag_on.bmp")
                     : QStringLiteral(":/glyphs/flag_off.bmp"));
}

// Paints its top 20 rows itself, over its background, like a panel's face.
class PaintingParent : public QWidget {
    void paintEvent(QPaintEvent *) override {
        QPainter(this).fillRect(0, 0, width(), 20, QColor::fromRgb(ParentPainted));
    }
};

// Counts the paints and records each event as "on@3", with the paints seen so far; "wrong@3"
// when the handler does not see the state it announces.
class RecordingSwitch : public TepBMPSwitch {
public:
    explicit RecordingSwitch(QWidget *parent) : TepBMPSwitch(parent) {
        connect(this, &TepBMPSwitch::OnOn, this, [this] { record(TState::sOn, "on"); });
        connect(this, &TepBMPSwitch::OnOff, this, [this] { record(TState::sOff, "off"); });
    }
    void DrawOnBuffer() override {
        ++paints;
        TepBMPSwitch::DrawOnBuffer();
    }
    void record(TState fired, const char *name) {
        const char *seen = state() == fired ? name : "wrong";
        events << QStringLiteral("%1@%2").arg(QLatin1String(seen)).arg(paints);
    }
    int paints = 0;
    QStringList events;
};

// A parent holding one switch at (10, 10).
struct Scene {
    PaintingParent parent;
    RecordingSwitch *control = new RecordingSwitch(fill(&parent, ParentColour));

    QWidget *sibling(const QRect &geometry, QRgb colour) {
        QWidget *widget = fill(new QWidget(&parent), colour);
        widget->setGeometry(geometry);
        widget->show();
        return widget;
    }
    bool show(const QImage &on, const QImage &off, int size = 20) {
        parent.resize(80, 60);
        control->setGeometry(10, 10, size, size);
        control->setOnGlyph(on);
        control->setOffGlyph(off);
        parent.show();
        return QTest::qWaitForWindowExposed(&parent) &&
               QTest::qWaitFor([this] { return control->paints > 0; }, 2000);
    }
};

// What shows through the see-through corners: the top ones lie over the parent's own painting,
// the top right one also under the upper sibling, the bottom right one over the lower sibling.
struct Background {
    bool transparent, nativeLower;
    QRgb own, top, bottomLeft, bottomRight;
};

// Before the press `probe` shows `colour`; a press at `at` with `button` flips the state or not.
struct Press {
    QImage on, off;
    int size;
    QPoint probe;
    QRgb colour;
    Qt::MouseButton button;
    QPoint at;
    bool flips;
};

} // namespace

Q_DECLARE_METATYPE(Background)
Q_DECLARE_METATYPE(Press)

class SwitchTest : public QObject {
    Q_OBJECT

private slots:
    void background_data();
    void background();
    void press_data();
    void press();
    void eventsFireInTurn();
    void mainWindowLoadingAndLanguageRoundTrip();
};

void SwitchTest::background_data() {
    QTest::addColumn<Background>("b");
    const QRgb inherit = 0, PC = ParentColour, PP = ParentPainted, OC = OwnColour;
    QTest::newRow("opaque") << Background{false, false, inherit, PC, PC, PC};
    QTest::newRow("opaque, own colour") << Background{false, false, OC, OC, OC, OC};
    QTest::newRow("transparent") << Background{true, false, inherit, PP, PC, LowerColour};
    // A sibling with a native window of its own is never composed.
    QTest::newRow("over native") << Background{true, true, inherit, PP, PC, PC};
}

void SwitchTest::background() {
    QFETCH(Background, b);
    Scene scene;
    QWidget *lower = scene.sibling(QRect(25, 25, 10, 10), LowerColour);
    lower->lower();
    if (b.nativeLower) // Qt makes every sibling of a native widget native too
        lower->setAttribute(Qt::WA_NativeWindow);
    scene.sibling(QRect(25, 5, 10, 10), UpperColour);
    scene.control->setTransparent(b.transparent);
    if (b.own)
        fill(scene.control, b.own);
    QVERIFY(scene.show(flag(true), {}));
    QCOMPARE(rgbAt(scene.control, 0, 0), b.top);
    QCOMPARE(rgbAt(scene.control, 19, 0), b.top);
    QCOMPARE(rgbAt(scene.control, 0, 19), b.bottomLeft);
    QCOMPARE(rgbAt(scene.control, 19, 19), b.bottomRight);
    QCOMPARE(rgbAt(scene.control, 10, 10), Red);
}

void SwitchTest::press_data() {
    QTest::addColumn<Press>("p");
    const QImage on = flag(true), off = flag(false), none;
    const QPoint mid(10, 10);
    const auto flags = [&](QPoint at, bool flips, Qt::MouseButton button = Qt::LeftButton) {
        return Press{on, off, 20, mid, Red, button, at, flips};
    };
    QTest::newRow("(10, 10)") << flags(mid, true);
    QTest::newRow("last column (19, 10)") << flags(QPoint(19, 10), true);
    QTest::newRow("last row") << flags(QPoint(10, 19), true);
    QTest::newRow("X = 0") << flags(QPoint(0, 10), false);
    QTest::newRow("Y = 0") << flags(QPoint(10, 0), false);
    QTest::newRow("see-through corner") << flags(QPoint(19, 19), false);
    QTest::newRow("right button") << flags(mid, false, Qt::RightButton);
    QTest::newRow("middle button") << flags(mid, false, Qt::MiddleButton);
    // (9, 2) is red in the flag but (18, 4), where a scaled-down picture would take it from, navy.
    const Qt::MouseButton L = Qt::LeftButton;
    QTest::newRow("glyph larger: cut")
        << Press{on, none, 10, QPoint(9, 2), Red, L, QPoint(8, 8), true};
    QTest::newRow("glyph smaller: beyond it")
        << Press{on, none, 40, QPoint(20, 5), ParentColour, L, QPoint(20, 10), false};
    QTest::newRow("glyph smaller: its last column")
        << Press{on, none, 40, QPoint(18, 18), Red, L, QPoint(19, 10), true};
    // The Off picture stands in for an empty On one, but presses test the empty one.
    QTest::newRow("empty On") << Press{none, off, 20, mid, White, L, mid, false};
    QTest::newRow("both empty") << Press{none, none, 20, mid, ParentColour, L, mid, false};
}

void SwitchTest::press() {
    QFETCH(Press, p);
    Scene scene;
    QVERIFY(scene.show(p.on, p.off, p.size));
    QCOMPARE(rgbAt(scene.control, p.probe.x(), p.probe.y()), p.colour);
    const int paints = scene.control->paints;
    QTest::mouseClick(scene.control, p.button, {}, p.at);
    QCOMPARE(scene.control->state(), p.flips ? TState::sOff : TState::sOn);
    // A flip repaints in place before the handler runs, which sees the new state.
    QCOMPARE(scene.control->events,
             p.flips ? QStringList{QStringLiteral("off@%1").arg(paints + 1)} : QStringList());
}

void SwitchTest::eventsFireInTurn() {
    Scene scene;
    QVERIFY(scene.show(flag(true), flag(false)));
    const int paints = scene.control->paints;
    // Through the window, so Qt turns the second press into a double-click as for a real mouse.
    QTest::mouseDClick(scene.parent.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    // A State write repaints and fires even when it leaves the state unchanged.
    scene.control->setState(TState::sOn);
    const auto event = [&](const char *name, int paint) {
        return QStringLiteral("%1@%2").arg(QLatin1String(name)).arg(paints + paint);
    };
    QCOMPARE(scene.control->events, QStringList({event("off", 1), event("on", 2), event("on", 3)}));
}

void SwitchTest::mainWindowLoadingAndLanguageRoundTrip() {
    Windows windows = createWindows();
    TMainForm *main = windows.main.get();
    // Before the window is shown only the switch's On handler has written the column captions:
    // it ran while the window was being built.
    QCOMPARE(main->lists().readList().cell(1, 0), std::string("File Name"));
    QCOMPARE(main->lists().nameList().cell(1, 0), std::string("File Name"));
    main->show();
    QVERIFY(QTest::qWaitForWindowActive(main));
    auto *lngSwitch = main->findChild<TepBMPSwitch *>(QStringLiteral("LngSwitch"));
    auto *readBtn = main->findChild<QToolButton *>(QStringLiteral("ReadBtn"));
    auto *countPanel = main->findChild<QLabel *>(QStringLiteral("CountPanel"));
    QVERIFY(lngSwitch && readBtn && countPanel);
    QVERIFY(lngSwitch->toolTip().isEmpty()); // the hint is not shown
    QTRY_COMPARE(countPanel->text(), QStringLiteral("Items: 0"));
    QCOMPARE(rgbAt(lngSwitch, 10, 10), Red); // the British flag
    QCOMPARE(rgbAt(lngSwitch, 0, 0), main->palette().color(QPalette::Window).rgb() & RGB_MASK);

    // Texts: read button, count panel (with the count), column caption, read and options dialog
    // titles.
    const auto flipAndCheck = [&](TState state, const QStringList &texts) {
        QTest::mouseClick(lngSwitch, Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(lngSwitch->state(), state);
        QCOMPARE(readBtn->text(), texts[0]);
        QCOMPARE(countPanel->text(), texts[1]);
        QCOMPARE(main->lists().readList().cell(1, 0), texts[2].toStdString());
        QCOMPARE(main->lists().nameList().cell(1, 0), texts[2].toStdString());
        QCOMPARE(main->readGrid()->model()->headerData(1, Qt::Horizontal).toString(), texts[2]);
        // The dialogs take the language at their next showing.
        for (const auto &[dialog, title] :
             {std::pair<QWidget *, QString>{windows.read, texts[3]}, {windows.options, texts[4]}}) {
            dialog->show();
            QCOMPARE(dialog->windowTitle(), title);
            dialog->hide();
        }
    };
    flipAndCheck(TState::sOff,
                 {"Beolvas", "Darab: 0", "File Név", "File-ok beolvasása", "Beállítások"});
    QCOMPARE(rgbAt(lngSwitch, 10, 18), QRgb(0x008000)); // the Hungarian flag
    flipAndCheck(TState::sOn, {"Read", "Items: 0", "File Name", "Choose directory", "Options"});
}

QTEST_MAIN(SwitchTest)
#include "tst_switch.moc"
