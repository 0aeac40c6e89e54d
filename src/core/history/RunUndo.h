#pragma once

#include "core/run/Rename.h"

#include <string>

namespace filvane {

// Takes back a finished run: each of its files found by inode under its new name gets its old
// name back, planned as any run (chains and rounds in reverse too), never replacing a file. A
// file renamed, deleted or replaced since is left alone: its row says so (RenamedSince with
// `nameNow`, ReplacedSince, or Failed with ENOENT). A file is taken for the run's only when its
// identity (FileIdentity) matches, checked on a descriptor just before each of its renames and
// again after: a file that took the inode number of a deleted one, or that was swapped in under
// the name meanwhile, is left alone and reported ReplacedSince. The undo is itself a run with its
// journal in `journalDirectory` (settings.journal is not used); undoing an undo redoes. Rows are in
// the order of the journal.
RenameResult undoRun(const std::string &journalDirectory, const std::string &id,
                     const RunSettings &settings = {});

} // namespace filvane
