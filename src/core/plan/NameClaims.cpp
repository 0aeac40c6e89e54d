#include "core/plan/NameClaims.h"

#include "core/base/DirectoryHandle.h"

#include <functional>

namespace filvane {

NameClaims::NameClaims(const std::vector<RowOutcome> &rows)
    : m_rows(rows), m_oldAt(rows.size(), -1), m_newAt(rows.size(), -1) {
    const size_t maxNames = 2 * rows.size();
    size_t capacity = 16;
    while (capacity < 2 * maxNames)
        capacity *= 2;
    m_slots.assign(capacity, -1);
    m_entries.reserve(maxNames);

    const int count = static_cast<int>(rows.size());
    const auto pending = [&](int row) { return rows[row].outcome == RenameOutcome::Pending; };
    for (int row = 0; row < count; ++row) {
        if (!pending(row))
            continue;
        const int old = m_oldAt[row] = index(row, false);
        if (m_entries[old].holder < 0)
            m_entries[old].holder = row;
    }
    // Names claimed by a row whose file bears the name already.
    std::vector<bool> kept(m_entries.capacity());
    for (int row = 0; row < count; ++row) {
        if (!pending(row))
            continue;
        const int wanted = m_newAt[row] = index(row, true);
        Entry &name = m_entries[wanted];
        if (wanted == m_oldAt[row]) {
            // A file already bearing its new name keeps it, whatever the rows above compose.
            if (!kept[wanted])
                name.claimant = row;
            kept[wanted] = true;
        } else if (name.claimant < 0) {
            name.claimant = row; // the upper row wins
        }
    }
}

std::string_view NameClaims::nameOf(int source) const {
    const RowOutcome &row = m_rows[static_cast<size_t>(source / 2)];
    return source % 2 ? row.newName : row.oldName;
}

int NameClaims::index(int row, bool newName) {
    const int source = 2 * row + (newName ? 1 : 0);
    const std::string_view name = nameOf(source);
    const size_t mask = m_slots.size() - 1;
    for (size_t at = std::hash<std::string_view>{}(name)&mask;; at = (at + 1) & mask) {
        if (m_slots[at] < 0) {
            m_slots[at] = static_cast<int>(m_entries.size());
            m_entries.push_back({source});
            return m_slots[at];
        }
        if (nameOf(m_entries[m_slots[at]].source) == name)
            return m_slots[at];
    }
}

int NameClaims::find(std::string_view name) const {
    const size_t mask = m_slots.size() - 1;
    for (size_t at = std::hash<std::string_view>{}(name)&mask;; at = (at + 1) & mask) {
        if (m_slots[at] < 0 || nameOf(m_entries[m_slots[at]].source) == name)
            return m_slots[at];
    }
}

bool NameClaims::visitFolder(int directoryFd,
                             const std::function<void(int, const dirent &)> &visit) const {
    DirectoryHandle dir = DirectoryHandle::ofDescriptor(directoryFd);
    if (!dir.isOpen())
        return false;
    while (const dirent *entry = dir.next())
        if (const int name = find(entry->d_name); name >= 0)
            visit(name, *entry);
    return dir.readError() == 0;
}

} // namespace filvane
