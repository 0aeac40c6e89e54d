#pragma once

#include <dirent.h>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

// The plain floor of a listing: readdir, every entry that is no directory and ends in ".mp3".
inline std::vector<std::string> readdirMp3(const std::string &path) {
    std::vector<std::string> names;
    DIR *dir = opendir(path.c_str());
    if (!dir)
        return names;
    while (const dirent *entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (entry->d_type != DT_DIR && name.ends_with(".mp3"))
            names.emplace_back(name);
    }
    closedir(dir);
    return names;
}

} // namespace bench
