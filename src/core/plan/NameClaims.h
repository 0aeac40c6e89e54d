#pragma once

#include "core/plan/RowOutcome.h"

#include <dirent.h>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

namespace filvane {

// Every name the pending rows of a plan mention, with the row whose file bears it and the row
// that gets it: a file already bearing its new name keeps it, else the upper row wins. Both the
// run and the look before it decide by these claims, so they cannot disagree. Open addressing
// over flat arrays, an entry knowing its name by the row it came from: two look-ups per row, no
// allocation per name, 12 bytes an entry.
class NameClaims {
public:
    struct Entry {
        int source = 0;    // 2 * row index, plus 1 for the row's new name
        int holder = -1;   // the (first) pending row with this old name
        int claimant = -1; // the row that gets this name
    };

    // `rows` must outlive the claims and keep their names.
    explicit NameClaims(const std::vector<RowOutcome> &rows);

    // The entry of a pending row's old or new name; -1 for a row that is not pending.
    int oldNameOf(int row) const { return m_oldAt[static_cast<size_t>(row)]; }
    int newNameOf(int row) const { return m_newAt[static_cast<size_t>(row)]; }
    // The entry of `name`, or -1 when no pending row mentions it.
    int find(std::string_view name) const;
    const Entry &operator[](int entry) const { return m_entries[static_cast<size_t>(entry)]; }
    // Entries are numbered from 0 to entryCount() - 1.
    size_t entryCount() const { return m_entries.size(); }

    // Whether a folder is better read whole than looked up name by name for `rows` rows: one
    // pass over a folder of many files costs less than a look-up for each of its rows.
    static bool worthReadingWhole(size_t rows) { return rows > 64; }
    // Reads the folder open at `directoryFd` once (through a descriptor of its own) and calls
    // `visit(entry, dirent)` for each of its entries whose name is claimed; false when the folder
    // could not be read whole, so that the caller looks up its names instead.
    bool visitFolder(int directoryFd,
                     const std::function<void(int entry, const dirent &found)> &visit) const;
    // The same for a folder whose claimed entries are likely to come in the order `expected`
    // (entries of these claims), or in its reverse, as tmpfs lists names by when they were
    // given: the next expected entry from either end is recognised by a comparison of its name,
    // any other entry is looked up.
    bool visitFolder(int directoryFd, std::span<const int> expected,
                     const std::function<void(int entry, const dirent &found)> &visit) const;

private:
    int index(int row, bool newName);
    std::string_view nameOf(int source) const;

    const std::vector<RowOutcome> &m_rows;
    std::vector<int> m_slots; // -1 or an index into m_entries
    std::vector<Entry> m_entries;
    std::vector<int> m_oldAt, m_newAt;
};

} // namespace filvane
