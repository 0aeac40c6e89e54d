#pragma once

#include <string>
#include <vector>

namespace filvane {

// A grid of text cells addressed as (column, row). The row count only decides how many rows
// are in use: lowering it keeps the cells beyond it, so raising it again shows what they held.
class CellGrid {
public:
    static constexpr int ColumnCount = 2;

    int rowCount() const { return m_rowCount; }
    void setRowCount(int rows);

    // Cells never written read as empty text.
    const std::string &cell(int column, int row) const;
    void setCell(int column, int row, std::string text);

    // Exchanges the texts of two cells of one column without copying them.
    void swapCells(int column, int rowA, int rowB);

    // The stored cells of one column from row 1 up to (not including) `endRow`, for bulk
    // operations such as sorting; rows not yet stored are created empty.
    std::string *columnData(int column, int endRow);

    // Room for `rows` rows without reallocating.
    void reserve(int rows);

private:
    void ensureStored(int row);

    int m_rowCount = 2;
    std::vector<std::string> m_columns[ColumnCount];
};

} // namespace filvane
