#pragma once

#include "core/listing/SearchPattern.h"

#include <string>
#include <string_view>
#include <vector>

namespace filvane {

struct FilterEntry {
    std::string description;
    std::string mask;
};

// The read dialog's filter list as one text: descriptions and masks alternate, bar-separated.
inline constexpr std::string_view ReadFilterText =
    "All files (*.*)|*.*|MP3 files|*.mp3|TIFF images|*.tiff|TIF images|*.tif|GIF images|*.gif|"
    "JPG images|*.jpg|HTML files|*.html|HTM files|*.htm|Bitmap files|*.bmp|Turbo C|*.c|"
    "Borland C++|*.cpp|Borland Pascal|*.pas|Basic|*.bas|DBase|*.dbf";

// Splits a filter text into entries. Each entry needs a bar after its description; the mask
// runs to the next bar or to the end. A trailing description with no bar behind it is dropped,
// and a text without any bar gives no entries.
std::vector<FilterEntry> parseFilterText(std::string_view text);

// The mask of entry `selected`. With no valid selection the last entry counts (the list selects
// it first); with no entries at all every file does.
std::string filterMask(const std::vector<FilterEntry> &entries, int selected);

} // namespace filvane
