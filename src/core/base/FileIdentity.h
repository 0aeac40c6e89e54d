#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace filvane {

// What tells one file from another that later got its inode number: the inode, and the birth
// time where the file system keeps one, else the size and modification time (a file changed
// since then no longer passes for itself, which only leaves it alone).
struct FileIdentity {
    std::uint64_t inode = 0;
    bool hasBirth = false;
    std::int64_t birthSeconds = 0;
    std::uint32_t birthNanoseconds = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::uint32_t modifiedNanoseconds = 0;
    // Known only as born before a time (the birth fields): a run that began then, in a folder
    // whose file system keeps birth times, need not measure each file. A file that took the
    // inode number later was born later.
    bool bornBefore = false;

    // Whether `now` may be the file recorded as this one.
    bool matches(const FileIdentity &now) const;
    // One field of a journal line, and back; none for text that is no identity.
    std::string text() const;
    static std::optional<FileIdentity> parse(std::string_view text);
};

// Whether the file system of the directory open at `dirFd` keeps birth times.
bool keepsBirthTimes(int dirFd);

// The entry `name` of the directory open at `dirFd`, links not followed; none when it is gone.
std::optional<FileIdentity> fileIdentityAt(int dirFd, const char *name);

// The same through a descriptor opened on the entry just now (O_PATH, links not followed), so
// that what is measured is the file a following call acts on, not whatever bears the name later.
std::optional<FileIdentity> fileIdentityOfDescriptor(int fd);

} // namespace filvane
