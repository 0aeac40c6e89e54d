#pragma once

#include <string>
#include <string_view>

namespace filvane {

// A search pattern is a directory and a mask joined into one path: "/music/*.mp3".
inline constexpr char PathSeparator = '/';
inline constexpr std::string_view RootDirectory = "/";
// The mask of every file: a filter list without rows, a folder opened from outside, the
// scripting command without --mask.
inline constexpr std::string_view AllFilesMask = "*.*";

struct PatternParts {
    std::string directory;
    std::string mask;
};

// Joins with one separator (a root, which already ends in one, gets no second). A mask that
// names a path of its own would list another directory than the one later renamed in, so it
// is dropped: the pattern then matches nothing.
std::string joinSearchPattern(std::string_view directory, std::string_view mask);

// Splits at the last separator. Doubled separators before the mask ("//*.mp3") are accepted;
// a pattern without a separator is a mask alone, relative to no directory (empty directory).
PatternParts splitSearchPattern(std::string_view pattern);

// The pattern the lists are read again by after a run: the directory, "*" and the chosen
// extension. An extension that names a path would list another directory than the one renamed
// in, and no directory means none was read; both give a pattern that matches nothing.
std::string relistPattern(std::string_view directory, std::string_view chosenExtension);

} // namespace filvane
