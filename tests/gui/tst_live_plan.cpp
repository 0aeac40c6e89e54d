#include "MainWindowFixture.h"
#include "app/AppSettings.h"
#include "app/LivePlan.h"
#include "app/PlanView.h"
#include "core/plan/Preflight.h"

#include "dialogs/NameTools.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTreeWidget>

// The plan beside the main window: opened by a key or the lists' menus, kept up to date as the
// lists change, and where it was left when opened again.
class LivePlanTest : public MainWindowFixture {
    Q_OBJECT

private slots:
    void followsTypingAndStaysBesideTheWindow();
    void showsFindingsBesideTheirRowsAndUnchangedRows();
    void remembersItsPlaceAndSize();
    void numbersRowsAsTheListsDo();
    void tabGoesFromTheNewNamesToTheFiles();
    void previewsShowThePlansFinalNames();

private:
    static QString finalName(TLivePlanForm *plan, int row) {
        return plan->model()->cellText(row, PlanModel::FinalNameColumn);
    }
    static QString finding(TLivePlanForm *plan, int row) {
        return plan->model()->cellText(row, PlanModel::FindingColumn);
    }
};

void LivePlanTest::followsTypingAndStaysBesideTheWindow() {
    list({"a.mp3", "b.mp3", "c.mp3"});
    QTest::keyClick(m_main, Qt::Key_P, Qt::ControlModifier);
    TLivePlanForm *plan = m_main->livePlan();
    QVERIFY(plan);
    QVERIFY(plan->isVisible());
    QVERIFY(!QApplication::activeModalWidget()); // the main window goes on taking keys
    QVERIFY(plan->minimumSize() != plan->maximumSize());
    QTRY_COMPARE(plan->model()->rowCount(), 3);
    QCOMPARE(finalName(plan, 1), QStringLiteral("02 - .mp3"));

    // Typed key by key in the new-name list: the plan's row follows.
    QTableView *names = m_main->nameGrid();
    m_main->activateWindow();
    QTRY_VERIFY(m_main->isActiveWindow());
    names->setFocus();
    names->setCurrentIndex(names->model()->index(1, 1));
    // The first key opens the cell's editor; the others go where the keyboard then is.
    for (const QChar ch : QStringLiteral("Beta"))
        QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
    QTRY_COMPARE(finalName(plan, 1), QStringLiteral("02 - Beta.mp3"));
    QCOMPARE(plan->model()->cellText(1, PlanModel::OldNameColumn), QStringLiteral("b.mp3"));
    // A paste of many names at once, and a move of a file.
    m_main->session().pasteNewNames("One\nTwo\nThree", 1);
    m_main->nameModel()->reload();
    QTRY_COMPARE(finalName(plan, 2), QStringLiteral("03 - Three.mp3"));
    QTableView *read = m_main->readGrid();
    read->setFocus();
    read->setCurrentIndex(read->model()->index(2, 1));
    read->selectRow(2);
    QTest::keyClick(read, Qt::Key_Up, Qt::AltModifier); // c.mp3 up beside "Two"
    QTRY_COMPARE(plan->model()->cellText(1, PlanModel::OldNameColumn), QStringLiteral("c.mp3"));
    QCOMPARE(finalName(plan, 1), QStringLiteral("02 - Two.mp3"));
    QTRY_VERIFY(!plan->pending());
}

void LivePlanTest::showsFindingsBesideTheirRowsAndUnchangedRows() {
    list({"a.mp3", "b.mp3", "x.mp3"});
    options([](TOptionsForm *form) {
        if (form->noCheck()->isChecked())
            form->noCheck()->click();
        ok(form);
    });
    m_main->livePlanAction()->trigger();
    TLivePlanForm *plan = m_main->livePlan();
    type(1, QStringLiteral("c"));
    type(2, QStringLiteral("c"));
    type(3, QStringLiteral("b"));
    QTRY_COMPARE(finding(plan, 1), QStringLiteral("same name as row 01: c.mp3"));
    // In the lists' order, each beside its row; b keeps its name, so x cannot have it.
    QCOMPARE(finding(plan, 2), QStringLiteral("name stays with the file of row 02: b.mp3"));
    QCOMPARE(finalName(plan, 2), QStringLiteral("x.mp3"));
    QCOMPARE(finalName(plan, 0), QStringLiteral("c.mp3"));
    type(2, QStringLiteral("b"));
    type(3, QStringLiteral("x"));
    QTRY_COMPARE(finding(plan, 1), QStringLiteral("unchanged"));
    QCOMPARE(finding(plan, 2), QStringLiteral("unchanged"));
    QCOMPARE(finding(plan, 0), QString());
}

