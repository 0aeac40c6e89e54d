#include "Rename.h"

#include "CellGrid.h"
#include "NameText.h"
#include "NoReplaceRename.h"
#include "SearchPattern.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string_view>

namespace filvane {

std::string composeNewName(const RenameOptions &options, std::string_view oldName,
                           std::string_view readNumber, std::string_view nameNumber,
                           std::string_view typedName) {
    const std::string_view extension =
        options.keepExtension ? extensionOf(oldName) : std::string_view(options.chosenExtension);
    std::string name;
    if (options.numbersOnly) {
        name.reserve(readNumber.size() + extension.size());
        name += readNumber;
    } else {
        name.reserve(nameNumber.size() + 3 + typedName.size() + extension.size());
        if (options.numbering) {
            name += nameNumber;
            name += " - ";
        }
        name += typedName;
    }
    name += extension;
    return name;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find(PathSeparator) == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::vector<RowOutcome> planRows(const RenameInput &input) {
    std::vector<RowOutcome> rows;
    const int rowCount = input.nameList.rowCount();
    if (rowCount > 1)
        rows.reserve(static_cast<size_t>(rowCount - 1));
    for (int row = 1; row < rowCount; ++row) {
        RowOutcome &planned = rows.emplace_back();
        planned.row = row;
        planned.oldName = input.readList.cell(1, row);
        if (planned.oldName.empty())
            continue; // Blank
        planned.newName =
            composeNewName(input.options, planned.oldName, input.readList.cell(0, row),
                           input.nameList.cell(0, row), input.nameList.cell(1, row));
        const bool plain = isPlainFileName(planned.oldName) && isPlainFileName(planned.newName);
        planned.outcome = plain ? RenameOutcome::Pending : RenameOutcome::RefusedName;
    }
    return rows;
}

namespace {

// What the run does with one unit of its order.
enum class UnitKind {
    Rename, // one row, one no-replace rename
    Lose,   // one row whose new name an upper row (or a file keeping it) composes
    Cycle,  // rows whose names go round: each row's new name is the old name of the next, the
            // last's that of the first; they turn together or not at all
};

struct Unit {
    UnitKind kind;
    int begin; // into RunOrder::rows
    int end;
};

struct RunOrder {
    std::vector<int> rows; // indices of pending rows, in the order they are renamed
    std::vector<Unit> units;

    void add(UnitKind kind, int row) {
        const int begin = static_cast<int>(rows.size());
        rows.push_back(row);
        units.push_back({kind, begin, begin + 1});
    }
};

// Every name the rows mention, with the row whose file bears it and the row that gets it. Open
// addressing over flat arrays: two look-ups per row and no allocation per name, so the plan
// stays a small part of a run even on tmpfs.
class NameTable {
public:
    struct Entry {
        std::string_view name;
        int holder = -1;   // the (first) pending row with this old name
        int claimant = -1; // the row that gets this name
        bool kept = false; // claimed by a row whose file bears the name already
    };

    explicit NameTable(size_t maxNames) {
        size_t capacity = 16;
        while (capacity < 2 * maxNames)
            capacity *= 2;
        m_slots.assign(capacity, -1);
        m_entries.reserve(maxNames);
    }

    // The entry of `name`, added when new. The view must outlive the table.
    int index(std::string_view name) {
        const size_t mask = m_slots.size() - 1;
        for (size_t at = std::hash<std::string_view>{}(name)&mask;; at = (at + 1) & mask) {
            if (m_slots[at] < 0) {
                m_slots[at] = static_cast<int>(m_entries.size());
                m_entries.push_back({name});
                return m_slots[at];
            }
            if (m_entries[m_slots[at]].name == name)
                return m_slots[at];
        }
    }
    Entry &operator[](int index) { return m_entries[index]; }

private:
    std::vector<int> m_slots; // -1 or an index into m_entries
    std::vector<Entry> m_entries;
};

// Orders the pending rows so that a row whose new name is the old name of another row that
// moves comes after it. Each name is wanted by at most one row that moves and held by at most
// one, so the rows that move form chains and cycles: a chain is done from its end back to its
// start, a cycle as one unit. Everything else keeps the order of the list. Linear in the rows.
RunOrder planOrder(const std::vector<RowOutcome> &rows) {
    const int count = static_cast<int>(rows.size());
    const auto pending = [&](int row) { return rows[row].outcome == RenameOutcome::Pending; };
    NameTable names(2 * rows.size());
    std::vector<int> oldAt(rows.size(), -1), newAt(rows.size(), -1);
    for (int row = 0; row < count; ++row) {
        if (!pending(row))
            continue;
        oldAt[row] = names.index(rows[row].oldName);
        if (names[oldAt[row]].holder < 0)
            names[oldAt[row]].holder = row;
    }
    for (int row = 0; row < count; ++row) {
        if (!pending(row))
            continue;
        newAt[row] = names.index(rows[row].newName);
        NameTable::Entry &name = names[newAt[row]];
        if (newAt[row] == oldAt[row]) {
            // A file already bearing its new name keeps it, whatever the rows above compose.
            if (!name.kept)
                name.claimant = row;
            name.kept = true;
        } else if (name.claimant < 0) {
            name.claimant = row; // the upper row wins
        }
    }

    // A row moves when it gets its name, is not there already and is the one row of its file.
    std::vector<char> moves(rows.size(), 0);
    for (int row = 0; row < count; ++row)
        moves[row] = pending(row) && names[newAt[row]].claimant == row &&
                     newAt[row] != oldAt[row] && names[oldAt[row]].holder == row;
    // The row that must go before: the mover holding this row's new name, or -1.
    std::vector<int> next(rows.size(), -1);
    for (int row = 0; row < count; ++row) {
        const int holder = moves[row] ? names[newAt[row]].holder : -1;
        if (holder >= 0 && moves[holder])
            next[row] = holder;
    }

    RunOrder order;
    order.rows.reserve(rows.size());
    enum : char { Unseen, OnPath, Placed };
    std::vector<char> state(rows.size(), Unseen);
    std::vector<int> path;
    for (int row = 0; row < count; ++row) {
        if (!pending(row) || state[row] == Placed)
            continue;
        if (!moves[row]) {
            const bool loses = names[newAt[row]].claimant != row;
            order.add(loses ? UnitKind::Lose : UnitKind::Rename, row);
            state[row] = Placed;
            continue;
        }
        path.clear();
        int at = row;
        for (; at >= 0 && state[at] == Unseen; at = next[at]) {
            state[at] = OnPath;
            path.push_back(at);
        }
        size_t chainEnd = path.size();
        if (at >= 0 && state[at] == OnPath) {
            // Back on this path: from `at` on it is a cycle. Only a row nothing points to can
            // start a path into a cycle, and none does, so in practice the cycle is the path.
            chainEnd = static_cast<size_t>(std::find(path.begin(), path.end(), at) - path.begin());
            const int begin = static_cast<int>(order.rows.size());
            order.rows.insert(order.rows.end(), path.begin() + chainEnd, path.end());
            order.units.push_back({UnitKind::Cycle, begin, static_cast<int>(order.rows.size())});
        }
        for (size_t i = chainEnd; i-- > 0;)
            order.add(UnitKind::Rename, path[i]);
        for (int placed : path)
            state[placed] = Placed;
    }
    return order;
}

// Where a cycle stopped: the error, the row (index into the cycle) it is the error of, and
// whether every file of the cycle is back under its old name.
struct CycleFailure {
    int error = 0;
    size_t at = 0;
    bool restored = true;
};

// names[i] is the old name of cycle row i and the new name of row i - 1. Exchanging the first
// name with each other name in turn moves one file to its new name each time: k - 1
// exchanges for k files. A failure swaps back what was swapped.
CycleFailure exchangeRound(NoReplaceRenamer &renamer, const std::vector<std::string> &names) {
    for (size_t j = 1; j < names.size(); ++j) {
        const int error = renamer.exchange(names[0], names[j]);
        if (error == 0)
            continue;
        bool restored = true;
        for (size_t back = j - 1; back >= 1 && restored; --back)
            restored = renamer.exchange(names[0], names[back]) == 0;
        return {error, j, restored};
    }
    return {};
}

// Without an exchange: the first file steps aside to a name nobody has, the others each move
// into the name just freed, last to second, and the first file takes its new name last.
CycleFailure temporaryNameRound(NoReplaceRenamer &renamer, const std::vector<std::string> &names) {
    const size_t k = names.size();
    std::string aside;
    if (const int error = renamer.renameToUnusedName(names[0], aside))
        return {error, 0, true};
    // Moves the files of rows from..k-1 back, then the first file from its temporary name.
    const auto restore = [&](size_t from) {
        bool restored = true;
        for (size_t i = from; i < k && restored; ++i)
            restored = renamer.rename(names[(i + 1) % k], names[i]) == 0;
        return restored && renamer.rename(aside, names[0]) == 0;
    };
    for (size_t i = k - 1; i >= 1; --i) {
        if (const int error = renamer.rename(names[i], names[(i + 1) % k]))
            return {error, i, restore(i + 1)};
    }
    if (const int error = renamer.rename(aside, names[1]))
        return {error, 0, restore(1)};
    return {};
}

void turnCycle(NoReplaceRenamer &renamer, std::vector<RowOutcome> &rows,
               const std::vector<int> &cycle) {
    if (const int error = renamer.openError()) {
        for (int row : cycle) {
            rows[row].outcome = RenameOutcome::Failed;
            rows[row].error = error;
        }
        return;
    }
    std::vector<std::string> names;
    names.reserve(cycle.size());
    for (int row : cycle)
        names.push_back(rows[row].oldName);
    CycleFailure failure{NoReplaceRenamer::ExchangeRefused};
    if (!renamer.exchangeRefused())
        failure = exchangeRound(renamer, names);
    if (failure.error == NoReplaceRenamer::ExchangeRefused && failure.restored)
        failure = temporaryNameRound(renamer, names);

    for (int row : cycle) {
        rows[row].outcome = failure.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
        // The others could not move because the files holding their new names did not.
        rows[row].error = failure.error == 0 ? 0 : EEXIST;
    }
    if (failure.error == 0)
        return;
    rows[cycle[failure.at]].error = failure.error;
    if (failure.error != ENOENT || !failure.restored)
        return;
    // A file of the cycle has gone, so its name is free: the rest is a chain ending there,
    // done from that row backwards, each row on its own.
    const size_t k = cycle.size();
    for (size_t step = 1; step < k; ++step) {
        RowOutcome &row = rows[cycle[(failure.at + k - step) % k]];
        row.error = renamer.rename(row.oldName, row.newName);
        row.outcome = row.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
    }
}

int countPending(const std::vector<RowOutcome> &rows) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const auto &row) {
        return row.outcome == RenameOutcome::Pending;
    }));
}

