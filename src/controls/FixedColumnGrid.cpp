#include "FixedColumnGrid.h"

#include <QHeaderView>
#include <QScrollBar>

TFixedColumnGrid::TFixedColumnGrid(QWidget *parent)
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
            &TFixedColumnGrid::syncFixedColumn);
}

void TFixedColumnGrid::setModel(QAbstractItemModel *model) {
    QTableView::setModel(model);
    m_fixed->setModel(model);
    m_fixed->setSelectionModel(selectionModel());
    syncFixedColumn();
}

void TFixedColumnGrid::scrollTo(const QModelIndex &index, ScrollHint hint) {
    const int sideways = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(sideways);
}

void TFixedColumnGrid::resizeEvent(QResizeEvent *event) {
    QTableView::resizeEvent(event);
    syncFixedColumn();
}

void TFixedColumnGrid::updateGeometries() {
    QTableView::updateGeometries();
    syncFixedColumn();
}

void TFixedColumnGrid::syncFixedColumn() {
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
