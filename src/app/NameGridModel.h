#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

#include <functional>
#include <string>

namespace filvane {
class CellGrid;
}

// Shows a core grid in a QTableView: row 0 of the grid becomes the header, data rows 1..N the
// view's rows 0..N-1, and column 0 looks like a fixed caption column. The grid stays the one
// place the names live, and the model holds no copy; column 0 shows what `numbers` makes of
// each data row (its grid row is passed), as the options say numbers read.
class NameGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    NameGridModel(const filvane::CellGrid &grid, std::function<std::string(int gridRow)> numbers,
                  QObject *parent);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // Column 1 takes typed text only while editable.
    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }

    // Where a data row's tool tip comes from (the grid row number is passed); none by default.
    void setToolTipSource(std::function<QString(int gridRow)> source) {
        m_toolTipSource = std::move(source);
    }

    // Writes each text typed into a cell (its grid row, the text), as a step that can be taken
    // back; the model writes no cell itself, so without a writer nothing can be typed. False
    // when the text was not taken.
    void setCellWriter(std::function<bool(int gridRow, std::string text)> writer) {
        m_cellWriter = std::move(writer);
    }
    // After the core changed the grid: one reset, not a signal per cell.
    void reload();
    void captionsChanged();

    static int gridRow(const QModelIndex &index) { return index.row() + 1; }

private:
    const filvane::CellGrid &m_grid;
    std::function<std::string(int)> m_numbers;
    bool m_editable = false;
    std::function<QString(int)> m_toolTipSource;
    std::function<bool(int, std::string)> m_cellWriter;
};

// Cell editor of the new-name list: every keystroke reaches the grid at once (a command pressed
// while the editor is open sees the text typed so far), Enter asks to move one row down, and
// Tab to leave the list.
class NameGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;

signals:
    void enterPressed();
    // Tab (or Shift+Tab) in the editor: the text is kept and the keys go to the next control.
    void tabPressed(bool backwards);

protected:
    bool eventFilter(QObject *object, QEvent *event) override;
};
