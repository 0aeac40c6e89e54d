#pragma once

#include <string_view>

namespace filvane {

// The names this program gives a file for a moment while it renames (".filvane-PID-N.tmp"):
// hidden, and never a name a user would type. Listings, journals and recovery recognise them.
inline constexpr std::string_view PrivateNamePrefix = ".filvane-", PrivateNameSuffix = ".tmp";

inline bool isPrivateName(std::string_view name) {
    return name.size() > PrivateNamePrefix.size() + PrivateNameSuffix.size() &&
           name.starts_with(PrivateNamePrefix) && name.ends_with(PrivateNameSuffix);
}

} // namespace filvane
