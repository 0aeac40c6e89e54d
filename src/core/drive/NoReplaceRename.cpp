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
    const FileHandle made(::openat(dirFd, name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
    return made.isOpen() ? 0 : errno;
}

int DirectoryCalls::reserve(int dirFd, const char *name, struct stat &made) {
    FileHandle file(::openat(dirFd, name, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600));
    if (!file.isOpen())
        return errno;
    const std::string_view marker = NoReplaceRenamer::ReservationMarker;
    int error =
        ::write(file.get(), marker.data(), marker.size()) == static_cast<ssize_t>(marker.size())
            ? 0
            : (errno ? errno : ENOSPC);
    const bool known = ::fstat(file.get(), &made) == 0;
    if (!known && error == 0)
        error = errno;
    file.reset(); // closed before a failed reservation is looked at and removed
    if (error != 0 && known) {
        // Ours and unfinished: it goes, unless something else bears the name by now. Through
        // the seam, so that a test's calls see it too.
        struct stat now;
        if (status(dirFd, name, now) == 0 && now.st_ino == made.st_ino && now.st_dev == made.st_dev)
            unlink(dirFd, name);
    }
    return error;
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
    : m_calls(calls ? *calls : hostDirectoryCalls()) {
    if (!open(directory))
        return;
    DriveFacts drive = driveFacts(m_dir.get(), m_calls);
    switch (method) {
    case Method::NoReplaceFlag:
        break;
    case Method::LinkThenUnlink:
        drive.noReplaceRename = false;
        drive.exchange = false;
        drive.hardLinks = true;
        break;
    case Method::NoExchange:
        drive.exchange = false;
        break;
    case Method::Reserve:
        drive.noReplaceRename = false;
        drive.exchange = false;
        drive.hardLinks = false;
        drive.exclusiveCreate = true;
        break;
    }
    choose(drive);
}

NoReplaceRenamer::NoReplaceRenamer(const std::string &directory, const DriveFacts &drive,
                                   DirectoryCalls *calls)
    : m_calls(calls ? *calls : hostDirectoryCalls()) {
    if (open(directory))
        choose(drive);
}

bool NoReplaceRenamer::open(const std::string &directory) {
    m_dir.reset(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_dir.isOpen()) {
        m_openError = errno;
        return false;
    }
    struct stat st;
    if (::fstat(m_dir.get(), &st) == 0) {
        m_identity = DirectoryIdentity{static_cast<std::uint64_t>(st.st_dev),
                                       static_cast<std::uint64_t>(st.st_ino)};
        const uid_t user = ::geteuid();
        m_stickyNotOurs = (st.st_mode & S_ISVTX) && user != 0 && user != st.st_uid;
    }
    return true;
}

void NoReplaceRenamer::choose(const DriveFacts &drive) {
    m_drive = drive;
    m_way = wayFor(drive);
    m_exchangeRefused = !drive.exchange;
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
    if (!m_dir.isOpen())
        return m_openError;
    const SystemName entry(name);
    return entry.tooLong() ? ENAMETOOLONG : m_calls.status(m_dir.get(), entry.c_str(), st);
}

namespace {

bool sameFile(const struct stat &a, const struct stat &b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

int NoReplaceRenamer::rename(std::string_view from, std::string_view to, std::uint64_t inode) {
    m_leftUnder.clear();
    if (!m_dir.isOpen())
        return m_openError;
    if (from == to) {
        struct stat st;
        return status(from, st); // it bears the name already, if it is still there
    }
    const SystemName source(from), target(to);
    if (source.tooLong() || target.tooLong())
        return ENAMETOOLONG;
    // Such a drive may answer a misleading ENOENT for a name it refuses (exfat-fuse does).
    if (m_drive.windowsNames && refusedOnDrive(to, m_drive))
        return EINVAL;
    if (!m_drive.stableInodes)
        inode = 0; // the listing's number may not be the file's: measure it at the call
    const int error = renameBy(m_way, source.c_str(), target.c_str(), inode);
    if (error == EEXIST)
        return renameSpellingOnly(from, to);
    return error;
}

int NoReplaceRenamer::renameBy(RenameWay way, const char *from, const char *to,
                               std::uint64_t inode) {
    switch (way) {
    case RenameWay::NoReplace:
        return noReplaceCall(from, to, inode);
    case RenameWay::Link:
        return linkThenUnlink(from, to);
    case RenameWay::Reserve:
        return reserveThenRename(from, to, inode);
    case RenameWay::None:
        break;
    }
    return EOPNOTSUPP; // any rename here could replace a file
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

// Whether the file `file` is under `name` now and no longer under `from`: what a call that
// answered failure did all the same.
bool NoReplaceRenamer::movedAnyway(const char *from, const char *name, std::uint64_t file) {
    struct stat st;
    return m_calls.status(m_dir.get(), name, st) == 0 && st.st_ino == file &&
           m_calls.status(m_dir.get(), from, st) == ENOENT;
}

int NoReplaceRenamer::noReplaceCall(const char *from, const char *to, std::uint64_t inode) {
    struct stat st;
    const bool checkedLater = m_checkLater && inode != 0;
    if (inode == 0) {
        if (const int error = m_calls.status(m_dir.get(), from, st))
            return error;
        inode = st.st_ino;
    }
    const int error = m_calls.rename(m_dir.get(), from, to, DirectoryCalls::RenameMode::NoReplace);
    if (error == 0 && checkedLater)
        return 0;
    if (error != 0) {
        if (modeRefused(error, DirectoryCalls::RenameMode::NoReplace, m_flagWorks)) {
            // The facts said otherwise: the drive decides, for this row and the rest.
            m_drive.noReplaceRename = false;
            m_way = wayFor(m_drive);
            return renameBy(m_way, from, to, inode);
        }
        if (!movedAnyway(from, to, inode))
            return flagRefused(error) ? EINVAL : error; // about the name
    }
    if (m_calls.status(m_dir.get(), to, st) != 0 || st.st_ino == inode)
        return 0; // the file, or gone on since
    // A stranger had the old name at the instant: it gets it back, the row fails.
    m_calls.rename(m_dir.get(), to, from, DirectoryCalls::RenameMode::NoReplace);
    return EAGAIN;
}

namespace {

// Removes a name of our own made for a question; one that will not go is tried again.
void removeOwn(DirectoryCalls &calls, int dirFd, const std::string &name) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int error = calls.unlink(dirFd, name.c_str());
        if (error == 0 || error == ENOENT)
            return;
    }
}

} // namespace

// Asks the file system whether it takes the flag, on files of our own made for the question and
// removed after it, so that no file of the user's moves for it.
bool NoReplaceRenamer::flagWorksHere(DirectoryCalls::RenameMode mode) {
    const bool exchange = mode == DirectoryCalls::RenameMode::Exchange;
    std::string first = unusedName(), second = unusedName();
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
        error = m_calls.create(m_dir.get(), (first = unusedName()).c_str());
    if (error != 0)
        return true; // no way to tell: take the refusal as one about the name
    if (exchange) {
        error = EEXIST;
        for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt)
            error = m_calls.create(m_dir.get(), (second = unusedName()).c_str());
        if (error != 0) {
            removeOwn(m_calls, m_dir.get(), first);
            return true;
        }
    }
    const int answer = m_calls.rename(m_dir.get(), first.c_str(), second.c_str(), mode);
    // Both names are tried, whatever the answer said (it may have done the rename anyway).
    removeOwn(m_calls, m_dir.get(), second);
    removeOwn(m_calls, m_dir.get(), first);
    return !flagRefused(answer);
}

int NoReplaceRenamer::exchange(std::string_view first, std::string_view second) {
    if (!m_dir.isOpen())
        return m_openError;
    if (m_exchangeRefused)
        return ExchangeRefused;
    const SystemName one(first), other(second);
    if (one.tooLong() || other.tooLong())
        return ENAMETOOLONG;
    struct stat a, b;
    if (const int error = m_calls.status(m_dir.get(), one.c_str(), a))
        return error;
    if (const int error = m_calls.status(m_dir.get(), other.c_str(), b))
        return error;
    const int error = m_calls.rename(m_dir.get(), one.c_str(), other.c_str(),
                                     DirectoryCalls::RenameMode::Exchange);
    if (modeRefused(error, DirectoryCalls::RenameMode::Exchange, m_exchangeWorks)) {
        m_exchangeRefused = true;
        return ExchangeRefused;
    }
    // Each name must now bear the other's file, whatever the call answered.
    struct stat nowOne, nowOther;
    const bool one_ok = m_calls.status(m_dir.get(), one.c_str(), nowOne) == 0;
    const bool other_ok = m_calls.status(m_dir.get(), other.c_str(), nowOther) == 0;
    const bool swapped = one_ok && other_ok && sameFile(nowOne, b) && sameFile(nowOther, a);
    if (swapped)
        return 0;
    if (error != 0)
        return error; // 0, or about these two entries
    // A stranger took part: the names go back as they were, the round fails.
    if (one_ok && other_ok)
        m_calls.rename(m_dir.get(), one.c_str(), other.c_str(),
                       DirectoryCalls::RenameMode::Exchange);
    return EAGAIN;
}

int NoReplaceRenamer::exchangeBack(std::string_view first, std::string_view second) {
    if (!m_dir.isOpen())
        return m_openError;
    const SystemName one(first), other(second);
    if (one.tooLong() || other.tooLong())
        return ENAMETOOLONG;
    return m_calls.rename(m_dir.get(), one.c_str(), other.c_str(),
                          DirectoryCalls::RenameMode::Exchange);
}

int NoReplaceRenamer::renameToUnusedName(std::string_view from, std::string &chosen) {
    m_leftUnder.clear();
    if (!m_dir.isOpen())
        return m_openError;
    const SystemName source(from);
    if (source.tooLong())
        return ENAMETOOLONG;
    if (m_way == RenameWay::None)
        return EOPNOTSUPP;
    if (m_way == RenameWay::NoReplace) {
        int error = EEXIST;
        for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt) {
            chosen = unusedName();
            error = noReplaceCall(source.c_str(), chosen.c_str(), 0);
        }
        if (error != 0)
            chosen.clear();
        if (error == 0 || m_way == RenameWay::NoReplace)
            return error;
        // The drive refused the flag after all: on with its own way.
    }
    // A plain rename to a private name just seen free: only a name of ours can be replaced.
    struct stat looked, moved;
    if (const int error = m_calls.status(m_dir.get(), source.c_str(), looked))
        return error;
    if (const int error = moveToPrivateName(source.c_str(), chosen, moved))
        return error;
    if (sameFile(moved, looked))
        return 0;
    // A stranger was under the name at the instant: it gets it back.
    putBack(chosen, source.c_str(), moved);
    chosen.clear();
    return EAGAIN;
}

// In a sticky folder of another owner only the file's owner may remove its name, so the link
// would leave the file under two names: refuse before making it.
bool NoReplaceRenamer::unlinkRefusedBySticky(const char *name) {
    if (!m_stickyNotOurs)
        return false;
    struct stat st;
    return m_calls.status(m_dir.get(), name, st) == 0 && st.st_uid != ::geteuid();
}

// Moves the entry `from` to a private name that was free a moment before, by a plain rename:
// whatever bears `from` at that instant moves, nothing is replaced and nothing is lost. `moved`
// is the entry as it is now under `chosen`. A call that answered failure but moved it counts as
// done.
int NoReplaceRenamer::moveToPrivateName(const char *from, std::string &chosen, struct stat &moved) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 1000 && error == EEXIST; ++attempt) {
        chosen = unusedName();
        const int free = m_calls.status(m_dir.get(), chosen.c_str(), moved);
        if (free == 0)
            continue;
        if (free != ENOENT)
            return free;
        error =
            m_calls.rename(m_dir.get(), from, chosen.c_str(), DirectoryCalls::RenameMode::Plain);
        if (error != 0 && m_calls.status(m_dir.get(), chosen.c_str(), moved) == 0 &&
            m_calls.status(m_dir.get(), from, moved) == ENOENT)
            error = 0;
    }
    if (error != 0) {
        chosen.clear(); // nothing moved
        return error;
    }
    if (const int gone = m_calls.status(m_dir.get(), chosen.c_str(), moved)) {
        chosen.clear(); // moved on by someone else: not ours to follow
        return gone == ENOENT ? ENOENT : gone;
    }
    return 0;
}

