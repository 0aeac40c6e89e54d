#include "controls/FixedColumnGrid.h"

#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>

FixedColumnGrid::FixedColumnGrid(QWidget *parent)
    : QTableView(parent), m_fixed(new QTableView(this)) {
    m_fixed->setFocusPolicy(Qt::NoFocus);
    m_fixed->setFrameShape(QFrame::NoFrame);
    m_fixed->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fixed->verticalHeader()->hide();
    m_fixed->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_fixed->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fixed->setVerticalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    viewport()->stackUnder(m_fixed);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_fixed->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_fixed->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
            &QScrollBar::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            &FixedColumnGrid::syncFixedColumn);
}

void FixedColumnGrid::setModel(QAbstractItemModel *model) {
    QTableView::setModel(model);
    m_fixed->setModel(model);
    m_fixed->setSelectionModel(selectionModel());
    syncFixedColumn();
}

void FixedColumnGrid::scrollTo(const QModelIndex &index, ScrollHint hint) {
    const int sideways = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(sideways);
}

void FixedColumnGrid::resizeEvent(QResizeEvent *event) {
    QTableView::resizeEvent(event);
    syncFixedColumn();
}

void FixedColumnGrid::updateGeometries() {
    QTableView::updateGeometries();
    syncFixedColumn();
}

void FixedColumnGrid::syncFixedColumn() {
    if (!model())
        return;
    for (int column = 1; column < model()->columnCount(); ++column)
        m_fixed->setColumnHidden(column, true);
    m_fixed->setShowGrid(showGrid());
    m_fixed->setColumnWidth(0, columnWidth(0));
    m_fixed->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_fixed->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_fixed->horizontalHeader()->setDefaultAlignment(horizontalHeader()->defaultAlignment());
    m_fixed->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(), columnWidth(0),
                         viewport()->height() + horizontalHeader()->height());
}

void FixedColumnGrid::fitFixedColumn(int minimumWidth) {
    int width = minimumWidth;
    const int rows = model() ? model()->rowCount() : 0;
    if (rows > 0) {
        // A cell's text is drawn inside a margin on either side, and cut with "…" where the
        // rest is narrower than the text.
        const QString widest = model()->index(rows - 1, 0).data().toString();
        const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
        width = std::max(width, fontMetrics().horizontalAdvance(widest) + 2 * margin + 1);
    }
    setColumnWidth(0, width);
}

namespace {

void followRows(QTableView *leader, QTableView *follower) {
    QScrollBar *from = leader->verticalScrollBar();
    QScrollBar *to = follower->verticalScrollBar();
    QObject::connect(from, &QScrollBar::valueChanged, to, &QScrollBar::setValue);
    // Rows listed or a scroll bar shown change a range; the pair must not drift apart then.
    QObject::connect(to, &QScrollBar::rangeChanged, to,
                     [from, to] { to->setValue(from->value()); });
    QObject::connect(leader->selectionModel(), &QItemSelectionModel::currentChanged, follower,
                     [follower](const QModelIndex &current) {
                         const QModelIndex own = follower->currentIndex();
                         if (!current.isValid() || !follower->model() ||
                             (own.isValid() && own.row() == current.row()))
                             return;
                         // The same cell, so the row shows selected in both grids.
                         follower->setCurrentIndex(
                             follower->model()->index(current.row(), current.column()));
                     });
}

} // namespace

void keepRowsSideBySide(QTableView *first, QTableView *second) {
    followRows(first, second);
    followRows(second, first);
}
