#include "Filvane.h"
#include "GuiTestSupport.h"
#include "NameGridModel.h"
#include "Option.h"
#include "Windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>

class OptionsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void layoutAndDefaults();
    void activationTakesTextsAndLastExtension();
    void numbersOnlyGreysNumbering();
    void keepExtensionGreysTheExtensionBox();
    void okWithoutChangeClearsTypedNames();
    void keepFileNamesFillsThem();
    void numberingOffEmptiesNumberColumn();
    void numbersOnlyMakesTheListReadOnly();
    void closeBoxRepeatsTheLastOutcome();
    void opensWhereItWasLeft();

private:
    void listSample(const QStringList &names);
    void type(int row, const QString &name);
    // Presses Options, lets `act` work the dialog and close it; fails if no dialog came.
    void options(const std::function<void(TOptionsForm *)> &act);
    static void ok(TOptionsForm *form) { form->findChild<QToolButton *>("OKBtn")->click(); }
    static void cancel(TOptionsForm *form) { form->findChild<QToolButton *>("CancelBtn")->click(); }
    std::string newName(int row) const { return m_main->lists().nameList().cell(1, row); }
    std::string number(int row) const { return m_main->lists().nameList().cell(0, row); }

    Windows m_windows;
    TMainForm *m_main = nullptr;
    TOptionsForm *m_form = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir; // fresh for every test
};

void OptionsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_form = m_windows.options;
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
}

void OptionsTest::cleanup() {
    m_windows = Windows();
}

void OptionsTest::listSample(const QStringList &names) {
    QVERIFY(m_dir->isValid());
    for (const QString &name : names)
        QVERIFY(testsupport::writeFile(m_dir->filePath(name)));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
}

void OptionsTest::type(int row, const QString &name) {
    NameGridModel *model = m_main->nameModel();
    QVERIFY(model->setData(model->index(row - 1, 1), name, Qt::EditRole));
}

void OptionsTest::options(const std::function<void(TOptionsForm *)> &act) {
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        if (modal == m_form)
            act(m_form);
        // A check that failed inside `act` returned before closing: close here, or the test
        // would wait on the dialog for ever.
        if (modal->isVisible())
            modal->close();
    });
    m_main->findChild<QToolButton *>("OptionsBtn")->click();
    QVERIFY(*answered);
    QVERIFY(!m_form->isVisible());
}

