#include "Filvane.h"
#include "GuiTestSupport.h"
#include "NameGridModel.h"
#include "Windows.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startState();
    void clearRightAfterStart();
    void listsIntoTheGridsSortedAndNumbered();
    void enterMovesDownTheNewNameList();
    void commandSeesTextOfAnOpenEditor();
    void languageRoundTrip();
    void cancelledReadEmptiesTypedNames();

private:
    QToolButton *button(const char *name) { return m_main->findChild<QToolButton *>(name); }
    QString countText() { return m_main->findChild<QLabel *>("CountPanel")->text(); }
    QString header(QTableView *grid, int column) {
        return grid->model()->headerData(column, Qt::Horizontal).toString();
    }
    void listSample(const QStringList &names);
    // Types as a person does: each key goes to whatever has the focus (the grid, then its editor).
    static void type(const QString &text) {
        for (const QChar ch : text)
            QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    }

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void MainWindowTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
}

void MainWindowTest::cleanup() {
    m_windows = Windows();
}

void MainWindowTest::listSample(const QStringList &names) {
    QVERIFY(m_dir->isValid());
    for (const QString &name : names)
        QVERIFY(testsupport::writeFile(m_dir->filePath(name)));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
    m_main->showItemCount(m_main->lists().fileCount());
}

void MainWindowTest::startState() {
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Orvessa - Filvane 1.1.2"));
    QCOMPARE(m_main->size(), QSize(381, 295));
    QCOMPARE(m_main->minimumSize(), m_main->maximumSize());
    QVERIFY(!(m_main->windowFlags() & Qt::WindowMinMaxButtonsHint));
    QVERIFY(!button("RenBtn")->isEnabled());
    QVERIFY(!m_main->nameGrid()->isEnabled());
    QVERIFY(button("ReadBtn")->isEnabled());
    QCOMPARE(countText(), QStringLiteral("Items: 0"));
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Read"));
    QCOMPARE(button("CloseBtn")->toolTip(), QStringLiteral("Exit Filvane"));
    for (QTableView *grid : {m_main->readGrid(), m_main->nameGrid()}) {
        QCOMPARE(header(grid, 0), QStringLiteral("No."));
        QCOMPARE(header(grid, 1), QStringLiteral("File Name"));
        QCOMPARE(grid->model()->rowCount(), 1); // one blank data row
        QCOMPARE(grid->columnWidth(0), 30);
        QCOMPARE(grid->columnWidth(1), 170);
        QCOMPARE(grid->rowHeight(0), 20);
    }
    QCOMPARE(m_main->readGrid()->width(), 192);
    QCOMPARE(m_main->nameGrid()->width(), 187);
    QVERIFY(m_main->numbering());
    QVERIFY(m_main->keepExtension());
    for (const char *name : {"ReadBtn", "ClrBtn", "RenBtn", "OptionsBtn", "AboutBtn", "CloseBtn"})
        QCOMPARE(button(name)->focusPolicy(), Qt::NoFocus);

    // A second activation (as after a modal dialog) must not run the first-activation step.
    button("RenBtn")->setEnabled(true);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_main, &activate);
    QVERIFY(button("RenBtn")->isEnabled());
}

void MainWindowTest::clearRightAfterStart() {
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    QCOMPARE(countText(), QStringLiteral("Items: 0"));
    QVERIFY(!button("RenBtn")->isEnabled());
    QVERIFY(!m_main->nameGrid()->isEnabled());

    listSample({"b.mp3", "a.mp3"});
    QVERIFY(button("RenBtn")->isEnabled());
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    QVERIFY(!button("RenBtn")->isEnabled());
    QVERIFY(m_main->nameGrid()->isEnabled()); // Clear leaves the new-name list usable
    QCOMPARE(m_main->readGrid()->model()->rowCount(), 1);
    QCOMPARE(m_main->readGrid()->model()->index(0, 1).data().toString(), QString());
}

