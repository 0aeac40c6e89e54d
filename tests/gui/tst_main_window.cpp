#include "MainWindowFixture.h"
#include "controls/FixedColumnGrid.h"

#include <QDialog>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QWheelEvent>

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
    void listsStayRowForRow_data();
    void listsStayRowForRow();
    void numberColumnWidensToItsWidestNumber();
    void statusPanelShowsTheListedFolder();

private:
    void listTracks(int count);
    QString countText() const { return testsupport::labelText(m_main, "CountPanel"); }
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
    QCOMPARE(countText(), QStringLiteral("Darab: 2"));
    QCOMPARE(header(m_main->nameGrid(), 1), QStringLiteral("File Név"));
    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    QCOMPARE(countText(), QStringLiteral("Darab: 0"));

    m_main->ApplyEnglish(true);
    QCOMPARE(button("OptionsBtn")->text(), QStringLiteral("Options"));
    QCOMPARE(header(m_main->nameGrid(), 1), QStringLiteral("File Name"));
    QCOMPARE(countText(), QStringLiteral("Items: 0"));

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
    // The files are still listed, so the emptied names are one step Ctrl+Z brings back.
    QCOMPARE(m_main->edits().stack().undoText(), QStringLiteral("Clear new names"));
    m_main->undoLast();
    QCOMPARE(newName(2), QStringLiteral("typed"));
}

void MainWindowTest::numberColumnStaysInPlace() {
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names << QStringLiteral("track %1.mp3").arg(i, 2, 10, QLatin1Char('0'));
    list(names);
    auto *grid = static_cast<FixedColumnGrid *>(m_main->nameGrid());
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

void MainWindowTest::listTracks(int count) {
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("track %1.mp3").arg(i, 4, 10, QLatin1Char('0'));
    list(names);
    QCoreApplication::processEvents(); // let the views lay out the new rows
}

void MainWindowTest::listsStayRowForRow_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("fromNames"); // the new-name list is moved, else the read list
    for (const bool fromNames : {false, true}) {
        const char *side = fromNames ? "new names" : "read list";
        for (const char *how : {"bar", "wheel", "keys", "click"})
            QTest::addRow("%s by %s", side, how) << QString::fromLatin1(how) << fromNames;
    }
}

void MainWindowTest::listsStayRowForRow() {
    QFETCH(QString, how);
    QFETCH(bool, fromNames);
    listTracks(60);
    QTableView *moved = fromNames ? m_main->nameGrid() : m_main->readGrid();
    QTableView *other = fromNames ? m_main->readGrid() : m_main->nameGrid();
    QCOMPARE(other->verticalScrollBar()->value(), 0);
    if (how == QLatin1String("bar")) {
        moved->verticalScrollBar()->setValue(moved->verticalScrollBar()->maximum() / 2);
    } else if (how == QLatin1String("wheel")) {
        const QPointF at(60, 60);
        QWheelEvent wheel(at, moved->viewport()->mapToGlobal(at), {}, {0, -360}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(moved->viewport(), &wheel);
    } else if (how == QLatin1String("keys")) {
        moved->setFocus();
        moved->setCurrentIndex(moved->model()->index(0, 1));
        for (int i = 0; i < 25; ++i)
            QTest::keyClick(moved, Qt::Key_Down);
        QCOMPARE(moved->currentIndex().row(), 25);
    } else {
        moved->scrollTo(moved->model()->index(40, 1));
        const QRect cell = moved->visualRect(moved->model()->index(40, 1));
        QTest::mouseClick(moved->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(moved->currentIndex().row(), 40);
    }
    QVERIFY(moved->verticalScrollBar()->value() > 0);
    QCOMPARE(other->verticalScrollBar()->value(), moved->verticalScrollBar()->value());
    // Row r of one list is beside row r of the other, from the top of the lists to the bottom.
    for (int y = 0; y < moved->viewport()->height(); y += 7)
        QCOMPARE(other->rowAt(y), moved->rowAt(y));
    if (moved->currentIndex().isValid()) {
        QCOMPARE(other->currentIndex().row(), moved->currentIndex().row());
        // and shows it selected, as the list moved does
        QCOMPARE(other->currentIndex().column(), moved->currentIndex().column());
        QCOMPARE(other->selectionModel()->isSelected(other->currentIndex()),
                 moved->selectionModel()->isSelected(moved->currentIndex()));
    }
}

void MainWindowTest::numberColumnWidensToItsWidestNumber() {
    // Whether a cell shows its whole text, as the style draws it: inside a margin on each side.
    const auto shownWhole = [](const QTableView *view, int row) {
        const QString text = view->model()->index(row, 0).data().toString();
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
        return view->fontMetrics().elidedText(text, Qt::ElideRight,
                                              view->columnWidth(0) - 2 * margin) == text;
    };
    auto *grid = static_cast<FixedColumnGrid *>(m_main->readGrid());
    // A face a little larger than the window's, so four digits need more than the 30 pixels
    // whatever face stands in for the window's own.
    QFont larger = grid->font();
    larger.setPointSize(11);
    for (QTableView *view : {m_main->readGrid(), m_main->nameGrid()})
        view->setFont(larger);
    listTracks(1001);
    for (QTableView *view : {m_main->readGrid(), m_main->nameGrid()}) {
        QCOMPARE(view->model()->index(1000, 0).data().toString(), QStringLiteral("1001"));
        QVERIFY(view->columnWidth(0) > 30);
        QVERIFY(shownWhole(view, 1000));
    }
    QCOMPARE(grid->fixedColumnView()->columnWidth(0), grid->columnWidth(0));

    m_dir = std::make_unique<QTemporaryDir>();
    listTracks(99); // a short list again: the column's own width, and "99" fits in it
    for (QTableView *view : {m_main->readGrid(), m_main->nameGrid()}) {
        QCOMPARE(view->columnWidth(0), 30);
        QVERIFY(shownWhole(view, 98));
    }
}

void MainWindowTest::statusPanelShowsTheListedFolder() {
    auto *panel = m_main->findChild<QLabel *>("FolderPanel");
    const QRect place(100, 0, 50, 19);
    QCOMPARE(panel->geometry(), place);
    QCOMPARE(panel->text(), QString());
    list({"a.mp3", "b.mp3"});
    const QString full = m_dir->path() + QStringLiteral("/*.*");
    QCOMPARE(panel->toolTip(), full);
    QCOMPARE(panel->accessibleName(), full);
    // Too long for the panel: cut in the middle, so the start of the path and the mask show.
    const QString shown = panel->text();
    QVERIFY(shown.contains(QChar(0x2026)));
    QVERIFY(shown.startsWith(full.left(2)));
    QVERIFY(shown.endsWith(QStringLiteral("*.*")));
    QVERIFY(panel->fontMetrics().horizontalAdvance(shown) <= panel->contentsRect().width());
    QCOMPARE(panel->geometry(), place);

    QTest::mouseClick(button("ClrBtn"), Qt::LeftButton);
    QCOMPARE(panel->text(), QString());
    QCOMPARE(panel->toolTip(), QString());
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
