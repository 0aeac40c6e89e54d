#include "About.h"
#include "GuiTestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {
constexpr int TimedOut = 42;
}

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void layout();
    void buttonCloses();
    void escapeCloses();
    void enterDoesNotClose();
};

void AboutTest::layout() {
    // Centred on the screen even when the main window is somewhere else.
    QWidget mainWindow;
    mainWindow.setGeometry(0, 0, 300, 200);
    mainWindow.show();
    TAboutForm about(&mainWindow);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.size(), QSize(268, 153));
    QCOMPARE(about.geometry().center(),
             QGuiApplication::primaryScreen()->availableGeometry().center());
    QVERIFY(about.windowFlags() & Qt::FramelessWindowHint);
    auto *maker = about.findChild<QLabel *>(QStringLiteral("MakerLabel"));
    auto *button = about.findChild<QPushButton *>(QStringLiteral("FilvaneBtn"));
    QVERIFY(maker && button);
    QCOMPARE(maker->text(), QStringLiteral("O r v e s s a"));
    QCOMPARE(maker->geometry(), QRect(76, 24, 116, 19));
    QCOMPARE(button->text(), QStringLiteral("FILVANE"));
    QCOMPARE(button->geometry(), QRect(14, 48, 241, 73));
    // Apart from the button, nothing on the window reacts to the mouse.
    QCOMPARE(about.findChildren<QAbstractButton *>().size(), 1);

    // The panel is navy; the caption yellow.
    const QImage image = about.grab().toImage();
    QCOMPARE(image.pixel(5, 5) & RGB_MASK, QRgb(0x000080));
    // A raised bevel: a light edge at the top and left, a dark one at the bottom and right.
    const int light = qGray(image.pixel(0, 70));
    QCOMPARE(qGray(image.pixel(70, 0)), light);
    const int dark = qGray(image.pixel(267, 70));
    QCOMPARE(qGray(image.pixel(70, 152)), dark);
    QVERIFY2(light > dark && dark > qGray(0xff000080),
             qPrintable(QStringLiteral("light %1, dark %2").arg(light).arg(dark)));
    bool yellow = false;
    const QImage face = button->grab().toImage();
    for (int y = 0; y < face.height() && !yellow; ++y)
        for (int x = 0; x < face.width() && !yellow; ++x)
            yellow = (face.pixel(x, y) & RGB_MASK) == 0xffff00;
    QVERIFY(yellow);
}

void AboutTest::buttonCloses() {
    TAboutForm about;
    auto *button = about.findChild<QPushButton *>(QStringLiteral("FilvaneBtn"));
    QVERIFY(button);
    const auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        QCOMPARE(modal, &about);
        QTest::mouseClick(button, Qt::LeftButton);
    });
    // Should the button not close it, this ends the dialog with a code of its own.
    QTimer::singleShot(3000, &about, [&] { about.done(TimedOut); });
    QCOMPARE(about.exec(), int(QDialog::Accepted));
    QVERIFY(*answered);
    QVERIFY(!about.isVisible());
}

void AboutTest::escapeCloses() {
    TAboutForm about;
    const auto answered = testsupport::answerNextModal(
        [&](QWidget *modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    about.exec();
    QVERIFY(*answered);
    QVERIFY(!about.isVisible());
}

void AboutTest::enterDoesNotClose() {
    TAboutForm about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Return);
    QTest::keyClick(&about, Qt::Key_Space);
    QVERIFY(about.isVisible());
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
