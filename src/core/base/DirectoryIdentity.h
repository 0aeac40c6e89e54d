#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace filvane {

// Which directory a path led to: its device and inode. A run compares the folder it opens with
// the one that was listed.
struct DirectoryIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const DirectoryIdentity &) const = default;
};

// The identity of the directory at `path` (links followed), or none when it is no directory.
std::optional<DirectoryIdentity> directoryIdentity(const std::string &path);

} // namespace filvane