void MainWindowTest::listsIntoTheGridsSortedAndNumbered() {
    listSample({"B.txt", "a.txt", "C.txt", QStringLiteral("Őszi dal.mp3")});
    const QAbstractItemModel *read = m_main->readGrid()->model();
    const QAbstractItemModel *names = m_main->nameGrid()->model();
    QCOMPARE(read->rowCount(), 4);
    QCOMPARE(names->rowCount(), 4);
    const QStringList expected = {"B.txt", "C.txt", "a.txt", QStringLiteral("Őszi dal.mp3")};
    for (int row = 0; row < 4; ++row) {
        QCOMPARE(read->index(row, 1).data().toString(), expected[row]);
        QCOMPARE(read->index(row, 0).data().toString(), QStringLiteral("0%1").arg(row + 1));
        QCOMPARE(names->index(row, 0).data().toString(), QStringLiteral("0%1").arg(row + 1));
    }
    QCOMPARE(countText(), QStringLiteral("Items: 4"));
    QVERIFY(!(read->flags(read->index(0, 1)) & Qt::ItemIsEditable));
    QVERIFY(!(names->flags(names->index(0, 0)) & Qt::ItemIsEditable));
    QVERIFY(names->flags(names->index(0, 1)) & Qt::ItemIsEditable);
}

void MainWindowTest::enterMovesDownTheNewNameList() {
    listSample({"1.mp3", "2.mp3", "3.mp3"});
    QTableView *grid = m_main->nameGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    type("Alpha");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(grid->currentIndex().row(), 1);
    type("Beta");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    type("Gamma");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(QString::fromStdString(m_main->lists().nameList().cell(1, 1)), "Alpha");
    QCOMPARE(QString::fromStdString(m_main->lists().nameList().cell(1, 2)), "Beta");
    QCOMPARE(QString::fromStdString(m_main->lists().nameList().cell(1, 3)), "Gamma");
    QCOMPARE(grid->currentIndex().row(), 2); // the last row keeps the cursor

    // Enter without an open editor moves too, and stays on the last row.
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(grid->currentIndex().row(), 2);
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(grid->currentIndex().row(), 2);
}

void MainWindowTest::commandSeesTextOfAnOpenEditor() {
    listSample({"1.mp3", "2.mp3"});
    QTableView *grid = m_main->nameGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 1));
    type("Typed so far");
    QVERIFY(QApplication::focusWidget() != grid); // the cell editor is open
    // A toolbar button takes no focus, so the editor is still open when the command starts:
    // the command must see the typed text in the list all the same.
    QString seen;
    connect(button("AboutBtn"), &QToolButton::pressed, this, [&] {
        QVERIFY(QApplication::focusWidget() != grid);
        seen = QString::fromStdString(m_main->lists().nameList().cell(1, 2));
    });
    const auto answered = testsupport::answerNextModal(
        [](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    QTest::mouseClick(button("AboutBtn"), Qt::LeftButton);
    QVERIFY(*answered);
    QCOMPARE(seen, QStringLiteral("Typed so far"));
}

void MainWindowTest::languageRoundTrip() {
    listSample({"a.mp3", "b.mp3"});
    m_main->ApplyHungarian(true);
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Beolvas"));
    QCOMPARE(button("ClrBtn")->toolTip(), QStringLiteral("Lista törlése"));
    QCOMPARE(countText(), QStringLiteral("Darab: "));
    QCOMPARE(header(m_main->readGrid(), 1), QStringLiteral("File Név"));
    QCOMPARE(header(m_main->nameGrid(), 1), QStringLiteral("File Név"));
    QCOMPARE(m_main->texts()[filvane::UiText::FilesGroup], "Fil-ok");
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    QCOMPARE(countText(), QStringLiteral("Darab: 0"));

    m_main->ApplyEnglish(true);
    QCOMPARE(button("OptionsBtn")->text(), QStringLiteral("Options"));
    QCOMPARE(header(m_main->nameGrid(), 1), QStringLiteral("File Name"));
    QCOMPARE(countText(), QStringLiteral("Items: "));

    // The creation handler's call leaves the column captions alone.
    m_main->ApplyHungarian(false);
    QCOMPARE(header(m_main->readGrid(), 1), QStringLiteral("File Name"));
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Orvessa - Filvane 1.1.2"));
}

void MainWindowTest::cancelledReadEmptiesTypedNames() {
    listSample({"a.mp3", "b.mp3"});
    m_main->lists().nameList().setCell(1, 1, "typed");
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    listSample({"a.mp3", "b.mp3"});
    m_main->lists().nameList().setCell(1, 2, "typed");
    const auto answered = testsupport::answerNextModal(
        [](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    QTest::mouseClick(button("ReadBtn"), Qt::LeftButton);
    QVERIFY(*answered);
    QCOMPARE(m_main->lists().nameList().cell(1, 2), "");
    QCOMPARE(m_main->lists().readList().cell(1, 2), "b.mp3"); // the listed files stay
    QCOMPARE(countText(), QStringLiteral("Items: 2"));
    QVERIFY(button("RenBtn")->isEnabled());
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
