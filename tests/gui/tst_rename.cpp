#include "MainWindowFixture.h"

#include "app/AppSettings.h"
#include "app/PlanView.h"

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
    void planViewShowsEveryRow();
    void extensionGetsItsDot();
    void restoredOptionsAreNoOk();
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
    // Listed by a mask that leaves a file out: No must not list it in.
    QVERIFY(testsupport::writeFile(m_dir->filePath("cover.jpg"), "cover"));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/?.*");
    const std::string patternBefore = m_main->searchPattern();
    type(1, QStringLiteral("Alpha"));
    type(2, QStringLiteral("Béta"));
    type(3, QStringLiteral("Gamma"));
    const QString countBefore = testsupport::labelText(m_main, "CountPanel");
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
    QCOMPARE(onDisk(), after + QStringList{"cover.jpg"});
    QCOMPARE(testsupport::readFile(m_dir->filePath(after[0])), QByteArray("a.mp3"));
    if (renames) {
        // Listed again; the options were never opened, so by every file, and counted.
        QCOMPARE(m_main->searchPattern(), dir + "/*");
        QCOMPARE(listed(), after + QStringList{"cover.jpg"});
        QCOMPARE(testsupport::labelText(m_main, "CountPanel"), QStringLiteral("Items: 4"));
    } else {
        // No: nothing happened. Same pattern, rows, typed names beside their files, count.
        QCOMPARE(m_main->searchPattern(), patternBefore);
        QCOMPARE(listed(), before);
        QCOMPARE(newName(1), QStringLiteral("Alpha"));
        QCOMPARE(newName(2), QStringLiteral("Béta"));
        QCOMPARE(newName(3), QStringLiteral("Gamma"));
        QCOMPARE(testsupport::labelText(m_main, "CountPanel"), countBefore);
    }
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
    rename(); // Enter with blank rows: the named row only
    QCOMPARE(onDisk(), (QStringList{"03 - typed.wav", "a.mp3", "b.mp3"}));
    QCOMPARE(m_main->searchPattern(), m_dir->path().toStdString() + "/*");
}

void RenameTest::preflightOffersNamedRowsOnly() {
    list({"a.mp3", "b.mp3", "c.mp3"});
    type(2, QStringLiteral("Beta"));
    rename([](QMessageBox *box) {
        // The question stays; Enter renames the named rows only, Yes is one Tab away.
        QCOMPARE(box->text(), QStringLiteral("Are you sure to rename the files?"));
        QVERIFY(box->defaultButton());
        QCOMPARE(box->defaultButton()->text(), QStringLiteral("Rename named rows only"));
        QCOMPARE(box->defaultButton()->nextInFocusChain()->property("text").toString(),
                 QStringLiteral("&Yes"));
        QVERIFY(box->informativeText().startsWith(QStringLiteral("3 files in ")));
        QVERIFY(box->informativeText().contains(QStringLiteral("2 rows have no new name")));
        QVERIFY(box->informativeText().contains(QStringLiteral("\"01 - .mp3\"")));
        QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(onDisk(), (QStringList{"02 - Beta.mp3", "a.mp3", "c.mp3"}));
}

void RenameTest::planViewShowsEveryRow() {
    QStringList files;
    for (int i = 1; i <= 12; ++i)
        files << QStringLiteral("t%1.mp3").arg(i, 2, 10, QLatin1Char('0'));
    list(files);
    for (int row = 1; row <= 11; ++row)
        type(row, QStringLiteral("Song %1").arg(row));
    QStringList finals;
    rename([&finals](QMessageBox *box) {
        // One file in the folder, even with nothing found; details open without answering.
        QVERIFY(box->informativeText().startsWith(QStringLiteral("12 files in ")));
        QPushButton *details = nullptr;
        for (QAbstractButton *button : box->buttons())
            if (button->text() == QStringLiteral("Show Details..."))
                details = qobject_cast<QPushButton *>(button);
        QVERIFY(details);
        const auto seen = testsupport::answerNextModal([&finals](QWidget *modal) {
            auto *view = qobject_cast<PlanView *>(modal);
            QVERIFY(view);
            PlanModel *model = view->model();
            for (int row = 0; row < model->rowCount(); ++row)
                finals << model->cellText(row, PlanModel::FinalNameColumn);
            view->reject();
        });
        details->setFocus(); // as after a click or Space on it
        details->click();
        QVERIFY(*seen);
        QVERIFY(box->isVisible()); // still asking
        // Enter answers again with the default button, not with Show Details.
        QCOMPARE(box->focusWidget(), box->defaultButton());
        box->escapeButton()->click();
    });
    QCOMPARE(finals.size(), 12);
    QCOMPARE(finals.first(), QStringLiteral("12 - .mp3")); // the blank row first
    QCOMPARE(finals[1], QStringLiteral("01 - Song 1.mp3"));
    QCOMPARE(finals.last(), QStringLiteral("11 - Song 11.mp3"));
    QCOMPARE(onDisk(), files);
}

void RenameTest::extensionGetsItsDot() {
    list({"a.wav"});
    type(1, QStringLiteral("Song"));
    QString shown;
    options([&shown](TOptionsForm *form) {
        form->keepCheck()->click();
        form->extBox()->setEditText(QStringLiteral("mp3"));
        ok(form);
        shown = form->extBox()->currentText();
    });
    QCOMPARE(shown, QStringLiteral(".mp3"));
    type(1, QStringLiteral("Song")); // OK without "keep file names" empties the new names
    rename([](QMessageBox *box) {
        QVERIFY(box->defaultButton());
        box->defaultButton()->click();
    });
    QCOMPARE(onDisk(), QStringList{"01 - Song.mp3"});
}

void RenameTest::restoredOptionsAreNoOk() {
    {
        AppSettings settings;
        QVERIFY(settings.saveOptions(
            {.numbering = false, .keepExtension = false, .chosenExtension = ".wav"}));
    }
    m_main->restoreSettings();
    list({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("One"));
    type(2, QStringLiteral("Two"));
    options([](TOptionsForm *form) { form->close(); }); // the close box, before any OK
    QCOMPARE(newName(1), QStringLiteral("One"));
    QCOMPARE(newName(2), QStringLiteral("Two"));
    rename();
    // Renamed by the remembered options; listed again by every file, not by ".wav" alone.
    QCOMPARE(onDisk(), (QStringList{"One.wav", "Two.wav"}));
    QCOMPARE(listed(), (QStringList{"One.wav", "Two.wav"}));
    QCOMPARE(testsupport::labelText(m_main, "CountPanel"), QStringLiteral("Items: 2"));
}

QTEST_MAIN(RenameTest)
#include "tst_rename.moc"
