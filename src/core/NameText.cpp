#include "NameText.h"

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

} // namespace filvane
