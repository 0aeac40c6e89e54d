#include "core/names/NameText.h"

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

namespace {

// The length of the blank `text` starts with (an ASCII blank or control, or a Unicode space
// in UTF-8), or 0.
size_t leadingBlank(std::string_view text) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    if (text.empty())
        return 0;
    if (byte(0) == ' ' || (byte(0) >= '\t' && byte(0) <= '\r'))
        return 1;
    if (text.size() >= 2 && byte(0) == 0xC2 && byte(1) == 0xA0) // no-break space
        return 2;
    if (text.size() < 3)
        return 0;
    const unsigned code = (byte(0) & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
    if ((byte(0) & 0xF0u) != 0xE0u || (byte(1) & 0xC0u) != 0x80u || (byte(2) & 0xC0u) != 0x80u)
        return 0;
    const bool space = code == 0x1680 || (code >= 0x2000 && code <= 0x200B) || code == 0x2028 ||
                       code == 0x2029 || code == 0x202F || code == 0x205F || code == 0x3000 ||
                       code == 0xFEFF;
    return space ? 3 : 0;
}

// The same at the end of `text`.
size_t trailingBlank(std::string_view text) {
    for (size_t length = 1; length <= 3 && length <= text.size(); ++length)
        if (leadingBlank(text.substr(text.size() - length)) == length)
            return length;
    return 0;
}

} // namespace

std::string_view trimBlanks(std::string_view text) {
    while (const size_t blank = leadingBlank(text))
        text.remove_prefix(blank);
    while (const size_t blank = trailingBlank(text))
        text.remove_suffix(blank);
    return text;
}

} // namespace filvane
