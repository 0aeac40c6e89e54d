#include "GuiTestSupport.h"
#include "dialogs/About.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

class AboutTest : public QObject {
    Q_OBJECT

private slots:
    void closes_data();
    void closes();
};

void AboutTest::closes_data() {
    QTest::addColumn<bool>("byButton");
    QTest::addColumn<int>("result");
    QTest::newRow("button") << true << int(QDialog::Accepted);
    QTest::newRow("Escape") << false << int(QDialog::Rejected);
}

void AboutTest::closes() {
    QFETCH(bool, byButton);
    QFETCH(int, result);
    TAboutForm about;
    auto *button = about.findChild<QPushButton *>(QStringLiteral("FilvaneBtn"));
    QVERIFY(button);
    const auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        if (byButton)
            QTest::mouseClick(button, Qt::LeftButton);
        else
            QTest::keyClick(modal, Qt::Key_Escape);
    });
    // Should the window not close, this ends it with a code of its own instead of hanging.
    QTimer::singleShot(3000, &about, [&] { about.done(42); });
    QCOMPARE(about.exec(), result);
    QVERIFY(*answered);
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
