#include "NameLists.h"

#include "DirectorySearch.h"
#include "NameText.h"

#include <algorithm>

namespace filvane {

std::string NameLists::listDirectory(std::string_view searchPattern, bool numbering) {
    setRowCount(2);
    FileSearch search = findFiles(searchPattern);
    if (search.names.size() > static_cast<size_t>(MaxFiles))
        search.names.resize(MaxFiles);
    m_fileCount = static_cast<int>(search.names.size());
    if (search.names.empty()) {
        for (CellGrid *grid : {&m_read, &m_names}) {
            grid->setCell(0, 1, {});
            grid->setCell(1, 1, {});
        }
        return {};
    }
    m_read.reserve(m_fileCount + 2);
    m_names.reserve(m_fileCount + 2);
    int row = 0;
    for (std::string &name : search.names) {
        ++row;
        const std::string number = rowNumberText(row);
        m_read.setCell(1, row, std::move(name));
        m_read.setCell(0, row, number);
        if (numbering)
            m_names.setCell(0, row, number);
    }
    setRowCount(m_fileCount + 1);
    return std::string(extensionOf(m_read.cell(1, m_fileCount)));
}

void NameLists::sortByName() {
    const int rows = m_read.rowCount();
    if (rows < 3)
        return;
    // Equal names are identical texts, so any correct sort gives the exchange sort's order;
    // std::string compares bytes as unsigned values, which is the order wanted.
    std::string *names = m_read.columnData(1, rows - 1);
    std::sort(names, names + (rows - 1));
}

void NameLists::swapNames(int rowA, int rowB) {
    for (int column = 1; column < CellGrid::ColumnCount; ++column)
        m_read.swapCells(column, rowA, rowB);
}

void NameLists::clearNewNames() {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(1, row, {});
}

void NameLists::fillNewNamesFromOldNames() {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(1, row, std::string(nameBeforeFirstDot(m_read.cell(1, row))));
}

void NameLists::writeNumberColumn(bool numbering) {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(0, row, numbering ? rowNumberText(row) : std::string());
}

void NameLists::clearLists() {
    for (int row = 1; row < m_read.rowCount(); ++row) {
        for (CellGrid *grid : {&m_read, &m_names}) {
            grid->setCell(0, row, {});
            grid->setCell(1, row, {});
        }
    }
    setRowCount(2);
    m_fileCount = 0;
}

int NameLists::pasteNewNames(const std::vector<std::string> &lines, int firstRow) {
    int row = std::max(firstRow, 1);
    int written = 0;
    for (const std::string &line : lines) {
        if (row >= m_names.rowCount())
            break;
        m_names.setCell(1, row++, std::string(trimBlanks(line)));
        ++written;
    }
    return written;
}

void NameLists::setCaption(int column, const std::string &caption) {
    m_read.setCell(column, 0, caption);
    m_names.setCell(column, 0, caption);
}

void NameLists::setRowCount(int rows) {
    m_read.setRowCount(rows);
    m_names.setRowCount(rows);
}

} // namespace filvane
