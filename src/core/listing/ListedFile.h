#pragma once

#include <cstdint>

namespace filvane {

// A file as a listing of the folder found it.
struct ListedFile {
    std::uint64_t inode = 0; // 0: not found
    bool directory = false;
};

} // namespace filvane
