#pragma once

#include "core/run/Rename.h"

// The run without its order, row by row top to bottom, where a row whose new name a lower row
// would free fails: what the engine's ordering is measured against. No journal, no check of
// the folder before it, and no look at what moved.
filvane::RowsWithNames renameRowsInListOrder(
    filvane::RenamePlan plan,
    filvane::NoReplaceRenamer::Method method = filvane::NoReplaceRenamer::Method::NoReplaceFlag,
    const filvane::RenameProgress &progress = {});
