#include "MainWindowFixture.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

class RenameTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void confirmation_data();
    void confirmation();
    void cancelledOptionsDoNotShapeTheRun();
    void preflightOffersNamedRowsOnly();
};

void RenameTest::confirmation_data() {
    QTest::addColumn<int>("key"); // Qt::Key_unknown: press the No button; 0: close the box
    QTest::addColumn<bool>("renames");
    QTest::newRow("Enter is Yes") << int(Qt::Key_Return) << true;
    QTest::newRow("No button") << int(Qt::Key_unknown) << false;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("close box") << 0 << false;
}

void RenameTest::confirmation() {
    QFETCH(int, key);
    QFETCH(bool, renames);
    const QStringList before{"a.mp3", "b.mp3", "c.wav"};
    list(before);
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Béta"));
    type(3, QStringLiteral("Gamma"));
    const QString countBefore = m_main->findChild<QLabel *>("CountPanel")->text();
    rename([key](QMessageBox *box) {
        QCOMPARE(box->windowTitle(), QStringLiteral("Warning"));
        QCOMPARE(box->text(), QStringLiteral("Are you sure to rename the files?"));
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("&Yes"));
        QCOMPARE(box->escapeButton()->text(), QStringLiteral("&No"));
        if (key == Qt::Key_unknown)
            box->escapeButton()->click();
        else if (key)
            QTest::keyClick(box, Qt::Key(key));
    });
    const QStringList after =
        renames ? QStringList{"01 - Alpha.mp3", "02 - Béta.mp3", "03 - Gamma.wav"} : before;
    QCOMPARE(onDisk(), after);
    QCOMPARE(testsupport::readFile(m_dir->filePath(after[0])), QByteArray("a.mp3"));
    // Listed again either way; the options were never opened, so by every file.
    QCOMPARE(m_main->searchPattern(), m_dir->path().toStdString() + "/*");
    QCOMPARE(listed(), after);
    // Typed names stay beside the listed files, and the count is not refreshed.
    QCOMPARE(newName(2), QStringLiteral("Béta"));
    QCOMPARE(m_main->findChild<QLabel *>("CountPanel")->text(), countBefore);
}

void RenameTest::cancelledOptionsDoNotShapeTheRun() {
    list({"a.mp3", "b.mp3", "c.wav"});
    type(3, QStringLiteral("typed"));
    options([](TOptionsForm *form) {
        form->noOnlyCheck()->click();
        form->extBox()->setEditText(QStringLiteral(".wav"));
        cancel(form);
    });
    // Nothing applied: the list stays editable and the typed name stays.
    QVERIFY(m_main->nameModel()->isEditable());
    QCOMPARE(newName(3), QStringLiteral("typed"));
    // The boxes keep what was set, but the run follows the options last accepted with OK.
    options([](TOptionsForm *form) {
        QVERIFY(form->noOnlyCheck()->isChecked());
        cancel(form);
    });
    rename();
    QCOMPARE(onDisk(), (QStringList{"01 - .mp3", "02 - .mp3", "03 - typed.wav"}));
    QCOMPARE(m_main->searchPattern(), m_dir->path().toStdString() + "/*");
}

void RenameTest::preflightOffersNamedRowsOnly() {
    list({"a.mp3", "b.mp3", "c.mp3"});
    type(2, QStringLiteral("Beta"));
    rename([](QMessageBox *box) {
        // The question stays, with Yes the default; below it what the plan found.
        QCOMPARE(box->text(), QStringLiteral("Are you sure to rename the files?"));
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("&Yes"));
        QVERIFY(box->informativeText().startsWith(QStringLiteral("3 files in ")));
        QVERIFY(box->informativeText().contains(QStringLiteral("2 rows have no new name")));
        QVERIFY(box->informativeText().contains(QStringLiteral("\"01 - .mp3\"")));
        QVERIFY(box->detailedText().contains(QStringLiteral("03  c.mp3  \u2192  03 - .mp3")));
        QAbstractButton *namedOnly = nullptr;
        for (QAbstractButton *button : box->buttons())
            if (button->text() == QStringLiteral("Rename named rows only"))
                namedOnly = button;
        QVERIFY(namedOnly);
        namedOnly->click();
    });
    QCOMPARE(onDisk(), (QStringList{"02 - Beta.mp3", "a.mp3", "c.mp3"}));
}

QTEST_MAIN(RenameTest)
#include "tst_rename.moc"
