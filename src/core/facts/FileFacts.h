#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace filvane {

// What a file says about itself: tags of an audio file, EXIF of a photo, and the time it was
// last written. Empty strings and zeros mean the file does not say.
struct FileFacts {
    std::string title, artist, album;
    int track = 0, disc = 0, year = 0;
    // Seconds since 1970-01-01 00:00 on the camera's own clock, with no time zone: the
    // date-time as the camera wrote it, so it prints back exactly as written.
    std::optional<std::int64_t> taken;
    std::string camera;
    std::int64_t mtime = 0; // nanoseconds since the epoch
    bool read = false;      // the file was found and looked at (whether or not it had facts)
};

// Which facts a request needs, so a listing ordered by time never opens a file.
enum class FactKinds : unsigned {
    None = 0,
    Tags = 1,  // title, artist, album, track, disc, year
    Photo = 2, // date taken, camera
    Stat = 4,  // modification time
    All = 7,
};
constexpr FactKinds operator|(FactKinds a, FactKinds b) {
    return FactKinds(unsigned(a) | unsigned(b));
}
constexpr FactKinds operator&(FactKinds a, FactKinds b) {
    return FactKinds(unsigned(a) & unsigned(b));
}
constexpr bool has(FactKinds set, FactKinds kind) {
    return (set & kind) != FactKinds::None;
}

// The facts of `name` in the directory open at `directoryFd`. Never throws and never fails:
// a file that is missing, not a regular file, untagged or damaged gives empty facts (`read`
// false only when it could not be opened). Each file is parsed under a guard: at most a few
// megabytes of it are read and the parse gives up after a deadline, so a crafted file costs
// little. Safe to call from several threads at once.
FileFacts readFileFacts(int directoryFd, const char *name, FactKinds wanted);

// "2024:05:17 14:03:22" (the EXIF form; '-' also accepted between the date's parts) as seconds
// on the same clock; nothing for anything else or an impossible date.
std::optional<std::int64_t> parseExifDateTime(std::string_view text);

} // namespace filvane
