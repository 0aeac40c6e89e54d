#pragma once

#include "core/plan/RenamePlan.h"

namespace filvane {

// Looks at `plan` and at its folder, once, and writes what it finds into `plan.preflight`:
// rows without a new name, refused, taken, duplicate or too long names, and names held by a file
// that keeps its own. Who gets which name is decided as the run decides it, and the rows are
// looked at in the run's own order of moves, so that every row the run would fail or leave, a
// chain or a round behind a row that fails included, is a finding.
void checkPlan(RenamePlan &plan);

} // namespace filvane
