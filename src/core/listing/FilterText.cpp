#include "core/listing/FilterText.h"

namespace filvane {

std::vector<FilterEntry> parseFilterText(std::string_view text) {
    std::vector<FilterEntry> entries;
    for (auto bar = text.find('|'); bar != std::string_view::npos; bar = text.find('|')) {
        FilterEntry entry;
        entry.description = std::string(text.substr(0, bar));
        text.remove_prefix(bar + 1);
        const auto maskEnd = text.find('|');
        entry.mask = std::string(text.substr(0, maskEnd));
        text.remove_prefix(maskEnd == std::string_view::npos ? text.size() : maskEnd + 1);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string filterMask(const std::vector<FilterEntry> &entries, int selected) {
    if (entries.empty())
        return std::string(AllFilesMask);
    if (selected < 0 || static_cast<size_t>(selected) >= entries.size())
        return entries.back().mask;
    return entries[static_cast<size_t>(selected)].mask;
}

} // namespace filvane