void OptionsTest::layoutAndDefaults() {
    QCOMPARE(m_form->size(), QSize(281, 90));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QVERIFY(m_form->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(m_form->noCheck()->isChecked());
    QVERIFY(!m_form->noOnlyCheck()->isChecked());
    QVERIFY(m_form->keepCheck()->isChecked());
    QVERIFY(!m_form->fileCheck()->isChecked());
    QCOMPARE(m_form->extBox()->currentText(), QString());
    QVERIFY(m_form->extBox()->isEditable());
    const QStringList suggestions{".mp3", ".wav", ".mid", ".mod", ".jpg", ".gif", ".tif",
                                  ".png", ".bmp", ".cdr", ".dwg", ".dxf", ".wmf", ".xls",
                                  ".doc", ".rtf", ".pdf", ".txt", ".diz", ".nfo", ".dll",
                                  ".cpp", ".pas", ".bas", ".asm"};
    QStringList offered;
    for (int i = 0; i < m_form->extBox()->count(); ++i)
        offered << m_form->extBox()->itemText(i);
    QCOMPARE(offered, suggestions);
    QCOMPARE(m_form->findChild<QGroupBox *>("NoGroup")->geometry(), QRect(2, 2, 130, 55));
    QCOMPARE(m_form->findChild<QGroupBox *>("ExtGroup")->geometry(), QRect(135, 2, 144, 85));
    QCOMPARE(m_form->extBox()->geometry().topLeft(), QPoint(8, 40));
    QCOMPARE(m_form->extBox()->width(), 73);
    for (const char *name : {"OKBtn", "CancelBtn"}) {
        auto *button = m_form->findChild<QToolButton *>(name);
        QCOMPARE(button->size(), QSize(65, 25));
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(!button->icon().isNull());
    }
    QVERIFY(m_form->findChild<QGroupBox *>("NoGroup")->font().bold());
    QVERIFY(!m_form->noCheck()->font().bold());
    // Tab order: numbering, numbers only, keep extension, extension box, keep file names.
    QCOMPARE(m_form->noCheck()->nextInFocusChain(), m_form->noOnlyCheck());
    QWidget *afterKeep = m_form->keepCheck()->nextInFocusChain();
    QVERIFY(afterKeep == m_form->extBox() || afterKeep->parentWidget() == m_form->extBox());
}

void OptionsTest::activationTakesTextsAndLastExtension() {
    listSample({"a.mp3", "b.wav"});
    const QString last = QString::fromStdString(m_main->lastExtension());
    QString title, group, cancelText, offered;
    options([&](TOptionsForm *form) {
        title = form->windowTitle();
        group = form->findChild<QGroupBox *>("ExtGroup")->title();
        cancelText = form->findChild<QToolButton *>("CancelBtn")->text();
        offered = form->extBox()->currentText();
        form->extBox()->setEditText(QStringLiteral(".typed"));
        cancel(form);
    });
    QCOMPARE(title, QStringLiteral("Options"));
    QCOMPARE(group, QStringLiteral("Files"));
    QCOMPARE(cancelText, QStringLiteral("Cancel"));
    QCOMPARE(offered, last);
    QCOMPARE(m_form->chosenExtension(), std::string(".typed"));

    // Every showing offers the last extension again, in the language of the moment.
    m_main->ApplyHungarian(true);
    options([&](TOptionsForm *form) {
        title = form->windowTitle();
        group = form->findChild<QGroupBox *>("ExtGroup")->title();
        offered = form->extBox()->currentText();
        QCOMPARE(form->noOnlyCheck()->text(), QStringLiteral("Csak számozás"));
        cancel(form);
    });
    QCOMPARE(title, QStringLiteral("Beállítások"));
    QCOMPARE(group, QStringLiteral("Fil-ok"));
    QCOMPARE(offered, last);
}

void OptionsTest::numbersOnlyGreysNumbering() {
    m_form->noCheck()->setChecked(false);
    options([](TOptionsForm *form) {
        form->noOnlyCheck()->click();
        QVERIFY(form->noCheck()->isChecked());
        QVERIFY(!form->noCheck()->isEnabled());
        form->noOnlyCheck()->click();
        QVERIFY(form->noCheck()->isChecked());
        QVERIFY(form->noCheck()->isEnabled());
        // Checked again and left with Cancel: the box keeps its state for the next showing.
        form->noOnlyCheck()->click();
        cancel(form);
    });
    QVERIFY(m_form->numbersOnly());
    options([](TOptionsForm *form) {
        QVERIFY(!form->noCheck()->isEnabled());
        form->noOnlyCheck()->click();
        QVERIFY(form->noCheck()->isEnabled());
        cancel(form);
    });
}

void OptionsTest::keepExtensionGreysTheExtensionBox() {
    options([](TOptionsForm *form) {
        QVERIFY(!form->extBox()->isEnabled());
        form->keepCheck()->click();
        QVERIFY(form->extBox()->isEnabled());
        cancel(form);
    });
    // The next showing decides again from the box as it was left.
    options([](TOptionsForm *form) {
        QVERIFY(form->extBox()->isEnabled());
        form->keepCheck()->click();
        QVERIFY(!form->extBox()->isEnabled());
        ok(form);
    });
    QVERIFY(m_main->keepExtension());
}

void OptionsTest::okWithoutChangeClearsTypedNames() {
    listSample({"a.mp3", "b.mp3"});
    type(1, QStringLiteral("typed"));
    type(2, QStringLiteral("also"));
    options(ok);
    QCOMPARE(newName(1), std::string());
    QCOMPARE(newName(2), std::string());
    QVERIFY(m_main->numbering());
    QCOMPARE(number(2), std::string("02"));
    QVERIFY(m_main->nameModel()->isEditable());
}

void OptionsTest::keepFileNamesFillsThem() {
    listSample({"song.final.mp3", "README"});
    type(1, QStringLiteral("typed"));
    options([](TOptionsForm *form) {
        form->fileCheck()->click();
        ok(form);
    });
    // Sorted: "README" before "song.final.mp3".
    QCOMPARE(newName(1), std::string());
    QCOMPARE(newName(2), std::string("song"));
    QCOMPARE(m_main->nameModel()->index(1, 1).data().toString(), QStringLiteral("song"));
}

void OptionsTest::numberingOffEmptiesNumberColumn() {
    listSample({"a.mp3", "b.mp3", "c.mp3"});
    options([](TOptionsForm *form) {
        form->noCheck()->click();
        ok(form);
    });
    QVERIFY(!m_main->numbering());
    for (int row = 1; row <= 3; ++row)
        QCOMPARE(number(row), std::string());
    QCOMPARE(m_main->nameModel()->index(0, 0).data().toString(), QString());
    options([](TOptionsForm *form) {
        form->noCheck()->click();
        ok(form);
    });
    QCOMPARE(number(3), std::string("03"));
}

void OptionsTest::numbersOnlyMakesTheListReadOnly() {
    listSample({"a.mp3", "b.mp3"});
    options([](TOptionsForm *form) {
        form->fileCheck()->click();
        form->noOnlyCheck()->click();
        ok(form);
    });
    QCOMPARE(newName(1), std::string());
    QVERIFY(!m_main->nameModel()->isEditable());
    QVERIFY(!(m_main->nameModel()->flags(m_main->nameModel()->index(0, 1)) & Qt::ItemIsEditable));
    options([](TOptionsForm *form) {
        form->noOnlyCheck()->click();
        ok(form);
    });
    QVERIFY(m_main->nameModel()->isEditable());
    QCOMPARE(newName(1), std::string("a"));
}

void OptionsTest::closeBoxRepeatsTheLastOutcome() {
    listSample({"a.mp3"});
    // Never accepted: the close box applies nothing.
    type(1, QStringLiteral("kept"));
    options([](TOptionsForm *form) { form->close(); });
    QCOMPARE(newName(1), std::string("kept"));

    options(ok);
    type(1, QStringLiteral("typed"));
    options([](TOptionsForm *form) { form->close(); });
    QCOMPARE(newName(1), std::string()); // applied again, as the last OK did
    QVERIFY(m_form->isAccepted());

    options(cancel);
    type(1, QStringLiteral("stays"));
    options([](TOptionsForm *form) { QTest::keyClick(form, Qt::Key_Escape); });
    QCOMPARE(newName(1), std::string("stays"));
}

void OptionsTest::opensWhereItWasLeft() {
    QPoint first;
    options([&](TOptionsForm *form) {
        first = form->frameGeometry().center();
        form->move(form->pos() + QPoint(40, 30));
        cancel(form);
    });
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY2((first - centre).manhattanLength() <= 2, qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                                                     .arg(first.x())
                                                                     .arg(first.y())
                                                                     .arg(centre.x())
                                                                     .arg(centre.y())));
    QPoint second;
    options([&](TOptionsForm *form) {
        second = form->frameGeometry().center();
        cancel(form);
    });
    QCOMPARE(second, first + QPoint(40, 30));
}

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