// Gives the file `file` under the private name `aside` the name `name` again, by a means this
// drive has: a link (which never replaces) and the private name removed, a no-replace rename, or
// a reservation. 0, or the errno with the file left under `aside` (then `leftUnder()`).
int NoReplaceRenamer::putBack(const std::string &aside, const char *name, const struct stat &file) {
    int error = 0;
    struct stat st;
    switch (m_way) {
    case RenameWay::NoReplace:
        error =
            m_calls.rename(m_dir.get(), aside.c_str(), name, DirectoryCalls::RenameMode::NoReplace);
        if (error != 0 && movedAnyway(aside.c_str(), name, file.st_ino))
            error = 0;
        break;
    case RenameWay::Link:
        error = m_calls.link(m_dir.get(), aside.c_str(), name);
        if (error != 0 && m_calls.status(m_dir.get(), name, st) == 0 && sameFile(st, file) &&
            st.st_nlink > file.st_nlink)
            error = 0; // made though it said no
        if (error == 0 && m_calls.unlink(m_dir.get(), aside.c_str()) != 0 &&
            m_calls.status(m_dir.get(), aside.c_str(), st) == 0)
            m_calls.unlink(m_dir.get(), aside.c_str()); // once more; a second name left is named
        break;
    case RenameWay::Reserve:
        error = reserveAndMove(aside.c_str(), name, file);
        break;
    case RenameWay::None:
        error = EOPNOTSUPP;
        break;
    }
    if (error != 0)
        m_leftUnder = aside;
    return error;
}

