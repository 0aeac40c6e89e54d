#include "core/listing/DirectoryTree.h"

#include "core/base/Collation.h"
#include "core/base/DirectoryHandle.h"
#include "core/listing/DirectorySearch.h"
#include "core/listing/SearchPattern.h"
#include "core/listing/Wildcard.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane {

SubdirectoryListing listSubdirectories(std::string_view directory) {
    SubdirectoryListing result;
    const std::string path(directory);
    DirectoryHandle dir(path);
    if (!dir.isOpen()) {
        result.error = dir.openError();
        return result;
    }
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (!name.empty() && name.front() != '.' && isDirectoryEntry(dir.get(), entry))
            result.names.emplace_back(name);
    }
    result.error = dir.readError();
    // As people read them, the same order the file list offers: case and accents folded,
    // "Disc 2" before "Disc 10".
    sortNames(result.names, SortOrder::Natural);
    return result;
}

DirectoryOpening resolveDirectory(std::string_view path) {
    DirectoryOpening result;
    const std::string request(path);
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(request.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        result.error = errno;
        return result;
    }
    // Entering means listing here, so a directory that cannot be read is refused as well.
    const DirectoryHandle dir(resolved.get());
    if (!dir.isOpen()) {
        result.error = dir.openError();
        return result;
    }
    result.directory = resolved.get();
    return result;
}

std::string currentDirectory() {
    std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
    if (!cwd || cwd.get()[0] != PathSeparator)
        return std::string(RootDirectory);
    return cwd.get();
}

std::vector<std::string> pathComponents(std::string_view directory) {
    std::vector<std::string> components;
    while (!directory.empty()) {
        const auto separator = directory.find(PathSeparator);
        const std::string_view part = directory.substr(0, separator);
        if (!part.empty())
            components.emplace_back(part);
        if (separator == std::string_view::npos)
            break;
        directory.remove_prefix(separator + 1);
    }
    return components;
}

std::string ancestorDirectory(std::string_view directory, size_t count) {
    std::string result(RootDirectory);
    const std::vector<std::string> components = pathComponents(directory);
    for (size_t i = 0; i < count && i < components.size(); ++i)
        result = childDirectory(result, components[i]);
    return result;
}

std::string childDirectory(std::string_view directory, std::string_view name) {
    std::string result(directory);
    if (result.empty() || result.back() != PathSeparator)
        result += PathSeparator;
    result += name;
    return result;
}

} // namespace filvane
