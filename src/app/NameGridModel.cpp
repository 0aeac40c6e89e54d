#include "app/NameGridModel.h"

#include "core/lists/CellGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

#include <utility>

using filvane::CellGrid;

NameGridModel::NameGridModel(const CellGrid &grid, std::function<std::string(int)> numbers,
                             QObject *parent)
    : QAbstractTableModel(parent), m_grid(grid), m_numbers(std::move(numbers)) {}

int NameGridModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : std::max(0, m_grid.rowCount() - 1);
}

int NameGridModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : CellGrid::ColumnCount;
}

QVariant NameGridModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (index.column() == 0)
            return m_numbers ? QString::fromStdString(m_numbers(gridRow(index))) : QString();
        return QString::fromUtf8(m_grid.name(gridRow(index)));
    case Qt::ToolTipRole:
        if (m_toolTipSource)
            return m_toolTipSource(gridRow(index));
        return {};
    case Qt::BackgroundRole:
        if (index.column() == 0)
            return QApplication::palette().button();
        return {};
    case Qt::ForegroundRole:
        if (index.column() == 0)
            return QApplication::palette().buttonText();
        return {};
    default:
        return {};
    }
}

QVariant NameGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= CellGrid::ColumnCount)
        return {};
    return QString::fromUtf8(m_grid.cell(section, 0));
}

Qt::ItemFlags NameGridModel::flags(const QModelIndex &index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return Qt::ItemIsEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool NameGridModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (index.column() != 1 || !m_cellWriter ||
        !m_cellWriter(gridRow(index), value.toString().toStdString()))
        return false;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void NameGridModel::reload() {
    beginResetModel();
    endResetModel();
}

void NameGridModel::captionsChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, CellGrid::ColumnCount - 1);
}

QWidget *NameGridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const {
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        auto *self = const_cast<NameGridDelegate *>(this);
        connect(line, &QLineEdit::textEdited, line, [self, line] { emit self->commitData(line); });
    }
    return editor;
}

bool NameGridDelegate::eventFilter(QObject *object, QEvent *event) {
    auto *editor = qobject_cast<QWidget *>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            emit enterPressed();
            return true;
        }
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            emit tabPressed(key == Qt::Key_Backtab);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
