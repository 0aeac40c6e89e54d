#include "core/plan/RunOrder.h"

#include "core/plan/NameClaims.h"

#include <algorithm>

namespace filvane {

RunOrder planOrder(const std::vector<RowOutcome> &rows, const NameClaims &names) {
    const int count = static_cast<int>(rows.size());
    const auto pending = [&](int row) { return rows[row].outcome == RenameOutcome::Pending; };
    const auto oldAt = [&](int row) { return names.oldNameOf(row); };
    const auto newAt = [&](int row) { return names.newNameOf(row); };

    // A row moves when it gets its name, is not there already and is the one row of its file.
    std::vector<char> moves(rows.size(), 0);
    for (int row = 0; row < count; ++row)
        moves[row] = pending(row) && names[newAt(row)].claimant == row &&
                     newAt(row) != oldAt(row) && names[oldAt(row)].holder == row;
    // The row that must go before: the mover holding this row's new name, or -1.
    std::vector<int> next(rows.size(), -1);
    for (int row = 0; row < count; ++row) {
        const int holder = moves[row] ? names[newAt(row)].holder : -1;
        if (holder >= 0 && moves[holder])
            next[row] = holder;
    }

    RunOrder order;
    order.rows.reserve(rows.size());
    order.units.reserve(rows.size()); // room that is never used costs nothing: it is not touched
    enum : char { Unseen, OnPath, Placed };
    std::vector<char> state(rows.size(), Unseen);
    std::vector<int> path;
    for (int row = 0; row < count; ++row) {
        if (!pending(row) || state[row] == Placed)
            continue;
        if (!moves[row]) {
            const bool loses = names[newAt(row)].claimant != row;
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

} // namespace filvane
