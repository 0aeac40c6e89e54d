#pragma once

#include "core/names/NameTools.h"

#include <span>
#include <string>
#include <vector>

namespace filvane {

// The number text of data row `row` (from 1) of `count` by `format`: what the lists show beside
// the row and what a run puts into its name. The one place row numbers are made.
std::string numberText(const NumberFormat &format, int row, int count);

// A grid of text cells addressed as (column, row): row 0 holds the captions, column 1 of the
// data rows the names. The row count only decides how many rows are in use: lowering it keeps
// the names beyond it, so raising it again shows what they held.
//
// Only the captions and the names are stored. Column 0 of a data row, where the lists show the
// row's number, holds no text here: how numbers read is an option of the renaming, not of the
// grid, so they are made where they are shown (NameLists::numberCell), and a listing of many
// files holds no number texts.
class CellGrid {
public:
    static constexpr int ColumnCount = 2;

    int rowCount() const { return m_rowCount; }
    void setRowCount(int rows);

    // Any cell; cells never written, and column 0 of the data rows, read as empty text.
    std::string cell(int column, int row) const;
    // A name (column 1) without a copy; row 0 is the caption.
    const std::string &name(int row) const;
    // Writes a caption or a name. Column 0 of a data row holds no text of its own: writing it
    // changes nothing.
    void setCell(int column, int row, std::string text);

    // Exchanges the names of two rows without copying them.
    void swapNames(int rowA, int rowB);

    // The names of rows 1 to `lastRow`, for bulk operations such as sorting; rows not yet stored
    // are created empty.
    std::span<std::string> names(int lastRow);
    // How many data rows have a name stored (the others read as empty).
    int storedNames() const { return static_cast<int>(m_names.size()); }
    // Makes `names` the names of rows 1 to names.size(), without copying them; names stored
    // beyond are dropped.
    void adoptNames(std::vector<std::string> names);

    // Room for `rows` rows (caption row included) without reallocating.
    void reserve(int rows);

private:
    void ensureStored(int row);

    int m_rowCount = 2;
    std::string m_captions[ColumnCount];
    std::vector<std::string> m_names; // row r at r - 1
};

} // namespace filvane
