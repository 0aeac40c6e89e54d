#include "core/drive/NoReplaceRename.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string_view>
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

bool hasNonAscii(std::string_view name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether two names may be spellings of one name on a file system that ignores case: equal but
// for ASCII case, or both with characters beyond ASCII, whose case only the file system judges.
bool differInCaseOnly(std::string_view a, std::string_view b) {
    if (a.size() == b.size()) {
        bool same = true;
        for (size_t i = 0; i < a.size() && same; ++i)
            same = asciiLower(a[i]) == asciiLower(b[i]);
        if (same)
            return true;
    }
    return hasNonAscii(a) && hasNonAscii(b);
}

} // namespace

int DirectoryCalls::rename(int dirFd, const char *from, const char *to, RenameMode mode) {
    if (mode == RenameMode::Plain)
        return ::renameat(dirFd, from, dirFd, to) == 0 ? 0 : errno;
    const unsigned flags = mode == RenameMode::Exchange ? RENAME_EXCHANGE : RENAME_NOREPLACE;
    return ::renameat2(dirFd, from, dirFd, to, flags) == 0 ? 0 : errno;
}

int DirectoryCalls::link(int dirFd, const char *from, const char *to) {
    return ::linkat(dirFd, from, dirFd, to, 0) == 0 ? 0 : errno;
}

int DirectoryCalls::unlink(int dirFd, const char *name) {
    return ::unlinkat(dirFd, name, 0) == 0 ? 0 : errno;
}

