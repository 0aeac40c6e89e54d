#include "core/lists/CellGrid.h"

#include "core/names/NameText.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace filvane {

namespace {
const std::string emptyText;
}

std::string numberText(const NumberFormat &format, int row, int count) {
    return format.isDefault() ? rowNumberText(row) : formatNumber(format, row - 1, count);
}

void CellGrid::setRowCount(int rows) {
    assert(rows >= 0);
    m_rowCount = rows;
}

std::string CellGrid::cell(int column, int row) const {
    assert(column >= 0 && column < ColumnCount && row >= 0);
    if (row == 0)
        return m_captions[column];
    return column == 1 ? name(row) : std::string();
}

const std::string &CellGrid::name(int row) const {
    assert(row >= 0);
    if (row == 0)
        return m_captions[1];
    return static_cast<size_t>(row) <= m_names.size() ? m_names[row - 1] : emptyText;
}

void CellGrid::setCell(int column, int row, std::string text) {
    assert(column >= 0 && column < ColumnCount && row >= 0);
    if (row == 0) {
        m_captions[column] = std::move(text);
        return;
    }
    if (column == 0)
        return; // numbers are computed
    if (static_cast<size_t>(row) > m_names.size()) {
        if (text.empty())
            return; // an unstored cell already reads as empty
        ensureStored(row);
    }
    m_names[row - 1] = std::move(text);
}

void CellGrid::swapNames(int rowA, int rowB) {
    assert(rowA > 0 && rowB > 0);
    ensureStored(std::max(rowA, rowB));
    std::swap(m_names[rowA - 1], m_names[rowB - 1]);
}

std::span<std::string> CellGrid::names(int lastRow) {
    ensureStored(lastRow);
    return std::span<std::string>(m_names.data(), static_cast<size_t>(std::max(lastRow, 0)));
}

void CellGrid::adoptNames(std::vector<std::string> names) {
    m_names = std::move(names);
}

void CellGrid::reserve(int rows) {
    m_names.reserve(static_cast<size_t>(std::max(rows - 1, 0)));
}

void CellGrid::ensureStored(int row) {
    if (static_cast<size_t>(row) > m_names.size())
        m_names.resize(static_cast<size_t>(row));
}

} // namespace filvane
