#include "core/journal/FolderLock.h"

#include "core/journal/JournalFile.h"

#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane {

namespace {

// The lock file of the folder, named by its identity.
std::string lockPath(const std::string &journalDirectory, const DirectoryIdentity &folder) {
    char name[80];
    std::snprintf(name, sizeof name, "/folder-%llu-%llu.lock",
                  static_cast<unsigned long long>(folder.device),
                  static_cast<unsigned long long>(folder.inode));
    return journalDirectory + name;
}

// The pid the holder wrote; 0 when it wrote none that reads as one.
long holderOf(int fd) {
    char text[24] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    long pid = 0;
    if (got > 0) {
        const auto [end, failed] = std::from_chars(text, text + got, pid);
        if (failed == std::errc() && pid > 0 && (end == text + got || *end == '\n'))
            return pid;
    }
    return 0;
}

// Whoever finds it held reads who holds it; a short or failed write only loses the pid.
void writeHolder(int fd) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
        static_cast<void>(written);
    }
}

} // namespace

int FolderLock::acquire(const std::string &journalDirectory, const DirectoryIdentity &folder,
                        long *holder) {
    if (holder)
        *holder = 0;
    if (held() && m_folder == folder)
        return 0;
    int error = 0;
    FileHandle file =
        journal::openJournalFile(lockPath(journalDirectory, folder), O_RDWR | O_CREAT, error);
    if (!file.isOpen())
        return error;
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? InUse : errno;
        if (error == InUse && holder)
            *holder = holderOf(file.get());
        return error;
    }
    writeHolder(file.get());
    m_file = std::move(file);
    m_folder = folder;
    return 0;
}

} // namespace filvane
