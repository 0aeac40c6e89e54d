#include "core/journal/FolderLock.h"

#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane {

int FolderLock::acquire(const std::string &journalDirectory, const DirectoryIdentity &folder,
                        long *holder) {
    if (holder)
        *holder = 0;
    if (held() && m_folder == folder)
        return 0;
    char name[80];
    std::snprintf(name, sizeof name, "/folder-%llu-%llu.lock",
                  static_cast<unsigned long long>(folder.device),
                  static_cast<unsigned long long>(folder.inode));
    const std::string path = journalDirectory + name;
    FileHandle file(
        ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!file.isOpen())
        return errno;
    struct stat st;
    if (::fstat(file.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? InUse : errno;
        if (error == InUse && holder) {
            char text[24] = {};
            const ssize_t got = ::pread(file.get(), text, sizeof text - 1, 0);
            long pid = 0;
            if (got > 0) {
                const auto [end, failed] = std::from_chars(text, text + got, pid);
                if (failed == std::errc() && pid > 0 && (end == text + got || *end == '\n'))
                    *holder = pid;
            }
        }
        return error;
    }
    // Whoever finds it held reads who holds it; a short or failed write only loses the pid.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(file.get(), 0) == 0) {
        const ssize_t written = ::pwrite(file.get(), pid.data(), pid.size(), 0);
        static_cast<void>(written);
    }
    m_file = std::move(file);
    m_folder = folder;
    return 0;
}

} // namespace filvane
