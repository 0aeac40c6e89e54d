#include "core/base/DirectoryIdentity.h"

#include <sys/stat.h>

namespace filvane {

std::optional<DirectoryIdentity> directoryIdentity(const std::string &path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return DirectoryIdentity{static_cast<std::uint64_t>(st.st_dev),
                             static_cast<std::uint64_t>(st.st_ino)};
}

} // namespace filvane
