#include "core/journal/RunJournal.h"

#include "core/base/DirectoryHandle.h"
#include "core/base/FileHandle.h"
#include "core/journal/JournalFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane {

namespace {

using namespace journal;

// A journal whose file has lost its write permission is complete: the mark a run makes when
// the disk has no room left for its last line.
constexpr mode_t JournalMode = 0600, CompleteMode = 0400;

int makeDirectories(const std::string &path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        if (const int error = makeDirectories(path.substr(0, slash)))
            return error;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

int writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        text.remove_prefix(static_cast<size_t>(written));
    }
    return 0;
}

int appendLine(const std::string &journalDirectory, const std::string &id, std::string_view line) {
    if (!isBareId(id))
        return EINVAL; // a name read from a journal that is no journal's: never followed
    int error = 0;
    // O_WRONLY on a journal marked complete by its mode works for its owner only as root, so
    // the mode is lifted for the line and put back.
    const std::string path = journalDirectory + "/" + id;
    struct stat st;
    const bool readOnly =
        ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0;
    if (readOnly)
        ::chmod(path.c_str(), JournalMode);
    const FileHandle file = openJournalFile(path, O_WRONLY | O_APPEND, error);
    if (file.isOpen()) {
        error = writeAll(file.get(), line);
        if (error == 0 && ::fdatasync(file.get()) != 0)
            error = errno;
    }
    if (readOnly)
        ::chmod(path.c_str(), CompleteMode);
    return error;
}

