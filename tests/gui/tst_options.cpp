#include "MainWindowFixture.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>

class OptionsTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void showingOffersTheLastExtension_data();
    void showingOffersTheLastExtension();
    void boxGreysAnother_data();
    void boxGreysAnother();
    void okAppliesTheBoxes_data();
    void okAppliesTheBoxes();
    void closeBoxRepeatsTheLastOutcome();
    void opensWhereItWasLeft();

private:
    TOptionsForm *form() const { return m_windows.options; }
    QString cell(int row, int column) const {
        return m_main->nameModel()->index(row - 1, column).data().toString();
    }
};

void OptionsTest::showingOffersTheLastExtension_data() {
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("group");
    QTest::newRow("English") << false << "Options"
                             << "Files";
    QTest::newRow("Hungarian") << true << QStringLiteral("Beállítások") << "Fil-ok";
}

void OptionsTest::showingOffersTheLastExtension() {
    QFETCH(bool, hungarian);
    QFETCH(QString, title);
    QFETCH(QString, group);
    list({"a.wav"});
    if (hungarian)
        m_main->ApplyHungarian(true);
    // Every showing offers the last listed extension again, whatever was typed the time before.
    for (int showing = 0; showing < 2; ++showing) {
        options([&](TOptionsForm *form) {
            QCOMPARE(form->windowTitle(), title);
            const auto *extensions = form->findChild<QGroupBox *>("ExtGroup");
            QVERIFY(extensions);
            QCOMPARE(extensions->title(), group);
            QCOMPARE(form->extBox()->currentText(), QStringLiteral(".wav"));
            form->extBox()->setEditText(QStringLiteral(".typed"));
            cancel(form);
        });
        QCOMPARE(form()->chosenExtension(), std::string(".typed"));
    }
}

void OptionsTest::boxGreysAnother_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("greyed");
    QTest::addColumn<bool>("enabledAtFirst");
    QTest::newRow("numbers only greys numbering") << "NoOnlyCheck"
                                                  << "NoCheck" << true;
    QTest::newRow("extension box only without keep extension") << "KeepCheck"
                                                               << "ExtBox" << false;
}

void OptionsTest::boxGreysAnother() {
    QFETCH(QString, box);
    QFETCH(QString, greyed);
    QFETCH(bool, enabledAtFirst);
    form()->noCheck()->setChecked(false); // numbers only checks numbering as it greys it
    options([&](TOptionsForm *form) {
        const auto *dependent = form->findChild<QWidget *>(greyed);
        auto *check = form->findChild<QCheckBox *>(box);
        QVERIFY(dependent && check);
        for (int clicks = 0; clicks < 3; ++clicks) {
            QCOMPARE(dependent->isEnabled(), enabledAtFirst == !(clicks % 2));
            check->click();
            QCOMPARE(form->noCheck()->isChecked(), box == "NoOnlyCheck"); // also once unclicked
        }
        cancel(form);
    });
    // Left with Cancel: the next showing decides again from the box as it was left.
    options([&](TOptionsForm *form) {
        const auto *dependent = form->findChild<QWidget *>(greyed);
        auto *check = form->findChild<QCheckBox *>(box);
        QVERIFY(dependent && check);
        QCOMPARE(dependent->isEnabled(), !enabledAtFirst);
        check->click();
        QCOMPARE(dependent->isEnabled(), enabledAtFirst);
        cancel(form);
    });
}

void OptionsTest::okAppliesTheBoxes_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("numbers"); // column 0 as shown afterwards
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("editable");
    const QStringList numbered{"01", "02"}, none{"", ""};
    QTest::newRow("no change clears typed names") << QStringList() << numbered << none << true;
    // Sorted: "README" (no name part) before "song.final.mp3".
    QTest::newRow("keep file names")
        << QStringList{"FileCheck"} << numbered << QStringList{"", "song"} << true;
    QTest::newRow("numbering off") << QStringList{"NoCheck"} << none << none << true;
    QTest::newRow("numbers only") << QStringList{"FileCheck", "NoOnlyCheck"} << numbered << none
                                  << false;
}

void OptionsTest::okAppliesTheBoxes() {
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, numbers);
    QFETCH(QStringList, names);
    QFETCH(bool, editable);
    list({"song.final.mp3", "README"});
    type(1, QStringLiteral("typed"));
    type(2, QStringLiteral("also"));
    const auto clickAndOk = [&](TOptionsForm *form) {
        for (const QString &name : clicks) {
            auto *check = form->findChild<QCheckBox *>(name);
            QVERIFY2(check, qPrintable(name));
            check->click();
        }
        ok(form);
    };
    options(clickAndOk);
    QCOMPARE((QStringList{cell(1, 0), cell(2, 0)}), numbers);
    QCOMPARE((QStringList{cell(1, 1), cell(2, 1)}), names);
    QCOMPARE(
        m_main->nameModel()->flags(m_main->nameModel()->index(0, 1)).testFlag(Qt::ItemIsEditable),
        editable);
    // The same clicks again undo them.
    options(clickAndOk);
    QCOMPARE((QStringList{cell(1, 0), cell(2, 0)}), (QStringList{"01", "02"}));
    QVERIFY(m_main->nameModel()->isEditable());
}

void OptionsTest::closeBoxRepeatsTheLastOutcome() {
    list({"a.mp3"});
    // Never accepted: the close box applies nothing.
    type(1, QStringLiteral("kept"));
    options([](TOptionsForm *form) { form->close(); });
    QCOMPARE(newName(1), QStringLiteral("kept"));

    options(ok);
    type(1, QStringLiteral("typed"));
    options([](TOptionsForm *form) { form->close(); });
    QCOMPARE(newName(1), QString()); // applied again, as the last OK did

    options(cancel);
    type(1, QStringLiteral("stays"));
    options([](TOptionsForm *form) { QTest::keyClick(form, Qt::Key_Escape); });
    QCOMPARE(newName(1), QStringLiteral("stays"));
}

void OptionsTest::opensWhereItWasLeft() {
    QPoint first;
    options([&](TOptionsForm *form) {
        first = form->frameGeometry().center();
        form->move(form->pos() + QPoint(40, 30));
        cancel(form);
    });
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((first - centre).manhattanLength() <= 2);
    options([&](TOptionsForm *form) {
        QCOMPARE(form->frameGeometry().center(), first + QPoint(40, 30));
        cancel(form);
    });
}

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
