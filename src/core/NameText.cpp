#include "core/NameText.h"

#include <algorithm>

namespace filvane {

std::string rowNumberText(int row) {
    std::string text = std::to_string(row);
    if (text.size() == 1)
        text.insert(text.begin(), '0');
    return text;
}

std::string_view extensionOf(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

std::string_view nameBeforeFirstDot(std::string_view name) {
    const auto dot = name.find('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(0, dot);
}

std::string itemCountText(std::string_view itemsLabel, int count) {
    std::string text(itemsLabel);
    text += ' ';
    text += std::to_string(count);
    return text;
}

std::string_view trimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace filvane
