#include "NoReplaceRename.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace filvane {

namespace {

// How a kernel or file system says it does not know a flag of the call (or the call).
bool flagRefused(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

} // namespace

NoReplaceRenamer::NoReplaceRenamer(const std::string &directory, Method method)
    : m_flagRefused(method == Method::LinkThenUnlink),
      m_exchangeRefused(method != Method::NoReplaceFlag) {
    m_dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0)
        m_openError = errno;
}

NoReplaceRenamer::~NoReplaceRenamer() {
    if (m_dirFd >= 0)
        ::close(m_dirFd);
}

int NoReplaceRenamer::rename(const std::string &from, const std::string &to) {
    if (m_dirFd < 0)
        return m_openError;
    int error = 0;
    if (!m_flagRefused) {
        if (::renameat2(m_dirFd, from.c_str(), m_dirFd, to.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        error = errno;
        if (flagRefused(error))
            m_flagRefused = true;
    }
    if (m_flagRefused)
        error = linkThenUnlink(from.c_str(), to.c_str());
    if (error == EEXIST)
        return renameSameFile(from.c_str(), to.c_str());
    return error;
}

int NoReplaceRenamer::exchange(const std::string &first, const std::string &second) {
    if (m_dirFd < 0)
        return m_openError;
    if (m_exchangeRefused)
        return ExchangeRefused;
    if (::renameat2(m_dirFd, first.c_str(), m_dirFd, second.c_str(), RENAME_EXCHANGE) == 0)
        return 0;
    const int error = errno;
    if (!flagRefused(error))
        return error;
    m_exchangeRefused = true;
    return ExchangeRefused;
}

int NoReplaceRenamer::renameToUnusedName(const std::string &from, std::string &chosen) {
    // The process id keeps two runs in one directory apart; the count steps past names left
    // by anyone else.
    constexpr int Tries = 1000;
    int error = EEXIST;
    for (int attempt = 0; attempt < Tries && error == EEXIST; ++attempt) {
        chosen = ".filvane-" + std::to_string(::getpid()) + "-" +
                 std::to_string(m_unusedNameCount++) + ".tmp";
        error = rename(from, chosen);
    }
    if (error != 0)
        chosen.clear();
    return error;
}

int NoReplaceRenamer::linkThenUnlink(const char *from, const char *to) {
    if (::linkat(m_dirFd, from, m_dirFd, to, 0) != 0)
        return errno;
    if (::unlinkat(m_dirFd, from, 0) == 0)
        return 0;
    const int error = errno;
    // Take back the new link rather than leave the file under two names, but only while it is
    // still ours: the file the old name leads to.
    struct stat oldStat, newStat;
    if (::fstatat(m_dirFd, from, &oldStat, AT_SYMLINK_NOFOLLOW) == 0 &&
        ::fstatat(m_dirFd, to, &newStat, AT_SYMLINK_NOFOLLOW) == 0 &&
        oldStat.st_dev == newStat.st_dev && oldStat.st_ino == newStat.st_ino)
        ::unlinkat(m_dirFd, to, 0);
    return error;
}

// The new name "exists" because it is the old file itself: a change of case on a file system
// that ignores case, or the very same name. With a single link to the file, both names lead to
// one directory entry, so no other file can ever stand under the new name and a plain rename
// only changes how that one entry is spelt.
int NoReplaceRenamer::renameSameFile(const char *from, const char *to) {
    struct stat oldStat, newStat;
    if (::fstatat(m_dirFd, from, &oldStat, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (std::strcmp(from, to) == 0)
        return 0; // it bears the name already
    if (::fstatat(m_dirFd, to, &newStat, AT_SYMLINK_NOFOLLOW) != 0)
        return EEXIST;
    const bool oneEntry = oldStat.st_dev == newStat.st_dev && oldStat.st_ino == newStat.st_ino &&
                          oldStat.st_nlink == 1 && newStat.st_nlink == 1 &&
                          !S_ISDIR(oldStat.st_mode);
    if (!oneEntry)
        return EEXIST;
    return ::renameat(m_dirFd, from, m_dirFd, to) == 0 ? 0 : errno;
}

} // namespace filvane
