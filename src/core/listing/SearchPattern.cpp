#include "core/listing/SearchPattern.h"

namespace filvane {

std::string joinSearchPattern(std::string_view directory, std::string_view mask) {
    std::string pattern(directory);
    if (pattern.empty() || pattern.back() != PathSeparator)
        pattern += PathSeparator;
    if (mask.find(PathSeparator) == std::string_view::npos)
        pattern += mask;
    return pattern;
}

std::string relistPattern(std::string_view directory, std::string_view chosenExtension) {
    if (directory.empty())
        return {};
    std::string mask = "*";
    mask += chosenExtension;
    return joinSearchPattern(directory, mask);
}

PatternParts splitSearchPattern(std::string_view pattern) {
    const auto last = pattern.rfind(PathSeparator);
    if (last == std::string_view::npos)
        return {{}, std::string(pattern)};
    std::string_view directory = pattern.substr(0, last);
    while (!directory.empty() && directory.back() == PathSeparator)
        directory.remove_suffix(1);
    if (directory.empty())
        directory = RootDirectory;
    return {std::string(directory), std::string(pattern.substr(last + 1))};
}

} // namespace filvane
