#include "core/DirectorySearch.h"

#include "core/DirectoryHandle.h"
#include "core/SearchPattern.h"
#include "core/Wildcard.h"

#include <sys/stat.h>

namespace filvane {

bool isDirectoryEntry(DIR *dir, const dirent *entry) {
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    // A link counts by its target; a dangling link is not a directory.
    struct stat st;
    return fstatat(dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

FileSearch findFiles(std::string_view directory, std::string_view mask) {
    FileSearch result;
    const WildcardMask wildcard(mask);
    const std::string path(directory.empty() ? std::string_view(".") : directory);
    DirectoryHandle dir(path);
    if (!dir.isOpen()) {
        result.error = dir.openError();
        return result;
    }
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR || !wildcard.matches(name) ||
            isDirectoryEntry(dir.get(), entry))
            continue;
        result.names.emplace_back(name);
    }
    result.error = dir.readError();
    return result;
}

FileSearch findFiles(std::string_view pattern) {
    const PatternParts parts = splitSearchPattern(pattern);
    return findFiles(parts.directory, parts.mask);
}

} // namespace filvane
