#pragma once

#include "core/plan/RenamePlan.h"
#include "core/texts/TextTable.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <vector>

class QTableView;

// Every file of a plan and what it becomes: row, old name, final name and what the check
// found. Rows with a finding come first, then the rest top to bottom, or all in the lists'
// order. It reads the plan's own rows (no copies of names), so it shows a million rows as fast
// as a few; the plan and the texts must outlive it (or the next setPlan).
class PlanModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { RowColumn, OldNameColumn, FinalNameColumn, FindingColumn, ColumnCount };
    enum class Order { FindingsFirst, AsListed };

    PlanModel(const filvane::RenamePlan &plan, const filvane::StoredTexts &texts,
              QObject *parent = nullptr, Order order = Order::FindingsFirst);

    // Shows `plan` instead, in one reset.
    void setPlan(const filvane::RenamePlan &plan);
    const filvane::RenamePlan &plan() const { return *m_plan; }
    // The shown row of data row `row` of the lists (from 1), or -1.
    int shownRowOf(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QString cellText(int row, int column) const;
    // All rows as lines of tab-separated cells, in the order shown.
    QString allText() const;

private:
    void indexRows();
    const filvane::RowOutcome &planRow(int row) const;
    const filvane::PreflightRow *finding(int row) const;

    const filvane::RenamePlan *m_plan;
    const filvane::StoredTexts &m_texts;
    Order m_orderKind;
    std::vector<int> m_order;        // plan row index of each shown row
    std::vector<int> m_findingOfRow; // index into the check's rows by plan row index, or -1
};

// The plan in a table, with Copy (every row, as text) and Close.
class PlanView : public QDialog {
    Q_OBJECT
public:
    PlanView(const filvane::RenamePlan &plan, const filvane::StoredTexts &texts,
             QWidget *parent = nullptr);

    PlanModel *model() const { return m_model; }
    QTableView *table() const { return m_table; }
    void copyAll() const;

private:
    PlanModel *m_model = nullptr;
    QTableView *m_table = nullptr;
};

// A plan row's final name as every view shows it (tool tip, previews, the plan): its new name,
// or for a row whose name is refused the name the file keeps, and why. Empty for a blank row.
QString finalNameText(const filvane::RowOutcome &row, const filvane::StoredTexts &texts);

// The word for a finding of `plan`, as the plan views and the question's details show it.
std::string findingWord(const filvane::PreflightRow &row, const filvane::RenamePlan &plan,
                        const filvane::StoredTexts &texts);