void LivePlanTest::remembersItsPlaceAndSize() {
    list({"a.mp3"});
    m_main->showLivePlan();
    TLivePlanForm *plan = m_main->livePlan();
    plan->resize(500, 300);
    plan->close();
    QVERIFY(!plan->isVisible());
    const Remembered remembered = AppSettings().load();
    QVERIFY(remembered.planSize);
    QCOMPARE(*remembered.planSize, QSize(500, 300));
    QVERIFY(remembered.position(RememberedWindow::Plan));

    // A new session opens it at that size.
    m_windows = Windows();
    m_windows = createWindows();
    m_main = m_windows.main.get();
    m_main->show();
    m_main->showLivePlan();
    QCOMPARE(m_main->livePlan()->size(), QSize(500, 300));
}

void LivePlanTest::numbersRowsAsTheListsDo() {
    // Numbered from 10 by 5: the plan's "No." column and its findings say 10 and 15.
    filvane::RenamePlan plan;
    plan.directory = m_dir->path().toStdString();
    plan.numbers.start = 10;
    plan.numbers.step = 5;
    plan.add("a.mp3", "10 - X.mp3");
    plan.add("b.mp3", "10 - X.mp3");
    filvane::checkPlan(plan);
    const filvane::StoredTexts texts;
    const PlanModel model(plan, texts, nullptr, PlanModel::Order::AsListed);
    QCOMPARE(model.cellText(0, PlanModel::RowColumn), QStringLiteral("10"));
    QCOMPARE(model.cellText(1, PlanModel::RowColumn), QStringLiteral("15"));
    QCOMPARE(model.cellText(1, PlanModel::FindingColumn),
             QStringLiteral("same name as row 10: 10 - X.mp3"));
}

void LivePlanTest::tabGoesFromTheNewNamesToTheFiles() {
    list({"a.mp3", "b.mp3"});
    QTableView *names = m_main->nameGrid();
    names->setFocus();
    names->setCurrentIndex(names->model()->index(1, 1));
    QTest::keyClick(names, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_main->readGrid()));
    // The read list takes up the row, so Alt+Up moves that file.
    QCOMPARE(m_main->readGrid()->currentIndex().row(), 1);
    QTest::keyClick(m_main->readGrid(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(listed(), (QStringList{"b.mp3", "a.mp3"}));
    QTest::keyClick(m_main->readGrid(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(names));
}

// The name tools' previews show each row as the plan composes it: numbers only, a file without
// an extension, a name refused.
void LivePlanTest::previewsShowThePlansFinalNames() {
    const auto preview = [](QWidget *form, int row, int column) {
        const QTreeWidgetItem *item =
            form->findChild<QTreeWidget *>(QStringLiteral("PreviewTree"))->topLevelItem(row);
        return item ? item->text(column) : QStringLiteral("<no row %1>").arg(row);
    };
    list({"a", "b.jpg"});
    type(1, QStringLiteral("Vol. 2"));
    auto answered = testsupport::answerNextModal([&](QWidget *modal) {
        QCOMPARE(preview(modal, 0, 0), QStringLiteral("01 - Vol. 2"));
        QCOMPARE(preview(modal, 1, 0), QStringLiteral("02 - .jpg"));
        modal->close();
    });
    m_main->showNameTools(TMainForm::NameTool::Replace);
    QVERIFY(*answered);

    // Numbers only: the numbering page shows the number and extension alone, as the run gives.
    options([](TOptionsForm *form) {
        form->noOnlyCheck()->click();
        ok(form);
    });
    answered = testsupport::answerNextModal([&](QWidget *modal) {
        QCOMPARE(preview(modal, 1, 0), QStringLiteral("02.jpg"));
        modal->findChild<QComboBox *>(QStringLiteral("DigitsBox"))
            ->setCurrentIndex(int(filvane::NumberFormat::Digits::Fixed));
        modal->findChild<QSpinBox *>(QStringLiteral("WidthSpin"))->setValue(3);
        QCOMPARE(preview(modal, 1, 1), QStringLiteral("002.jpg"));
        modal->close();
    });
    m_main->showNameTools(TMainForm::NameTool::Numbering);
    QVERIFY(*answered);
}

QTEST_MAIN(LivePlanTest)
#include "tst_live_plan.moc"
