#include "DirectorySearch.h"

#include "SearchPattern.h"
#include "Wildcard.h"

#include <cerrno>
#include <dirent.h>
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
    DIR *dir = opendir(path.c_str());
    if (!dir) {
        result.error = errno;
        return result;
    }
    // readdir tells its end from its failure only through errno, which the link lookups of
    // isDirectoryEntry also set (a dangling link): clear it before every read.
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir);
        if (!entry) {
            result.error = errno;
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR || !wildcard.matches(name) || isDirectoryEntry(dir, entry))
            continue;
        result.names.emplace_back(name);
    }
    closedir(dir);
    return result;
}

FileSearch findFiles(std::string_view pattern) {
    const PatternParts parts = splitSearchPattern(pattern);
    return findFiles(parts.directory, parts.mask);
}

} // namespace filvane
