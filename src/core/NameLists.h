#pragma once

#include "CellGrid.h"

#include <string>
#include <string_view>
#include <vector>

namespace filvane {

// The read list (files found, numbered, sorted) and the new-name list (what each file is to be
// called), row for row. Row 0 of both is the caption row; data rows are 1 to fileCount. A list
// without files still shows one blank data row, so fileCount tells "no file" from "one file".
class NameLists {
public:
    static constexpr int MaxFiles = 65535;

    CellGrid &readList() { return m_read; }
    const CellGrid &readList() const { return m_read; }
    CellGrid &nameList() { return m_names; }
    const CellGrid &nameList() const { return m_names; }
    int fileCount() const { return m_fileCount; }

    // Fills the read list from the search (unsorted) and, while numbering, the number column of
    // the new-name list. Returns the extension of the last file listed (empty when none).
    std::string listDirectory(std::string_view searchPattern, bool numbering);

    // Orders the read list's names by their bytes, case-sensitively; numbers stay in place.
    void sortByName();
    // Exchanges the names (every column but the number) of two read-list rows.
    void swapNames(int rowA, int rowB);

    void clearNewNames();
    void fillNewNamesFromOldNames();
    void writeNumberColumn(bool numbering);
    // Empties every data row of both lists and leaves them with no file.
    void clearLists();

    // Writes `lines` into the new names from `firstRow` down, one line a row, without the blanks
    // and tabs around each; lines beyond the last row are dropped. Returns the rows written.
    int pasteNewNames(const std::vector<std::string> &lines, int firstRow);

    // Writes the caption of column `column` into row 0 of both lists.
    void setCaption(int column, const std::string &caption);

private:
    void setRowCount(int rows);

    CellGrid m_read;
    CellGrid m_names;
    int m_fileCount = 0;
};

} // namespace filvane
