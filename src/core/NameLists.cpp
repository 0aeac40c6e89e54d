#include "core/NameLists.h"

#include "core/DirectorySearch.h"
#include "core/NameText.h"

#include <algorithm>
#include <span>

namespace filvane {

std::string NameLists::listDirectory(std::string_view searchPattern, bool numbering) {
    FileSearch search = findFiles(searchPattern);
    std::string lastExtension = listNames(std::move(search.names), numbering);
    m_listError = search.error;
    return lastExtension;
}

std::string NameLists::listNames(std::vector<std::string> names, bool numbering) {
    setRowCount(2);
    m_listError = 0;
    m_tooManyFiles = names.size() > static_cast<size_t>(MaxFiles);
    if (m_tooManyFiles)
        names.clear();
    m_fileCount = static_cast<int>(names.size());
    if (names.empty()) {
        for (CellGrid *grid : {&m_read, &m_names}) {
            grid->setCell(0, 1, {});
            grid->setCell(1, 1, {});
        }
        return {};
    }
    m_read.reserve(m_fileCount + 2);
    m_names.reserve(m_fileCount + 2);
    int row = 0;
    for (std::string &name : names) {
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

void NameLists::sortByName(SortOrder order) {
    const int rows = m_read.rowCount();
    if (rows < 3)
        return;
    // Equal names are identical texts, so any correct sort gives the exchange sort's order.
    std::string *names = m_read.columnData(1, rows - 1);
    sortNames(std::span<std::string>(names, static_cast<size_t>(rows - 1)), order);
}

void NameLists::resort(SortOrder order) {
    if (m_fileCount < 2)
        return;
    const size_t count = static_cast<size_t>(m_fileCount);
    std::string *names = m_read.columnData(1, m_fileCount);
    std::string *typed = m_names.columnData(1, m_fileCount);
    const std::vector<std::uint32_t> sorted =
        sortedOrder(std::span<const std::string>(names, count), order);
    std::vector<std::string> newNames(count), newTyped(count);
    for (size_t k = 0; k < count; ++k) {
        newNames[k] = std::move(names[sorted[k]]);
        newTyped[k] = std::move(typed[sorted[k]]);
    }
    std::move(newNames.begin(), newNames.end(), names);
    std::move(newTyped.begin(), newTyped.end(), typed);
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
    m_tooManyFiles = false;
    m_listError = 0;
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