// Where the file system refuses the no-replace flag: a move to a private name, a link from it
// to the new name, the private name removed. Only a private name is ever unlinked, so a file
// that another process swaps in under `from` or `to` at any moment keeps its name or moves to
// ours, and is never lost. A swap noticed means doubt: the row fails (EAGAIN).
int NoReplaceRenamer::linkThenUnlink(const char *from, const char *to) {
    if (unlinkRefusedBySticky(from))
        return EPERM;
    struct stat looked;
    if (const int error = m_calls.status(m_dir.get(), from, looked))
        return error;
    if (S_ISDIR(looked.st_mode))
        return EPERM; // a folder has no second name
    std::string aside;
    struct stat moved;
    if (const int error = moveToPrivateName(from, aside, moved))
        return aside.empty() || error == ENOENT ? error : EAGAIN;
    if (!sameFile(moved, looked)) {
        putBack(aside, from, moved);
        return EAGAIN;
    }
    if (const int error = linkFromAside(aside, from, to, looked))
        return error;
    return unlinkAside(aside, from, to, looked);
}

// The link from the private name `aside` to `to`; a link refused leaves the file `file` back
// under `from` (or under `aside`, as `putBack` says).
int NoReplaceRenamer::linkFromAside(const std::string &aside, const char *from, const char *to,
                                    const struct stat &file) {
    const int error = m_calls.link(m_dir.get(), aside.c_str(), to);
    if (error == 0)
        return 0;
    // Made though it said no: the file has one name more than it had (the new name may be
    // another link of the file's from before, which is no success).
    struct stat linked;
    const bool madeAnyway = m_calls.status(m_dir.get(), to, linked) == 0 &&
                            sameFile(linked, file) && linked.st_nlink > file.st_nlink;
    if (madeAnyway)
        return 0;
    const int back = putBack(aside, from, file);
    return back == 0 ? error : back;
}

