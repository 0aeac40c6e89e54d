#include "MainWindowFixture.h"
#include "dialogs/About.h"
#include "dialogs/Read.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTableView>

// The program used from the keyboard alone: command keys, where the focus goes, Enter and
// Escape in the dialogs.
class KeyboardTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void toolTipsNameTheKeys_data();
    void toolTipsNameTheKeys();
    void keysOpenTheDialogs_data();
    void keysOpenTheDialogs();
    void keysClearSwitchLanguageAndClose();
    void renameKeyOnlyWhileRenameIsEnabled();
    void readThenTypeAtOnce();
    void enterAcceptsTheReadDialog_data();
    void enterAcceptsTheReadDialog();
    void enterAcceptsTheOptionsDialog_data();
    void enterAcceptsTheOptionsDialog();
    void escapeCancelsTheOptionsDialog();

private:
    // Presses the keys where the focus is, as a person does.
    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target ? target : QApplication::activeWindow(), key, modifiers);
    }
    // Presses the keys and reports the class of the modal window they opened ("" for none),
    // closing it again.
    static QString modalOpenedBy(Qt::Key key, Qt::KeyboardModifiers modifiers);
    // Shows `dialog` modally, lets `act` work it, then closes it if `act` left it open.
    static void showModal(QDialog *dialog, const std::function<void(QDialog *)> &act);
    QString countText() const { return testsupport::labelText(m_main, "CountPanel"); }
};

QString KeyboardTest::modalOpenedBy(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    constexpr int WaitMs = 300;
    QString opened;
    auto answered = testsupport::answerNextModal(
        [&](QWidget *modal) {
            opened = QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        },
        WaitMs);
    press(key, modifiers); // a modal window runs, and is answered, inside this
    if (!*answered)
        QTest::qWait(WaitMs + 100); // until the answer has given up
    return opened;
}

void KeyboardTest::showModal(QDialog *dialog, const std::function<void(QDialog *)> &act) {
    auto answered = testsupport::answerNextModal([&](QWidget *) {
        act(dialog);
        if (dialog->isVisible())
            dialog->close();
    });
    dialog->exec();
    QVERIFY(*answered);
}

void KeyboardTest::toolTipsNameTheKeys_data() {
    QTest::addColumn<bool>("hungarian");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("tip");
    const struct {
        const char *button, *english, *hungarian;
    } rows[] = {
        {"ReadBtn", "Read file names (Ctrl+O)", "File nevek beolvasása (Ctrl+O)"},
        {"ClrBtn", "Clear list (Ctrl+L)", "Lista törlése (Ctrl+L)"},
        {"RenBtn", "Rename files (Ctrl+R)", "Fájl-ok átnevezése (Ctrl+R)"},
        {"OptionsBtn", "Renaming options (Ctrl+,)", "Átnevezési beállítások (Ctrl+,)"},
        {"AboutBtn", "Show AboutBox (F1)", "Névjegy megmutatása (F1)"},
        {"CloseBtn", "Exit Filvane (Ctrl+Q)", "Kilépés a Filvane-ből (Ctrl+Q)"},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s English", row.button) << false << row.button << row.english;
        QTest::addRow("%s Hungarian", row.button)
            << true << row.button << QString::fromUtf8(row.hungarian);
    }
}

void KeyboardTest::toolTipsNameTheKeys() {
    QFETCH(bool, hungarian);
    QFETCH(QString, button);
    QFETCH(QString, tip);
    if (hungarian)
        m_main->ApplyHungarian(true);
    QCOMPARE(this->button(qPrintable(button))->toolTip(), tip);
}

void KeyboardTest::keysOpenTheDialogs_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Ctrl+O reads") << int(Qt::Key_O) << int(Qt::ControlModifier) << "TReadForm";
    QTest::newRow("Ctrl+, sets options")
        << int(Qt::Key_Comma) << int(Qt::ControlModifier) << "TOptionsForm";
    QTest::newRow("F1 shows about") << int(Qt::Key_F1) << int(Qt::NoModifier) << "TAboutForm";
    QTest::newRow("Ctrl+R asks before renaming")
        << int(Qt::Key_R) << int(Qt::ControlModifier) << "QMessageBox";
}

void KeyboardTest::keysOpenTheDialogs() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, dialog);
    list({"a.mp3", "b.mp3"});
    // From the new-name list, and from inside its open cell editor.
    QTableView *grid = m_main->nameGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QCOMPARE(modalOpenedBy(Qt::Key(key), Qt::KeyboardModifiers(modifiers)), dialog);
    m_main->activateWindow(); // as the desktop does when a dialog closes
    QVERIFY(QTest::qWaitForWindowActive(m_main));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(grid)); // back where it was
    press(Qt::Key_X);
    QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
    QCOMPARE(modalOpenedBy(Qt::Key(key), Qt::KeyboardModifiers(modifiers)), dialog);
}

