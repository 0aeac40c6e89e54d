#pragma once

#include "core/listing/ListedFile.h"

#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>

namespace filvane {

// Whether an entry read from `dir` is a directory; a link counts by its target, so a link to a
// directory is one and a dangling link is not.
bool isDirectoryEntry(DIR *dir, const dirent *entry);

struct FileSearch {
    std::vector<std::string> names; // in the order the directory gives them, bytes as stored
    std::vector<ListedFile> files;  // each name's file, index for index (never a directory)
    int error = 0;                  // errno of a directory that could not be read, else 0
};

// Every entry of the directory that is not itself a directory (regular files, links whose
// target is not a directory, dangling links, devices, sockets, ...), filtered by the mask.
// "." and ".." never, nor the program's own temporary names (".filvane-*.tmp"); other names
// beginning with "." are listed.
FileSearch findFiles(std::string_view directory, std::string_view mask);

// The same for a search pattern: directory and mask in one path.
FileSearch findFiles(std::string_view pattern);

} // namespace filvane