void renameOne(NoReplaceRenamer &renamer, RowOutcome &row) {
    row.error = renamer.rename(row.oldName, row.newName);
    row.outcome = row.error == 0 ? RenameOutcome::Renamed : RenameOutcome::Failed;
}

} // namespace

std::vector<RowOutcome> renameRows(const RenameInput &input, NoReplaceRenamer::Method method,
                                   const RenameProgress &progress) {
    std::vector<RowOutcome> rows = planRows(input);
    const int total = countPending(rows);
    const RunOrder order = planOrder(rows);
    NoReplaceRenamer renamer(input.directory, method);
    int done = 0;
    std::vector<int> cycle;
    for (const Unit &unit : order.units) {
        switch (unit.kind) {
        case UnitKind::Rename:
            renameOne(renamer, rows[order.rows[unit.begin]]);
            break;
        case UnitKind::Lose: {
            // Never tried, so the lower row keeps its name even when the upper one fails.
            RowOutcome &row = rows[order.rows[unit.begin]];
            row.outcome = RenameOutcome::Failed;
            row.error = renamer.openError() ? renamer.openError() : EEXIST;
            break;
        }
        case UnitKind::Cycle:
            cycle.assign(order.rows.begin() + unit.begin, order.rows.begin() + unit.end);
            turnCycle(renamer, rows, cycle);
            break;
        }
        done += unit.end - unit.begin;
        if (progress && !progress(done, total))
            break;
    }
    return rows;
}

std::vector<RowOutcome> renameRowsInListOrder(const RenameInput &input,
                                              NoReplaceRenamer::Method method,
                                              const RenameProgress &progress) {
    std::vector<RowOutcome> rows = planRows(input);
    const int total = countPending(rows);
    NoReplaceRenamer renamer(input.directory, method);
    int done = 0;
    for (RowOutcome &row : rows) {
        if (row.outcome != RenameOutcome::Pending)
            continue;
        renameOne(renamer, row);
        if (progress && !progress(++done, total))
            break;
    }
    return rows;
}

} // namespace filvane