void KeyboardTest::keysClearSwitchLanguageAndClose() {
    list({"a.mp3", "b.mp3"});
    m_main->readGrid()->setFocus();
    press(Qt::Key_F12);
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Beolvas"));
    press(Qt::Key_F12);
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Read"));

    press(Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(countText(), QStringLiteral("Items: 0"));
    QVERIFY(!button("RenBtn")->isEnabled());

    press(Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!m_main->isVisible());
}

void KeyboardTest::renameKeyOnlyWhileRenameIsEnabled() {
    // Before the first Read and after Clear the key does what the greyed button does: nothing.
    m_main->readGrid()->setFocus();
    QCOMPARE(modalOpenedBy(Qt::Key_R, Qt::ControlModifier), QString());
    list({"a.mp3"});
    button("ClrBtn")->click();
    QCOMPARE(modalOpenedBy(Qt::Key_R, Qt::ControlModifier), QString());
    QCOMPARE(onDisk(), QStringList{"a.mp3"});
}

void KeyboardTest::readThenTypeAtOnce() {
    for (const char *name : {"b.mp3", "a.mp3", "c.mp3"})
        QVERIFY(testsupport::writeFile(m_dir->filePath(QString::fromLatin1(name))));
    m_windows.read->changeDirectory(m_dir->path().toStdString());
    QWidget *focusInDialog = nullptr;
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        // The focus starts on the open folder, where Enter is OK.
        if (QTest::qWaitForWindowActive(modal))
            focusInDialog = QApplication::focusWidget();
        press(Qt::Key_Return);
        if (modal->isVisible())
            modal->close();
    });
    press(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(*answered);
    QCOMPARE(focusInDialog, m_windows.read->findChild<QListView *>("DirBox"));
    QCOMPARE(m_main->lists().fileCount(), 3);

    QTableView *names = m_main->nameGrid();
    QVERIFY(QTest::qWaitForWindowActive(m_main)); // without a window manager to give it back
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(names));
    QCOMPARE(names->currentIndex(), names->model()->index(0, 1));
    QCOMPARE(m_main->readGrid()->currentIndex().row(), 0);
    for (const QChar ch : QStringLiteral("Intro"))
        QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    press(Qt::Key_Return);
    QTRY_COMPARE(newName(1), QStringLiteral("Intro"));
    QCOMPARE(names->currentIndex().row(), 1);
    QCOMPARE(m_main->readGrid()->currentIndex().row(), 1);
}

void KeyboardTest::enterAcceptsTheReadDialog_data() {
    QTest::addColumn<QString>("control");
    QTest::newRow("directory list on the open folder") << "DirBox";
    QTest::newRow("drive list") << "DriveCombo";
    QTest::newRow("filter list") << "FilterBox";
    QTest::newRow("mask box") << "TypeEdit";
}

void KeyboardTest::enterAcceptsTheReadDialog() {
    QFETCH(QString, control);
    TReadForm *read = m_windows.read;
    read->changeDirectory(m_dir->path().toStdString());
    showModal(read, [&](QDialog *dialog) {
        auto *widget = dialog->findChild<QWidget *>(control);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        widget->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), widget);
        QTest::keyClick(widget, Qt::Key_Return);
    });
    QVERIFY(read->isAccepted());
    QCOMPARE(read->openDirectory(), m_dir->path().toStdString());
}

void KeyboardTest::enterAcceptsTheOptionsDialog_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("key");
    for (const char *box : {"NoCheck", "NoOnlyCheck", "KeepCheck", "FileCheck", "ExtBox"}) {
        QTest::addRow("%s, Return", box) << box << int(Qt::Key_Return);
        QTest::addRow("%s, keypad Enter", box) << box << int(Qt::Key_Enter);
    }
}

void KeyboardTest::enterAcceptsTheOptionsDialog() {
    QFETCH(QString, control);
    QFETCH(int, key);
    list({"song.mp3"});
    type(1, QStringLiteral("typed"));
    m_windows.options->keepCheck()->setChecked(false); // so the extension box takes the focus
    options([&](TOptionsForm *form) {
        m_windows.options->KeepCheckClick();
        // Keep file names, by the keyboard: proof that the options were applied.
        form->fileCheck()->setFocus();
        QTest::keyClick(form->fileCheck(), Qt::Key_Space);
        QVERIFY(form->fileCheck()->isChecked());
        auto *widget = form->findChild<QWidget *>(control);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key(key));
    });
    QVERIFY(m_windows.options->isAccepted());
    QCOMPARE(newName(1), QStringLiteral("song"));
}

void KeyboardTest::escapeCancelsTheOptionsDialog() {
    list({"song.mp3"});
    options(ok);
    type(1, QStringLiteral("typed"));
    options([](TOptionsForm *form) {
        form->fileCheck()->setChecked(true);
        form->noCheck()->setFocus();
        QTest::keyClick(form->noCheck(), Qt::Key_Escape);
    });
    // Escape is Cancel, also after an earlier OK: nothing is applied.
    QVERIFY(!m_windows.options->isAccepted());
    QCOMPARE(newName(1), QStringLiteral("typed"));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
