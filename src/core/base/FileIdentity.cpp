#include "core/base/FileIdentity.h"

#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>

namespace filvane {

namespace {

std::optional<FileIdentity> statxIdentity(int dirFd, const char *name, int flags) {
    struct statx st {};
    if (::statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW,
                STATX_INO | STATX_SIZE | STATX_MTIME | STATX_BTIME, &st) != 0)
        return std::nullopt;
    FileIdentity identity;
    identity.inode = st.stx_ino;
    identity.hasBirth = (st.stx_mask & STATX_BTIME) != 0;
    if (identity.hasBirth) {
        identity.birthSeconds = st.stx_btime.tv_sec;
        identity.birthNanoseconds = st.stx_btime.tv_nsec;
    }
    identity.size = st.stx_size;
    identity.modifiedSeconds = st.stx_mtime.tv_sec;
    identity.modifiedNanoseconds = st.stx_mtime.tv_nsec;
    return identity;
}

template <typename Number> bool take(std::string_view &text, Number &value) {
    const size_t end = text.find(' ');
    const std::string_view field = text.substr(0, end);
    const auto [at, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || at != field.data() + field.size() || field.empty())
        return false;
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return true;
}

} // namespace

bool FileIdentity::matches(const FileIdentity &now) const {
    if (inode != now.inode)
        return false;
    if (bornBefore)
        return !now.hasBirth || now.birthSeconds < birthSeconds ||
               (now.birthSeconds == birthSeconds && now.birthNanoseconds < birthNanoseconds);
    if (hasBirth && now.hasBirth)
        return birthSeconds == now.birthSeconds && birthNanoseconds == now.birthNanoseconds;
    return size == now.size && modifiedSeconds == now.modifiedSeconds &&
           modifiedNanoseconds == now.modifiedNanoseconds;
}

std::string FileIdentity::text() const {
    return std::to_string(inode) + ' ' + (hasBirth ? '1' : '0') + ' ' +
           std::to_string(birthSeconds) + ' ' + std::to_string(birthNanoseconds) + ' ' +
           std::to_string(size) + ' ' + std::to_string(modifiedSeconds) + ' ' +
           std::to_string(modifiedNanoseconds);
}

std::optional<FileIdentity> FileIdentity::parse(std::string_view text) {
    FileIdentity identity;
    int birth = 0;
    if (!take(text, identity.inode) || !take(text, birth) || birth < 0 || birth > 1 ||
        !take(text, identity.birthSeconds) || !take(text, identity.birthNanoseconds) ||
        !take(text, identity.size) || !take(text, identity.modifiedSeconds) ||
        !take(text, identity.modifiedNanoseconds) || !text.empty() ||
        identity.birthNanoseconds >= 1000000000u || identity.modifiedNanoseconds >= 1000000000u)
        return std::nullopt;
    identity.hasBirth = birth == 1;
    return identity;
}

bool keepsBirthTimes(int dirFd) {
    struct statx st {};
    return ::statx(dirFd, "", AT_EMPTY_PATH, STATX_BTIME, &st) == 0 &&
           (st.stx_mask & STATX_BTIME) != 0;
}

std::optional<FileIdentity> fileIdentityAt(int dirFd, const char *name) {
    return statxIdentity(dirFd, name, 0);
}

std::optional<FileIdentity> fileIdentityOfDescriptor(int fd) {
    return statxIdentity(fd, "", AT_EMPTY_PATH);
}

} // namespace filvane
