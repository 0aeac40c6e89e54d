#include "core/plan/RunOrder.h"

#include "core/plan/NameClaims.h"

#include <algorithm>

namespace filvane {

namespace {

// A row moves when it gets its name, is not there already and is the one row of its file.
std::vector<char> movingRows(const std::vector<RowOutcome> &rows, const NameClaims &names) {
    std::vector<char> moves(rows.size(), 0);
    const int count = static_cast<int>(rows.size());
    for (int row = 0; row < count; ++row) {
        const int newAt = names.newNameOf(row), oldAt = names.oldNameOf(row);
        moves[row] = rows[row].outcome == RenameOutcome::Pending && names[newAt].claimant == row &&
                     newAt != oldAt && names[oldAt].holder == row;
    }
    return moves;
}

// By row: the row that must go before, the mover holding this row's new name, or -1.
std::vector<int> rowsBefore(const std::vector<char> &moves, const NameClaims &names) {
    std::vector<int> next(moves.size(), -1);
    const int count = static_cast<int>(moves.size());
    for (int row = 0; row < count; ++row) {
        const int holder = moves[row] ? names[names.newNameOf(row)].holder : -1;
        if (holder >= 0 && moves[holder])
            next[row] = holder;
    }
    return next;
}

enum : char { Unseen, OnPath, Placed };

// Follows the movers from `row` through the rows that must go before each, and adds what it
// found: a cycle it came back into as one unit, then the chain up to it from its end back.
void addPath(RunOrder &order, int row, const std::vector<int> &next, std::vector<char> &state,
             std::vector<int> &path) {
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

} // namespace

RunOrder planOrder(const std::vector<RowOutcome> &rows, const NameClaims &names) {
    const std::vector<char> moves = movingRows(rows, names);
    const std::vector<int> next = rowsBefore(moves, names);
    RunOrder order;
    order.rows.reserve(rows.size());
    order.units.reserve(rows.size()); // room that is never used costs nothing: it is not touched
    std::vector<char> state(rows.size(), Unseen);
    std::vector<int> path;
    const int count = static_cast<int>(rows.size());
    for (int row = 0; row < count; ++row) {
        if (rows[row].outcome != RenameOutcome::Pending || state[row] == Placed)
            continue;
        if (moves[row]) {
            addPath(order, row, next, state, path);
            continue;
        }
        const bool loses = names[names.newNameOf(row)].claimant != row;
        order.add(loses ? UnitKind::Lose : UnitKind::Rename, row);
        state[row] = Placed;
    }
    return order;
}

} // namespace filvane