// Whether nobody holds the file (no writer, no run still going).
bool unlocked(int dirFd, const char *name) {
    const FileHandle file(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    return file.isOpen() && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::flock(file.get(), LOCK_SH | LOCK_NB) == 0;
}

// Removes the journals beyond the newest KeptRuns that nobody needs: finished or settled runs.
// A run cut off waits for recovery; a damaged journal is left for the look that sets it aside.
// Plans whose writer died before they became journals renamed nothing and go too.
void prune(const std::string &journalDirectory) {
    const std::vector<std::string> ids = journalIds(journalDirectory);
    const size_t excess = ids.size() > static_cast<size_t>(RunJournal::KeptRuns)
                              ? ids.size() - RunJournal::KeptRuns
                              : 0;
    for (size_t i = 0; i < excess; ++i) {
        if (journalInUse(journalDirectory, ids[i]))
            continue;
        const std::optional<JournalRecord> record =
            readJournal(journalDirectory, ids[i], JournalPart::WithoutSteps);
        if (record && (record->complete || record->settled))
            ::unlink((journalDirectory + "/" + ids[i]).c_str());
    }
    const FileHandle dir(::open(journalDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DirectoryHandle entries(journalDirectory);
    while (const dirent *entry = entries.next()) {
        std::string_view name(entry->d_name);
        if (!name.ends_with(PartSuffix))
            continue;
        name.remove_suffix(PartSuffix.size());
        if (isBareId(name) && dir.isOpen() && unlocked(dir.get(), entry->d_name))
            ::unlinkat(dir.get(), entry->d_name, 0);
    }
}

// Gives the plan written under `part` the journal's own name, never replacing a file.
int publish(int dirFd, const std::string &part, const std::string &id) {
    if (::renameat2(dirFd, part.c_str(), dirFd, id.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::linkat(dirFd, part.c_str(), dirFd, id.c_str(), 0) != 0)
        return errno;
    ::unlinkat(dirFd, part.c_str(), 0);
    return 0;
}

// A time that every file now in the folder was born before, and no file born from now on, by
// the clocks the file system dates births with: the coarse clock, or a finer time handed to
// another file meanwhile, never less than the coarse one. A file born before now was dated at
// most the fine time now; waiting until the coarse clock has passed that time, and taking the
// coarse time then, puts every later birth at or after it. The wait is a tick or two.
timespec birthClockAfterNow() {
    timespec fine{}, coarse{};
    ::clock_gettime(CLOCK_REALTIME, &fine);
    const auto before = [](const timespec &a, const timespec &b) {
        return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
    };
    for (int wait = 0; wait < 400; ++wait) {
        ::clock_gettime(CLOCK_REALTIME_COARSE, &coarse);
        if (!before(coarse, fine) &&
            (coarse.tv_sec != fine.tv_sec || coarse.tv_nsec != fine.tv_nsec))
            return coarse;
        const timespec pause{0, 250 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    // A coarse clock that does not catch up: a second past the fine time, so that no file born
    // within it passes for one of the run's.
    fine.tv_sec += 1;
    return fine;
}

// Whether a run in `folder` was cut off and waits to be dealt with (no writer holds it).
bool cutOffRunIn(const std::string &journalDirectory, const DirectoryIdentity &folder) {
    for (const std::string &id : journalIds(journalDirectory)) {
        const std::optional<JournalRecord> record =
            readJournal(journalDirectory, id, JournalPart::WithoutSteps);
        if (record && record->identity == folder && !record->complete && !record->settled &&
            !journalInUse(journalDirectory, id))
            return true;
    }
    return false;
}

// The folder as an absolute path, so that a journal made from "." means the same folder to a
// process started elsewhere.
std::string absoluteFolder(const std::string &folder) {
    if (char *resolved = ::realpath(folder.c_str(), nullptr)) {
        std::string path(resolved);
        std::free(resolved);
        return path;
    }
    if (!folder.empty() && folder[0] == '/')
        return folder;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + folder : folder;
}

// One step of the plan: its round ("c<n>", or "r" outside one), inode, both names and, where
// `filesFd` is given and the file is found under its name, its identity.
void appendStepLine(std::string &text, const JournalStep &s, int filesFd) {
    char number[24];
    if (s.round > 0) {
        text += 'c';
        text.append(number, std::to_chars(number, number + sizeof number, s.round).ptr);
    } else {
        text += 'r';
    }
    text += '\t';
    text.append(number, std::to_chars(number, number + sizeof number, s.inode).ptr);
    text += '\t';
    appendEscaped(text, s.before);
    text += '\t';
    appendEscaped(text, s.after);
    if (s.inode != 0 && filesFd >= 0) {
        const std::string before(s.before);
        const std::optional<FileIdentity> found = fileIdentityAt(filesFd, before.c_str());
        if (found && found->inode == s.inode) {
            text += '\t';
            text += found->text();
        }
    }
    text += '\n';
}

} // namespace

namespace journal {

FileHandle openJournalFile(const std::string &path, int flags, int &error) {
    FileHandle file(::open(path.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat st;
    if (!file.isOpen())
        error = errno;
    else if (::fstat(file.get(), &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = EINVAL;
    else
        error = 0;
    if (error != 0)
        file.reset();
    return file;
}

} // namespace journal

std::string defaultJournalDirectory() {
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/filvane";
    const char *home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd *user = ::getpwuid(::getuid());
        home = user && user->pw_dir ? user->pw_dir : "/";
    }
    return std::string(home) + "/.local/state/filvane";
}

RunJournal::RunJournal(std::string journalDirectory, RunKind kind, std::string undoes,
                       std::string intent)
    : m_directory(std::move(journalDirectory)), m_kind(kind), m_undoes(std::move(undoes)),
      m_intent(std::move(intent)) {}

RunJournal::~RunJournal() = default;

int RunJournal::begin(const std::string &folder, const DirectoryIdentity &identity, size_t count,
                      const std::function<JournalStep(size_t)> &step) {
    if (m_file.isOpen())
        return EBUSY;
    if (count > MostSteps)
        return EFBIG;
    if (const int error = makeDirectories(m_directory))
        return error;
    const FileHandle directory(::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen())
        return errno;
    const int dirFd = directory.get();
    if (const int error = holdFolder(identity))
        return error;
    // Each file's identity is measured here, in the folder the run renames in.
    const std::string absolute = absoluteFolder(folder);
    const FileHandle files(::open(absolute.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string part;
    int error = createPlanFile(dirFd, part);
    if (error == 0)
        error = writePlan(absolute, identity, files.isOpen() ? files.get() : -1, count, step);
    if (error == 0)
        error = publishPlan(dirFd, part);
    if (error != 0 && m_file.isOpen()) {
        ::unlinkat(dirFd, part.c_str(), 0); // the plan this call has just begun
        m_file.reset();
    }
    if (error != 0)
        m_folder.release();
    if (error == 0)
        prune(m_directory);
    return error;
}

int RunJournal::holdFolder(const DirectoryIdentity &identity) {
    m_holder = 0;
    if (!m_heldFolder || !m_heldFolder->held() || m_heldFolder->folder() != identity)
        if (const int error = m_folder.acquire(m_directory, identity, &m_holder))
            return error;
    // Held now, so no run can begin in the folder while this one looks.
    if (m_kind == RunKind::Rename && cutOffRunIn(m_directory, identity)) {
        m_folder.release();
        return CutOffRunWaits;
    }
    return 0;
}

int RunJournal::createPlanFile(int dirFd, std::string &part) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long stamp =
        static_cast<unsigned long long>(now.tv_sec) * 1000000000ull + now.tv_nsec;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt, ++stamp) {
        char name[64];
        std::snprintf(name, sizeof name, "run-%020llu-%ld.journal", stamp,
                      static_cast<long>(::getpid()));
        m_id = name;
        part = m_id + std::string(PartSuffix);
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        m_file.reset(
            ::openat(dirFd, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, JournalMode));
        error = m_file.isOpen() ? 0 : errno;
    }
    return error;
}

std::string RunJournal::planHead(const std::string &absolute, const DirectoryIdentity &identity,
                                 bool bornBefore) const {
    std::string text(MagicPrefix);
    text += std::to_string(CurrentVersion);
    text += "\nkind ";
    text += kindWord(m_kind);
    if (!m_undoes.empty()) {
        text += "\nundoes ";
        appendEscaped(text, m_undoes);
    }
    if (!m_intent.empty()) {
        text += "\nintent ";
        appendEscaped(text, m_intent);
    }
    text += "\nfolder ";
    appendEscaped(text, absolute);
    text += "\nidentity " + std::to_string(identity.device) + " " + std::to_string(identity.inode);
    text += "\npid " + std::to_string(::getpid());
    if (isWayWord(m_way))
        text += "\nway " + m_way;
    if (bornBefore) {
        const timespec started = birthClockAfterNow();
        text +=
            "\nstarted " + std::to_string(started.tv_sec) + " " + std::to_string(started.tv_nsec);
    }
    return text;
}

int RunJournal::writePlan(const std::string &absolute, const DirectoryIdentity &identity,
                          int filesFd, size_t count,
                          const std::function<JournalStep(size_t)> &step) {
    const int fd = m_file.get();
    if (::flock(fd, LOCK_EX) != 0)
        return errno;
    // Where the file system keeps birth times, one time for all stands in for a look at each
    // file: a file of the run was born before it, one that took an inode number since was born
    // after. Elsewhere each file's size and modification time are kept.
    const bool bornBefore = filesFd >= 0 && keepsBirthTimes(filesFd);
    // Written through one small buffer, so a plan of many files touches little memory.
    constexpr size_t Chunk = 1 << 16;
    std::string text;
    text.reserve(Chunk + 3 * MostLineBytes);
    Sum sum;
    int error = 0;
    const auto flush = [&] {
        sum.add(text);
        error = writeAll(fd, text);
        text.clear();
    };
    text += planHead(absolute, identity, bornBefore);
    text += "\nsteps " + std::to_string(count) + "\n";
    for (size_t i = 0; i < count && error == 0; ++i) {
        appendStepLine(text, step(i), bornBefore ? -1 : filesFd);
        if (text.size() >= Chunk)
            flush();
    }
    if (error == 0)
        flush();
    if (error == 0)
        error = writeAll(fd, "planned " + sum.text() + "\n");
    return error;
}

int RunJournal::publishPlan(int dirFd, const std::string &part) {
    // Once, before the first rename: after a crash the disk itself, read by inode, says how far
    // the run got. Only a whole, durable plan gets the journal's own name.
    if (::fsync(m_file.get()) != 0)
        return errno;
    if (const int error = publish(dirFd, part, m_id))
        return error;
    if (::fsync(dirFd) != 0) {
        const int error = errno;
        ::unlinkat(dirFd, m_id.c_str(), 0); // the journal this call has just made
        return error;
    }
    return 0;
}

int RunJournal::finish(int renamedCount) {
    if (!m_file.isOpen())
        return EBADF;
    const std::string line = "complete " + std::to_string(renamedCount) + "\n";
    int error = writeAll(m_file.get(), line);
    if (error == 0 && ::fdatasync(m_file.get()) != 0)
        error = errno;
    if (error != 0 && ::fchmod(m_file.get(), CompleteMode) == 0)
        ::fsync(m_file.get());
    m_folder.release();
    return error;
}

std::vector<std::string> journalIds(const std::string &journalDirectory) {
    std::vector<std::string> ids;
    DirectoryHandle dir(journalDirectory);
    while (const dirent *entry = dir.next()) {
        const std::string_view name(entry->d_name);
        if (name.starts_with(Prefix) && name.ends_with(Suffix))
            ids.emplace_back(name);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

bool journalInUse(const std::string &journalDirectory, const std::string &id) {
    int error = 0;
    const FileHandle file = openJournalFile(journalDirectory + "/" + id, O_RDONLY, error);
    return file.isOpen() && ::flock(file.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

int setJournalAside(const std::string &journalDirectory, const std::string &id) {
    if (!isBareId(id))
        return EINVAL;
    const std::string from = journalDirectory + "/" + id;
    const std::string to = journalDirectory + "/" + std::string(DamagedPrefix) + id;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

int markJournal(const std::string &journalDirectory, const std::string &id, JournalMark mark,
                const std::string &by, int renamedCount) {
    std::string line;
    switch (mark) {
    case JournalMark::Complete:
        line = "complete " + std::to_string(renamedCount);
        break;
    case JournalMark::Undone:
        line = "undone ";
        appendEscaped(line, by);
        break;
    case JournalMark::Redone:
        line = "redone ";
        appendEscaped(line, by);
        break;
    case JournalMark::Settled:
        line = "settled ";
        appendEscaped(line, by);
        break;
    }
    line += '\n';
    return appendLine(journalDirectory, id, line);
}

} // namespace filvane
