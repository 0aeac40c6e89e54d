#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace filvane {

struct SubdirectoryListing {
    std::vector<std::string> names; // sorted without regard to case, bytes as stored
    int error = 0;                  // errno of a directory that could not be read, else 0
};

// The immediate subdirectories of `directory` (links to directories count). Hidden ones (a
// name beginning with ".") are left out, and so are "." and "..".
SubdirectoryListing listSubdirectories(std::string_view directory);

struct DirectoryOpening {
    std::string directory; // absolute, links resolved, no trailing "/" except the root "/"
    int error = 0;         // errno when it cannot be entered and listed, else 0
};

// Resolves `path` to the form the system gives back for a current directory and checks that it
// can be entered and read. Does not move the process's current directory.
DirectoryOpening resolveDirectory(std::string_view path);

// The process's current directory, or the root when the system cannot give it.
std::string currentDirectory();

// The names on the path below the root: "/music/rock" gives {"music", "rock"}; "/" none.
std::vector<std::string> pathComponents(std::string_view directory);

// The directory made of the root and the first `count` components of `directory`.
std::string ancestorDirectory(std::string_view directory, size_t count);

// A subdirectory of `directory`; no second separator after the root.
std::string childDirectory(std::string_view directory, std::string_view name);

} // namespace filvane
