#include "MainWindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>

class ClipboardTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void pasteFromCurrentRowDown_data();
    void pasteFromCurrentRowDown();
    void copySelectedCellsAsLines();
};

void ClipboardTest::pasteFromCurrentRowDown_data() {
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QStringList>("names"); // the five rows afterwards
    QTest::newRow("3 lines into 5 rows")
        << "One\r\nTwo\rThree\r\n"
        << 2 << true << QStringList{"typed", "One", "Two", "Three", ""};
    QTest::newRow("7 lines into 5 rows") << "1\n2\n3\n4\n5\n6\n7\n"
                                         << 1 << true << QStringList{"1", "2", "3", "4", "5"};
    QTest::newRow("blanks and tabs around lines")
        << "  One\t\r\n\tTwo  three \n"
        << 3 << true << QStringList{"typed", "", "One", "Two  three", ""};
    QTest::newRow("empty clipboard") << "" << 1 << true << QStringList{"typed", "", "", "", ""};
    QTest::newRow("read-only list") << "x\ny\n"
                                    << 1 << false << QStringList{"typed", "", "", "", ""};
}

void ClipboardTest::pasteFromCurrentRowDown() {
    QFETCH(QString, clipboard);
    QFETCH(int, row);
    QFETCH(bool, editable);
    QFETCH(QStringList, names);
    list({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    type(1, QStringLiteral("typed"));
    m_main->nameModel()->setEditable(editable);
    QTableView *grid = m_main->nameGrid();
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row - 1, 1));
    QGuiApplication::clipboard()->setText(clipboard);
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    QStringList shown;
    for (int i = 0; i < 5; ++i)
        shown << grid->model()->index(i, 1).data().toString();
    QCOMPARE(shown, names);
    QCOMPARE(m_main->lists().nameList().rowCount(), 6); // no rows added
}

void ClipboardTest::copySelectedCellsAsLines() {
    list({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    QTableView *grid = m_main->readGrid();
    grid->setFocus();
    grid->selectionModel()->select(
        QItemSelection(grid->model()->index(1, 1), grid->model()->index(3, 1)),
        QItemSelectionModel::ClearAndSelect);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b.mp3\nc.mp3\nd.mp3\n"));
}

QTEST_MAIN(ClipboardTest)
#include "tst_clipboard.moc"
