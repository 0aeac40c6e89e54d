#include "controls/ItemViewClipboard.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>

namespace {

QModelIndexList cellsToCopy(const QAbstractItemView *view, CopyWhenNothingSelected fallback) {
    QModelIndexList cells =
        view->selectionModel() ? view->selectionModel()->selectedIndexes() : QModelIndexList{};
    if (!cells.isEmpty() || !view->model())
        return cells;
    if (fallback == CopyWhenNothingSelected::CurrentCell) {
        if (view->currentIndex().isValid())
            cells.append(view->currentIndex());
        return cells;
    }
    const QAbstractItemModel *model = view->model();
    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
        for (int column = 0; column < model->columnCount(view->rootIndex()); ++column)
            cells.append(model->index(row, column, view->rootIndex()));
    return cells;
}

} // namespace

QString cellsText(QModelIndexList cells) {
    std::sort(cells.begin(), cells.end()); // by row, then column
    QString text;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            text += cells[i].row() == cells[i - 1].row() ? QLatin1Char('\t') : QLatin1Char('\n');
        text += cells[i].data().toString();
    }
    if (!cells.isEmpty())
        text += QLatin1Char('\n');
    return text;
}

QAction *addCopyAction(QAbstractItemView *view, CopyWhenNothingSelected fallback) {
    auto *copy = new QAction(view);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    view->addAction(copy);
    QObject::connect(copy, &QAction::triggered, view, [view, fallback] {
        const QModelIndexList cells = cellsToCopy(view, fallback);
        if (!cells.isEmpty())
            QGuiApplication::clipboard()->setText(cellsText(cells));
    });
    return copy;
}
