#include "core/listing/DirectorySearch.h"

#include "core/base/DirectoryHandle.h"
#include "core/base/PrivateName.h"
#include "core/listing/SearchPattern.h"
#include "core/listing/Wildcard.h"

#include <algorithm>

#include <sys/stat.h>

namespace filvane {

namespace {

// Room for about as many entries as the directory holds, so the lists are not moved while they
// grow; the part a mask leaves unused is never touched and costs nothing. Many file systems give
// a directory a size that grows with its entries (tmpfs 20 bytes each, ext4 at least 12); on
// the others the guess is small and the lists grow as usual.
size_t expectedEntries(DIR *dir) {
    constexpr size_t BytesPerEntry = 16;
    constexpr size_t MostExpected = size_t(1) << 20;
    struct stat st;
    if (fstat(dirfd(dir), &st) != 0 || st.st_size <= 0)
        return 0;
    return std::min(static_cast<size_t>(st.st_size) / BytesPerEntry, MostExpected);
}

} // namespace

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
    const size_t expected = expectedEntries(dir.get());
    result.names.reserve(expected);
    result.files.reserve(expected);
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        // The program's own temporary names are never the user's files: a run cut off may have
        // left one, and only its recovery may move it.
        if (name == "." || name == ".." || isPrivateName(name))
            continue;
        if (entry->d_type == DT_DIR || !wildcard.matches(name) ||
            isDirectoryEntry(dir.get(), entry))
            continue;
        result.names.emplace_back(name);
        // d_ino is the entry's own inode (a link's, not its target's): the one a rename moves.
        result.files.push_back({static_cast<std::uint64_t>(entry->d_ino), false});
    }
    result.error = dir.readError();
    return result;
}

FileSearch findFiles(std::string_view pattern) {
    const PatternParts parts = splitSearchPattern(pattern);
    return findFiles(parts.directory, parts.mask);
}

} // namespace filvane
