#include "core/lists/NameLists.h"

#include "core/listing/DirectorySearch.h"
#include "core/names/NameText.h"

#include <algorithm>
#include <span>
#include <utility>

namespace filvane {

namespace {

// Puts element from[k] at k by exchanging rows along each cycle of the permutation: every
// array is reordered in place, with no second copy of it. A placed slot points to itself.
template <typename SwapRows> void permute(std::vector<std::uint32_t> &from, SwapRows swapRows) {
    for (std::uint32_t start = 0; start < from.size(); ++start) {
        std::uint32_t slot = start;
        while (from[slot] != start) {
            const std::uint32_t source = from[slot];
            swapRows(slot, source);
            from[slot] = slot;
            slot = source;
        }
        from[slot] = slot;
    }
}

} // namespace

std::string NameLists::listDirectory(std::string_view searchPattern) {
    FileSearch search = findFiles(searchPattern);
    std::string lastExtension = listNames(std::move(search.names), std::move(search.files));
    m_listError = search.error;
    return lastExtension;
}

std::vector<std::string> NameLists::typedNames() const {
    std::vector<std::string> names;
    names.reserve(static_cast<size_t>(m_fileCount));
    for (int row = 1; row <= m_fileCount; ++row)
        names.emplace_back(typedName(row));
    return names;
}

std::string NameLists::listNames(std::vector<std::string> names, std::vector<ListedFile> files) {
    setRowCount(2);
    m_listError = 0;
    m_tooManyFiles = names.size() > static_cast<size_t>(MaxFiles);
    if (m_tooManyFiles)
        names = {};
    if (files.size() != names.size())
        files = {};
    m_fileCount = static_cast<int>(names.size());
    m_files = std::move(files);
    // The read list takes the names as they are: no copy, and no number texts beside them.
    m_read.adoptNames(std::move(names));
    if (m_fileCount == 0) {
        m_names.setCell(1, 1, {});
        return {};
    }
    setRowCount(m_fileCount + 1);
    return std::string(extensionOf(m_read.name(m_fileCount)));
}

void NameLists::sortByName(SortOrder order) {
    const int rows = m_read.rowCount();
    if (rows < 3)
        return;
    const std::span<std::string> names = m_read.names(rows - 1);
    if (m_files.size() != names.size()) {
        // Equal names are identical texts, so any correct sort gives the exchange sort's order.
        sortNames(names, order);
        return;
    }
    std::vector<std::uint32_t> from = sortedOrder(names, order);
    permute(from, [&](std::uint32_t a, std::uint32_t b) {
        std::swap(names[a], names[b]);
        std::swap(m_files[a], m_files[b]);
    });
}

void NameLists::resort(SortOrder order) {
    if (m_fileCount < 2)
        return;
    reorder(sortedOrder(m_read.names(m_fileCount), order));
}

void NameLists::reorder(std::vector<std::uint32_t> from) {
    if (m_fileCount < 2 || from.size() != static_cast<size_t>(m_fileCount))
        return;
    const std::span<std::string> names = m_read.names(m_fileCount);
    // Typed names go with their files; a list nothing was typed into has none to move.
    const std::span<std::string> typed =
        m_names.storedNames() > 0 ? m_names.names(m_fileCount) : std::span<std::string>();
    const bool files = m_files.size() == names.size();
    permute(from, [&](std::uint32_t a, std::uint32_t b) {
        std::swap(names[a], names[b]);
        if (!typed.empty())
            std::swap(typed[a], typed[b]);
        if (files)
            std::swap(m_files[a], m_files[b]);
    });
}

void NameLists::swapNames(int rowA, int rowB) {
    m_read.swapNames(rowA, rowB);
    const size_t a = static_cast<size_t>(rowA - 1), b = static_cast<size_t>(rowB - 1);
    if (a < m_files.size() && b < m_files.size())
        std::swap(m_files[a], m_files[b]);
}

bool NameLists::moveRows(const std::vector<int> &rows, int delta, Moving moving) {
    if (rows.empty() || (delta != -1 && delta != 1) || !std::is_sorted(rows.begin(), rows.end()) ||
        rows.front() < 1 || rows.back() > m_fileCount)
        return false;
    if ((delta < 0 && rows.front() == 1) || (delta > 0 && rows.back() == m_fileCount))
        return false;
    const auto swapRows = [&](int a, int b) {
        if (moving == Moving::Files) {
            swapNames(a, b);
        } else {
            m_names.swapNames(a, b);
        }
    };
    // Each selected row trades places with its neighbour on the side it moves to; walking from
    // that side lets a block of rows move together.
    if (delta < 0)
        for (int row : rows)
            swapRows(row, row - 1);
    else
        for (auto row = rows.rbegin(); row != rows.rend(); ++row)
            swapRows(*row, *row + 1);
    return true;
}

void NameLists::clearNewNames() {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(1, row, {});
}

void NameLists::fillNewNamesFromOldNames() {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(1, row, std::string(nameBeforeFirstDot(m_read.name(row))));
}

void NameLists::fillNewNamesFromOldNamesStripped() {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(1, row, oldNameStem(m_read.name(row)));
}

std::string NameLists::numberCell(Side side, int row, const NumberFormat &format,
                                  bool numbering) const {
    if (row < 1 || row > m_fileCount || (side == Side::NewNames && !numbering))
        return {};
    return numberText(format, row, m_fileCount);
}

void NameLists::clearLists() {
    for (int row = 1; row < m_names.rowCount(); ++row)
        m_names.setCell(1, row, {});
    m_read.adoptNames({});
    m_files = {};
    setRowCount(2);
    m_fileCount = 0;
    m_tooManyFiles = false;
    m_listError = 0;
}

int NameLists::pasteNewNames(std::string_view text, int firstRow) {
    int row = std::max(firstRow, 1);
    int written = 0;
    forEachLine(text, [&](std::string_view line) {
        if (row >= m_names.rowCount())
            return false;
        m_names.setCell(1, row++, std::string(trimBlanks(line)));
        ++written;
        return true;
    });
    return written;
}

NameLists::TypedNames NameLists::takeTypedNames() {
    TypedNames typed;
    const int stored = std::min(m_names.storedNames(), m_fileCount);
    if (stored <= 0)
        return typed;
    const std::span<std::string> names = m_names.names(stored);
    if (std::all_of(names.begin(), names.end(), [](const auto &name) { return name.empty(); }))
        return typed;
    const bool known = m_files.size() == static_cast<size_t>(m_fileCount);
    // A file listed twice (two links to it) is told apart by its name.
    std::unordered_map<std::uint64_t, int> seen;
    if (known)
        for (int row = 0; row < m_fileCount; ++row)
            ++seen[m_files[static_cast<size_t>(row)].inode];
    for (int row = 0; row < stored; ++row) {
        std::string &name = names[static_cast<size_t>(row)];
        if (name.empty())
            continue;
        const std::uint64_t inode = known ? m_files[static_cast<size_t>(row)].inode : 0;
        if (inode != 0 && seen[inode] == 1)
            typed.byFile.emplace(inode, std::move(name));
        else
            typed.byName.emplace(m_read.name(row + 1), std::move(name));
        name.clear();
    }
    return typed;
}

void NameLists::giveBackTypedNames(TypedNames typed) {
    clearNewNames();
    if (typed.byFile.empty() && typed.byName.empty())
        return;
    const bool known = m_files.size() == static_cast<size_t>(m_fileCount);
    for (int row = 1; row <= m_fileCount; ++row) {
        const std::uint64_t inode = known ? m_files[static_cast<size_t>(row) - 1].inode : 0;
        if (const auto found = typed.byFile.find(inode); inode != 0 && found != typed.byFile.end())
            m_names.setCell(1, row, std::move(found->second));
        else if (const auto named = typed.byName.find(m_read.name(row));
                 named != typed.byName.end())
            m_names.setCell(1, row, std::move(named->second));
    }
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
