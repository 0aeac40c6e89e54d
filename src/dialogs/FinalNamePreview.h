#pragma once

#include "core/names/NameTools.h"

#include <QString>

#include <functional>
#include <string>

// What row `row` of the lists (from 0) would be called with `typed` as its new name and
// `numbers` as the number format (null: the one in use), composed where the run composes it (by
// whoever opens the dialog) and shown as every view shows a final name. A preview asks only for the
// rows it shows.
using FinalNamePreview =
    std::function<QString(int row, const std::string &typed, const filvane::NumberFormat *numbers)>;
