#pragma once

#include <QModelIndexList>
#include <QString>

class QAbstractItemView;
class QAction;

// What Copy takes from a view where no cell is selected.
enum class CopyWhenNothingSelected { CurrentCell, AllRows };

// The cells as text, ordered by row then column: a tab between the cells of a row, a line end
// after each row, so a range pastes into a spreadsheet or an editor as it was shown.
QString cellsText(QModelIndexList cells);

// Gives the view a Copy action on the platform's Copy key (Ctrl+C) that puts the selected cells
// on the clipboard. It works while the view itself has the focus; an open cell editor keeps the
// key for the text being edited.
QAction *addCopyAction(QAbstractItemView *view, CopyWhenNothingSelected fallback);
