#pragma once

#include "core/plan/RenamePlan.h"

namespace filvane {

// Looks at `plan` and at its folder, once, and writes what it finds into `plan.preflight`:
// rows without a new name, refused, taken, duplicate or too long names. Who gets which name is
// decided as the run decides it.
void checkPlan(RenamePlan &plan);

} // namespace filvane
