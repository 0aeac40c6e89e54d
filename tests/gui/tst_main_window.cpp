#include "FixedColumnGrid.h"
#include "MainWindowFixture.h"

#include <QScrollBar>

#include <QDialog>
#include <QLabel>
#include <QTableView>

class MainWindowTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void startState();
    void clear();
    void listsIntoTheGridsSortedAndNumbered();
    void enterMovesDownTheNewNameList();
    void commandSeesTextOfAnOpenEditor();
    void languageRoundTrip();
    void cancelledReadEmptiesTypedNames();
    void numberColumnStaysInPlace();

private:
    QString countText() const { return m_main->findChild<QLabel *>("CountPanel")->text(); }
    static QString header(QTableView *grid, int column) {
        return grid->model()->headerData(column, Qt::Horizontal).toString();
    }
    // Types as a person does: each key goes to whatever has the focus (the grid, then its editor).
    static void keys(const QString &text) {
        for (const QChar ch : text)
            QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    }
};

void MainWindowTest::startState() {
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Orvessa - Filvane 1.1.2"));
    QCOMPARE(m_main->size(), QSize(381, 295));
    QCOMPARE(m_main->minimumSize(), m_main->maximumSize());
    QVERIFY(!button("RenBtn")->isEnabled());
    QVERIFY(!m_main->nameGrid()->isEnabled());
    QCOMPARE(countText(), QStringLiteral("Items: 0"));
    for (QTableView *grid : {m_main->readGrid(), m_main->nameGrid()}) {
        QCOMPARE(header(grid, 0), QStringLiteral("No."));
        QCOMPARE(header(grid, 1), QStringLiteral("File Name"));
        QCOMPARE(grid->model()->rowCount(), 1); // one blank data row
    }

    // A second activation (as after a modal dialog) must not run the first-activation step.
    button("RenBtn")->setEnabled(true);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_main, &activate);
    QVERIFY(button("RenBtn")->isEnabled());
}

void MainWindowTest::clear() {
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton); // right after the start
    QCOMPARE(countText(), QStringLiteral("Items: 0"));
    QVERIFY(!m_main->nameGrid()->isEnabled());

    list({"b.mp3", "a.mp3"});
    QVERIFY(button("RenBtn")->isEnabled());
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    QVERIFY(!button("RenBtn")->isEnabled());
    QVERIFY(m_main->nameGrid()->isEnabled()); // Clear leaves the new-name list usable
    QCOMPARE(m_main->readGrid()->model()->rowCount(), 1);
    QCOMPARE(m_main->readGrid()->model()->index(0, 1).data().toString(), QString());
}

void MainWindowTest::listsIntoTheGridsSortedAndNumbered() {
    list({"B.txt", "a.txt", "C.txt", QStringLiteral("Őszi dal.mp3")});
    const QAbstractItemModel *read = m_main->readGrid()->model();
    const QAbstractItemModel *names = m_main->nameGrid()->model();
    QCOMPARE(names->rowCount(), 4);
    const QStringList expected{"B.txt", "C.txt", "a.txt", QStringLiteral("Őszi dal.mp3")};
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
    list({"1.mp3", "2.mp3", "3.mp3"});
    QTableView *grid = m_main->nameGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    const QStringList names{"Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 3; ++i) {
        keys(names[i]);
        QTest::keyClick(QApplication::focusWidget(), i == 1 ? Qt::Key_Enter : Qt::Key_Return);
    }
    QTRY_COMPARE(newName(1), QStringLiteral("Alpha"));
    QCOMPARE(newName(2), QStringLiteral("Beta"));
    QCOMPARE(newName(3), QStringLiteral("Gamma"));
    QCOMPARE(grid->currentIndex().row(), 2); // the last row keeps the cursor

    // Enter without an open editor moves too, and stays on the last row.
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(grid->currentIndex().row(), 2);
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(grid->currentIndex().row(), 2);
}

void MainWindowTest::commandSeesTextOfAnOpenEditor() {
    list({"1.mp3", "2.mp3"});
    QTableView *grid = m_main->nameGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 1));
    keys("Typed so far");
    // A toolbar button takes no focus, so the editor is still open when the command starts:
    // the command must see the typed text in the list all the same.
    QString seen;
    connect(button("AboutBtn"), &QToolButton::pressed, this, [&] {
        QVERIFY(QApplication::focusWidget() != grid); // the cell editor is open
        seen = newName(2);
    });
    const auto answered = testsupport::answerNextModal(
        [](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    QTest::mouseClick(button("AboutBtn"), Qt::LeftButton);
    QVERIFY(*answered);
    QCOMPARE(seen, QStringLiteral("Typed so far"));
}

void MainWindowTest::languageRoundTrip() {
    list({"a.mp3", "b.mp3"});
    m_main->ApplyHungarian(true);
    QCOMPARE(button("ReadBtn")->text(), QStringLiteral("Beolvas"));
    QCOMPARE(countText(), QStringLiteral("Darab: "));
    QCOMPARE(header(m_main->nameGrid(), 1), QStringLiteral("File Név"));
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
    list({"a.mp3", "b.mp3"});
    type(2, QStringLiteral("typed"));
    const auto answered = testsupport::answerNextModal(
        [](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
    QTest::mouseClick(button("ReadBtn"), Qt::LeftButton);
    QVERIFY(*answered);
    QCOMPARE(newName(2), QString());
    QCOMPARE(listed(), (QStringList{"a.mp3", "b.mp3"})); // the listed files stay
    QCOMPARE(countText(), QStringLiteral("Items: 2"));
    QVERIFY(button("RenBtn")->isEnabled());
}

void MainWindowTest::numberColumnStaysInPlace() {
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names << QStringLiteral("track %1.mp3").arg(i, 2, 10, QLatin1Char('0'));
    list(names);
    auto *grid = static_cast<TFixedColumnGrid *>(m_main->nameGrid());
    QCoreApplication::processEvents(); // let the view lay out the new rows
    // The name column is wider than the view: going to a cell must not scroll sideways.
    grid->setCurrentIndex(grid->model()->index(39, 1));
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    QVERIFY(grid->verticalScrollBar()->value() > 0);
    // The number column follows the rows down and stays put when the names scroll sideways.
    QTableView *numbers = grid->fixedColumnView();
    QCOMPARE(numbers->verticalScrollBar()->value(), grid->verticalScrollBar()->value());
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QVERIFY(grid->horizontalScrollBar()->value() > 0);
    QCOMPARE(numbers->x(), grid->frameWidth());
    QCOMPARE(numbers->indexAt(QPoint(5, numbers->viewport()->height() - 5)).data().toString(),
             QStringLiteral("40"));
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
