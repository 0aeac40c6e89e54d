#include "core/CellGrid.h"

#include <cassert>
#include <utility>

namespace filvane {

namespace {
const std::string emptyText;
}

void CellGrid::setRowCount(int rows) {
    assert(rows >= 0);
    m_rowCount = rows;
}

const std::string &CellGrid::cell(int column, int row) const {
    assert(column >= 0 && column < ColumnCount && row >= 0);
    const auto &cells = m_columns[column];
    return static_cast<size_t>(row) < cells.size() ? cells[row] : emptyText;
}

void CellGrid::setCell(int column, int row, std::string text) {
    assert(column >= 0 && column < ColumnCount && row >= 0);
    auto &cells = m_columns[column];
    if (static_cast<size_t>(row) >= cells.size()) {
        if (text.empty())
            return; // an unstored cell already reads as empty
        ensureStored(row);
    }
    cells[row] = std::move(text);
}

void CellGrid::swapCells(int column, int rowA, int rowB) {
    ensureStored(std::max(rowA, rowB));
    std::swap(m_columns[column][rowA], m_columns[column][rowB]);
}

std::string *CellGrid::columnData(int column, int endRow) {
    ensureStored(endRow);
    return m_columns[column].data() + 1;
}

void CellGrid::reserve(int rows) {
    for (auto &cells : m_columns)
        cells.reserve(static_cast<size_t>(rows));
}

void CellGrid::ensureStored(int row) {
    for (auto &cells : m_columns)
        if (static_cast<size_t>(row) >= cells.size())
            cells.resize(static_cast<size_t>(row) + 1);
}

} // namespace filvane
