#pragma once

#include "core/plan/RowOutcome.h"

#include <vector>

namespace filvane {

class NameClaims;

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

// Orders the pending rows so that a row whose new name is the old name of another row that
// moves comes after it. Each name is wanted by at most one row that moves and held by at most
// one, so the rows that move form chains and cycles: a chain is done from its end back to its
// start, a cycle as one unit. Everything else keeps the order of the list. Linear in the rows.
// `names` are the claims of `rows`.
RunOrder planOrder(const std::vector<RowOutcome> &rows, const NameClaims &names);

} // namespace filvane
