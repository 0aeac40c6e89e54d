#pragma once

#include "core/Rename.h"

#include <string>
#include <vector>

namespace filvane {

// What a look at a run's plan finds before anything is renamed: the rows a user most likely
// did not mean as they stand.
enum class PreflightFinding {
    Unnamed,   // no new name typed: the file gets the number and extension alone
    Refused,   // the name cannot be a file name here; the file keeps its name
    Taken,     // a file outside the run has the name; the file keeps its name
    Duplicate, // an upper row composes the same name; this one keeps its name
    TooLong,   // longer than the file system allows; the file keeps its name
};

struct PreflightRow {
    int row = 0;
    PreflightFinding finding = PreflightFinding::Unnamed;
    std::string oldName;
    std::string newName;
    int otherRow = 0; // Duplicate: the upper row that gets the name
};

struct Preflight {
    int fileCount = 0;
    std::vector<PreflightRow> rows; // top to bottom
    int count(PreflightFinding finding) const;
    bool clean() const { return rows.empty(); }
};

// Looks at `plan` (from planRows over `input`) and at the folder. Unnamed rows are reported
// only where the names are typed (numbers only leaves every name blank on purpose).
Preflight checkPlan(const RenameInput &input, const std::vector<RowOutcome> &plan);

} // namespace filvane