// The private name removed once the file bears `to`. Where it will not go, the new name is
// taken back, so that the file keeps one name.
int NoReplaceRenamer::unlinkAside(const std::string &aside, const char *from, const char *to,
                                  const struct stat &file) {
    struct stat st;
    int error = m_calls.unlink(m_dir.get(), aside.c_str());
    if (error != 0 && m_calls.status(m_dir.get(), aside.c_str(), st) == ENOENT)
        error = 0; // gone though it said no
    if (error == 0)
        return 0;
    // The new name steps to a private name first, so that a stranger swapped in under it
    // meanwhile is moved, not unlinked, and goes back.
    std::string second;
    struct stat taken;
    if (moveToPrivateName(to, second, taken) == 0) {
        if (sameFile(taken, file) && taken.st_nlink > 1 &&
            m_calls.unlink(m_dir.get(), second.c_str()) == 0) {
            putBack(aside, from, file);
            return error;
        }
        putBack(second, to, taken); // a stranger, or a second name that would not go
    }
    m_leftUnder = aside;
    return error;
}

// Whether `name` bears the reservation `made` as it was made: the same file, its marker alone.
bool NoReplaceRenamer::isOurReservation(const char *name, const struct stat &made) {
    struct stat st;
    return m_calls.status(m_dir.get(), name, st) == 0 && sameFile(st, made) &&
           S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) == ReservationMarker.size();
}