int DirectoryCalls::create(int dirFd, const char *name) {
    const int fd = ::openat(dirFd, name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int DirectoryCalls::status(int dirFd, const char *name, struct stat &st) {
    return ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

DirectoryCalls &hostDirectoryCalls() {
    static DirectoryCalls host;
    return host;
}

NoReplaceRenamer::NoReplaceRenamer(const std::string &directory, Method method,
                                   DirectoryCalls *calls)
    : m_calls(calls ? *calls : hostDirectoryCalls()),
      m_flagRefused(method == Method::LinkThenUnlink),
      m_exchangeRefused(method != Method::NoReplaceFlag) {
    m_dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_dirFd < 0) {
        m_openError = errno;
        return;
    }
    struct stat st;
    if (::fstat(m_dirFd, &st) == 0) {
        m_identity = DirectoryIdentity{static_cast<std::uint64_t>(st.st_dev),
                                       static_cast<std::uint64_t>(st.st_ino)};
        const uid_t user = ::geteuid();
        m_stickyNotOurs = (st.st_mode & S_ISVTX) && user != 0 && user != st.st_uid;
    }
}

NoReplaceRenamer::~NoReplaceRenamer() {
    if (m_dirFd >= 0)
        ::close(m_dirFd);
}

namespace {

// A bare name as the system takes it: copied with a NUL after it, so that a view into a larger
// text can be handed over. A name too long for any path is refused as the system would.
class SystemName {
public:
    explicit SystemName(std::string_view name) : m_tooLong(name.size() >= sizeof m_text) {
        if (m_tooLong)
            name = {};
        if (!name.empty())
            std::memcpy(m_text, name.data(), name.size());
        m_text[name.size()] = '\0';
    }
    const char *c_str() const { return m_text; }
    bool tooLong() const { return m_tooLong; }

private:
    bool m_tooLong;
    char m_text[PATH_MAX];
};

} // namespace

std::string NoReplaceRenamer::unusedName() {
    // The process id keeps two runs in one directory apart; the count steps past names left
    // by anyone else.
    return std::string(PrivateNamePrefix) + std::to_string(::getpid()) + "-" +
           std::to_string(m_unusedNameCount++) + std::string(PrivateNameSuffix);
}

int NoReplaceRenamer::status(std::string_view name, struct stat &st) {
    if (m_dirFd < 0)
        return m_openError;
    const SystemName entry(name);
    return entry.tooLong() ? ENAMETOOLONG : m_calls.status(m_dirFd, entry.c_str(), st);
}

int NoReplaceRenamer::rename(std::string_view from, std::string_view to) {
    if (m_dirFd < 0)
        return m_openError;
    if (from == to) {
        struct stat st;
        return status(from, st); // it bears the name already, if it is still there
    }
    const SystemName source(from), target(to);
    if (source.tooLong() || target.tooLong())
        return ENAMETOOLONG;
    const int error = m_flagRefused ? linkThenUnlink(source.c_str(), target.c_str())
                                    : noReplaceCall(source.c_str(), target.c_str());
    if (error == EEXIST)
        return renameSpellingOnly(from, to);
    return error;
}

// Whether a call in `mode` that answered `error` was refused for the mode itself, not for the
// entries it named; `works` remembers that the mode has worked in this folder. vfat and exfat
// answer EINVAL for a name they do not allow, too: only a refusal of the mode may send this and
// every later row to a fallback, so a refusal-like answer is checked once, on files of our own.
bool NoReplaceRenamer::modeRefused(int error, DirectoryCalls::RenameMode mode, bool &works) {
    if (error == 0)
        works = true;
    if (error == 0 || !flagRefused(error))
        return false;
    if (works || flagWorksHere(mode)) {
        works = true;
        return false;
    }
    return true;
}

int NoReplaceRenamer::noReplaceCall(const char *from, const char *to) {
    const int error = m_calls.rename(m_dirFd, from, to, DirectoryCalls::RenameMode::NoReplace);
    if (!modeRefused(error, DirectoryCalls::RenameMode::NoReplace, m_flagWorks))
        return flagRefused(error) ? EINVAL : error; // about the name
    m_flagRefused = true;
    return linkThenUnlink(from, to);
}

// Asks the file system whether it takes the flag, on files of our own made for the question and
// removed after it, so that no file of the user's moves for it.
bool NoReplaceRenamer::flagWorksHere(DirectoryCalls::RenameMode mode) {
    const bool exchange = mode == DirectoryCalls::RenameMode::Exchange;
    std::string first = unusedName(), second = unusedName();
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
        error = m_calls.create(m_dirFd, (first = unusedName()).c_str());
    if (error != 0)
        return true; // no way to tell: take the refusal as one about the name
    if (exchange) {
        error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
            error = m_calls.create(m_dirFd, (second = unusedName()).c_str());
        if (error != 0) {
            m_calls.unlink(m_dirFd, first.c_str());
            return true;
        }
    }
    const int answer = m_calls.rename(m_dirFd, first.c_str(), second.c_str(), mode);
    if (exchange || answer == 0)
        m_calls.unlink(m_dirFd, second.c_str());
    if (exchange || answer != 0)
        m_calls.unlink(m_dirFd, first.c_str());
    return !flagRefused(answer);
}

int NoReplaceRenamer::exchange(std::string_view first, std::string_view second) {
    if (m_dirFd < 0)
        return m_openError;
    if (m_exchangeRefused)
        return ExchangeRefused;
    const SystemName one(first), other(second);
    if (one.tooLong() || other.tooLong())
        return ENAMETOOLONG;
    const int error =
        m_calls.rename(m_dirFd, one.c_str(), other.c_str(), DirectoryCalls::RenameMode::Exchange);
    if (!modeRefused(error, DirectoryCalls::RenameMode::Exchange, m_exchangeWorks))
        return error; // 0, or about these two entries
    m_exchangeRefused = true;
    return ExchangeRefused;
}

int NoReplaceRenamer::exchangeBack(std::string_view first, std::string_view second) {
    if (m_dirFd < 0)
        return m_openError;
    const SystemName one(first), other(second);
    if (one.tooLong() || other.tooLong())
        return ENAMETOOLONG;
    return m_calls.rename(m_dirFd, one.c_str(), other.c_str(),
                          DirectoryCalls::RenameMode::Exchange);
}

int NoReplaceRenamer::renameToUnusedName(std::string_view from, std::string &chosen) {
    constexpr int Tries = 1000;
    const SystemName source(from);
    if (source.tooLong())
        return ENAMETOOLONG;
    int error = EEXIST;
    for (int attempt = 0; attempt < Tries && error == EEXIST; ++attempt) {
        chosen = unusedName();
        error = m_flagRefused ? linkThenUnlink(source.c_str(), chosen.c_str())
                              : noReplaceCall(source.c_str(), chosen.c_str());
    }
    if (error != 0)
        chosen.clear();
    return error;
}

// In a sticky folder of another owner only the file's owner may remove its name, so the link
// would leave the file under two names: refuse before making it.
bool NoReplaceRenamer::unlinkRefusedBySticky(const char *name) {
    if (!m_stickyNotOurs)
        return false;
    struct stat st;
    return m_calls.status(m_dirFd, name, st) == 0 && st.st_uid != ::geteuid();
}

namespace {

bool sameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

// Moves the entry `from` to a private name that was free a moment before, by a plain rename:
// whatever bears `from` at that instant moves, nothing is replaced and nothing is lost. `moved`
// is the entry as it is now under `chosen`.
int NoReplaceRenamer::moveToPrivateName(const char *from, std::string &chosen, struct stat &moved) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt) {
        chosen = unusedName();
        const int free = m_calls.status(m_dirFd, chosen.c_str(), moved);
        if (free == 0)
            continue;
        if (free != ENOENT)
            return free;
        error = m_calls.rename(m_dirFd, from, chosen.c_str(), DirectoryCalls::RenameMode::Plain);
    }
    if (error != 0) {
        chosen.clear(); // nothing moved
        return error;
    }
    return m_calls.status(m_dirFd, chosen.c_str(), moved);
}

// Gives the file under the private name `aside` the name `name` again (a link, which never
// replaces, then the private name removed). 0, or the errno with the file left under `aside`.
int NoReplaceRenamer::putBack(const std::string &aside, const char *name) {
    if (const int error = m_calls.link(m_dirFd, aside.c_str(), name))
        return error;
    return m_calls.unlink(m_dirFd, aside.c_str());
}

// Where the file system refuses the no-replace flag: a move to a private name, a link from it
// to the new name, the private name removed. Only a private name is ever unlinked, so a file
// that another process swaps in under `from` or `to` at any moment keeps its name or moves to
// ours, and is never lost. A swap noticed means doubt: the row fails (EAGAIN).
int NoReplaceRenamer::linkThenUnlink(const char *from, const char *to) {
    if (unlinkRefusedBySticky(from))
        return EPERM;
    struct stat looked;
    if (const int error = m_calls.status(m_dirFd, from, looked))
        return error;
    if (S_ISDIR(looked.st_mode))
        return EPERM; // a folder has no second name
    std::string aside;
    struct stat moved;
    if (const int error = moveToPrivateName(from, aside, moved))
        return aside.empty() || error == ENOENT ? error : EAGAIN;
    if (!sameFile(moved, looked)) {
        putBack(aside, from);
        return EAGAIN;
    }
    if (const int error = m_calls.link(m_dirFd, aside.c_str(), to)) {
        const int back = putBack(aside, from);
        return back == 0 ? error : back;
    }
    const int error = m_calls.unlink(m_dirFd, aside.c_str());
    if (error == 0)
        return 0;
    // The private name stays: take back the new name, if it is still this file's.
    struct stat linked;
    if (m_calls.status(m_dirFd, to, linked) == 0 && sameFile(linked, looked) &&
        linked.st_nlink > 1 && m_calls.unlink(m_dirFd, to) == 0)
        putBack(aside, from);
    return error;
}

// The new name "exists": it is another file, or, on a file system that ignores case, another
// spelling of the old name itself. Only then, and in two no-replace steps through a hidden name,
// so that a name swapped in by another process meanwhile is never replaced.
int NoReplaceRenamer::renameSpellingOnly(std::string_view from, std::string_view to) {
    if (!differInCaseOnly(from, to))
        return EEXIST;
    struct stat oldStat, newStat;
    if (const int error = status(from, oldStat))
        return error;
    if (status(to, newStat) != 0)
        return EEXIST;
    const bool oneEntry = oldStat.st_dev == newStat.st_dev && oldStat.st_ino == newStat.st_ino &&
                          oldStat.st_nlink == 1 && !S_ISDIR(oldStat.st_mode);
    if (!oneEntry)
        return EEXIST;
    std::string aside;
    if (const int error = renameToUnusedName(from, aside))
        return error;
    const int error = rename(aside, to);
    if (error != 0)
        rename(aside, from);
    return error;
}

} // namespace filvane
