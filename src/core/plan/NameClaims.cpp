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
    return visitFolder(directoryFd, {}, visit);
}

bool NameClaims::visitFolder(int directoryFd, std::span<const int> expected,
                             const std::function<void(int, const dirent &)> &visit) const {
    DirectoryHandle dir = DirectoryHandle::ofDescriptor(directoryFd);
    if (!dir.isOpen())
        return false;
    // The expected entries not met yet are expected[first] ... expected[end - 1]. Names in a
    // folder are unique, so an equal name is the entry a look-up would find.
    size_t first = 0, end = expected.size();
    const auto expectedAt = [&](size_t at, std::string_view name) {
        return nameOf(m_entries[static_cast<size_t>(expected[at])].source) == name;
    };
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (first < end && expectedAt(first, name))
            visit(expected[first++], *entry);
        else if (first < end && expectedAt(end - 1, name))
            visit(expected[--end], *entry);
        else if (const int found = find(name); found >= 0)
            visit(found, *entry);
    }
    return dir.readError() == 0;
}

} // namespace filvane
