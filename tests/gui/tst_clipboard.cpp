#include "Filvane.h"
#include "GuiTestSupport.h"
#include "NameGridModel.h"
#include "Windows.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class ClipboardTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { m_windows = Windows(); }
    void pasteFromCurrentRowDown();
    void pasteStopsAtTheLastRowAndIgnoresEmptyClipboard();
    void pasteIntoReadOnlyListChangesNothing();
    void copySelectedCellsAsLines();

private:
    QString name(int row) {
        return QString::fromStdString(m_main->lists().nameList().cell(1, row));
    }
    void paste(QTableView *grid) { QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier); }

    Windows m_windows;
    TMainForm *m_main = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void ClipboardTest::init() {
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowActive(m_main));
    m_dir = std::make_unique<QTemporaryDir>();
    for (const char *file : {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"})
        QVERIFY(testsupport::writeFile(m_dir->filePath(file)));
    const std::string dir = m_dir->path().toStdString();
    m_main->readDirectory(dir, dir + "/*.*");
    m_main->nameGrid()->setFocus();
}

void ClipboardTest::pasteFromCurrentRowDown() {
    QTableView *grid = m_main->nameGrid();
    m_main->lists().nameList().setCell(1, 1, "typed");
    grid->setCurrentIndex(grid->model()->index(1, 1)); // second data row
    QGuiApplication::clipboard()->setText("One\r\nTwo\rThree\r\n");
    paste(grid);
    QCOMPARE(name(1), QStringLiteral("typed"));
    QCOMPARE(name(2), QStringLiteral("One"));
    QCOMPARE(name(3), QStringLiteral("Two"));
    QCOMPARE(name(4), QStringLiteral("Three"));
    QCOMPARE(name(5), QString());
    QCOMPARE(grid->model()->index(3, 1).data().toString(), QStringLiteral("Three"));
}

void ClipboardTest::pasteStopsAtTheLastRowAndIgnoresEmptyClipboard() {
    QTableView *grid = m_main->nameGrid();
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QGuiApplication::clipboard()->setText("1\n2\n3\n4\n5\n6\n7\n");
    paste(grid);
    for (int row = 1; row <= 5; ++row)
        QCOMPARE(name(row), QString::number(row));
    QCOMPARE(m_main->lists().nameList().rowCount(), 6);

    QGuiApplication::clipboard()->clear();
    paste(grid);
    QCOMPARE(name(1), QStringLiteral("1"));
}

void ClipboardTest::pasteIntoReadOnlyListChangesNothing() {
    m_main->nameModel()->setEditable(false);
    QGuiApplication::clipboard()->setText("x\ny\n");
    paste(m_main->nameGrid());
    QCOMPARE(name(1), QString());
}

void ClipboardTest::copySelectedCellsAsLines() {
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