// Where the drive has neither the flag nor links: the file that is under `from` (`file`) goes to
// `to` once `to` is reserved for it.
int NoReplaceRenamer::reserveThenRename(const char *from, const char *to, std::uint64_t inode) {
    struct stat file;
    if (const int error = m_calls.status(m_dir.get(), from, file))
        return error;
    if (inode != 0 && static_cast<std::uint64_t>(file.st_ino) != inode)
        return EAGAIN; // not the file that was listed
    if (S_ISDIR(file.st_mode))
        return EPERM; // a folder is not renamed over a file
    return reserveAndMove(from, to, file);
}

// The name `to` reserved by an exclusive create (EEXIST when taken), then, right before the
// plain rename, checked to be still our reservation and `from` to be still `file`. What moved is
// checked after the call; a stranger goes back under a new reservation of its old name.
// The one window left: a process that replaces our reservation, by a plain rename of its own,
// between that check and our call loses its file to ours.
int NoReplaceRenamer::reserveAndMove(const char *from, const char *to, const struct stat &file) {
    struct stat made, now;
    if (const int error = m_calls.reserve(m_dir.get(), to, made))
        return error;
    const auto dropOwn = [&] {
        for (int attempt = 0; attempt < 3 && isOurReservation(to, made); ++attempt)
            if (m_calls.unlink(m_dir.get(), to) == 0)
                break;
    };
    if (!isOurReservation(to, made))
        return EAGAIN; // replaced since: whatever is there stays
    if (const int error = m_calls.status(m_dir.get(), from, now);
        error != 0 || !sameFile(now, file)) {
        dropOwn();
        return error == ENOENT ? ENOENT : EAGAIN;
    }
    if (const int error =
            m_calls.rename(m_dir.get(), from, to, DirectoryCalls::RenameMode::Plain)) {
        if (!movedAnyway(from, to, file.st_ino)) {
            dropOwn();
            return error;
        }
    }
    if (m_calls.status(m_dir.get(), to, now) != 0 || sameFile(now, file))
        return 0;
    if (sameFile(now, made))
        return EAGAIN; // the call moved nothing after all: the name is ours still
    reserveAndMove(to, from, now);
    return EAGAIN;
}

int NoReplaceRenamer::dropReservation(std::string_view name) {
    if (!m_dir.isOpen())
        return m_openError;
    const SystemName entry(name);
    if (entry.tooLong())
        return ENAMETOOLONG;
    struct stat st;
    if (const int error = m_calls.status(m_dir.get(), entry.c_str(), st))
        return error;
    if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) != ReservationMarker.size())
        return EEXIST;
    // Reading changes nothing, so it need not go through the calls.
    const FileHandle file(
        ::openat(m_dir.get(), entry.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen())
        return EEXIST;
    std::string text(ReservationMarker.size(), '\0');
    struct stat opened;
    const bool marker =
        ::fstat(file.get(), &opened) == 0 && sameFile(opened, st) &&
        ::pread(file.get(), text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()) &&
        text == ReservationMarker;
    if (!marker)
        return EEXIST;
    return m_calls.unlink(m_dir.get(), entry.c_str());
}

// The new name "exists": it is another file, or, on a file system that ignores case, another
// spelling of the old name itself. Only then the file goes through a private name: the new name
// found free once it has stepped aside proves it was the old one's other spelling, and a name
// swapped in by another process meanwhile is never replaced.
int NoReplaceRenamer::renameSpellingOnly(std::string_view from, std::string_view to) {
    if (!differInCaseOnly(from, to))
        return EEXIST;
    struct stat oldStat, newStat;
    if (const int error = status(from, oldStat))
        return error;
    if (m_drive.stableInodes) {
        if (status(to, newStat) != 0)
            return EEXIST;
        const bool oneEntry =
            sameFile(oldStat, newStat) && oldStat.st_nlink == 1 && !S_ISDIR(oldStat.st_mode);
        if (!oneEntry)
            return EEXIST;
    } else if (!m_drive.caseInsensitive || S_ISDIR(oldStat.st_mode)) {
        return EEXIST; // through FUSE the numbers cannot tell: only the drive's facts can
    }
    std::string aside;
    if (const int error = renameToUnusedName(from, aside))
        return error;
    const SystemName target(to);
    const int error = renameBy(m_way, aside.c_str(), target.c_str(), oldStat.st_ino);
    if (error != 0) {
        m_leftUnder.clear();
        putBack(aside, SystemName(from).c_str(), oldStat);
    }
    return error;
}

} // namespace filvane
