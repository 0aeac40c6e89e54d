#pragma once

#include <QTableView>

// A table view whose first column stays in place when the rest scrolls sideways, as a grid's
// fixed caption column does. A second, borderless view showing only that column lies over the
// left edge and shares the model, the selection and the vertical scrolling. Moving the current
// cell scrolls vertically only, so a click in a wide name column never hides the numbers.
class TFixedColumnGrid : public QTableView {
    Q_OBJECT
public:
    explicit TFixedColumnGrid(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

    QTableView *fixedColumnView() const { return m_fixed; }

    // Makes the fixed column as wide as its last row's text needs, and at least `minimumWidth`.
    // The column holds row numbers, so the last row has the widest; reading one row keeps this
    // as fast for a million rows as for ten.
    void fitFixedColumn(int minimumWidth);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;

private:
    void syncFixedColumn();

    QTableView *m_fixed;
};

// Keeps two grids of the same rows side by side: scrolling either vertically (wheel, keys or
// bar) scrolls the other to the same place, and moving the current cell in either moves the
// other's to the same row. Both grids must have their models set.
void keepRowsSideBySide(QTableView *first, QTableView *second);
