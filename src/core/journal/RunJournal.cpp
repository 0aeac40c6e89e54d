#include "core/journal/RunJournal.h"

#include "core/base/DirectoryHandle.h"
#include "core/base/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filvane {

namespace {

constexpr std::string_view Magic = "filvane-journal 1";
constexpr std::string_view Prefix = "run-", Suffix = ".journal";
constexpr std::string_view DamagedPrefix = "damaged-";
// Far more than a plan of the most files a run takes; a larger file is no journal of ours.
constexpr off_t MostJournalBytes = off_t(1) << 30;
// How much of each end of a large journal is read when its steps are not wanted.
constexpr size_t JournalEndBytes = 64 * 1024;
// A journal whose file has lost its write permission is complete: the mark a run makes when
// the disk has no room left for its last line.
constexpr mode_t JournalMode = 0600, CompleteMode = 0400;

std::string_view kindWord(RunKind kind) {
    switch (kind) {
    case RunKind::Undo:
        return "undo";
    case RunKind::Recovery:
        return "recovery";
    default:
        return "rename";
    }
}

// Names are bytes; the journal is lines of tab-separated fields, so a byte that would end a
// field or a line (and the escape itself) is written "\xNN".
void appendEscaped(std::string &out, std::string_view name) {
    static constexpr char hex[] = "0123456789abcdef";
    const auto plain = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7f && c != '\\';
    };
    // Whether any of eight bytes is below 0x20, 0x7f or a backslash, all at once.
    const auto anyEscaped = [](std::uint64_t word) {
        constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
        const auto below = [&](std::uint64_t w, std::uint64_t n) {
            return (w - ones * n) & ~w & highs;
        };
        return (below(word, 0x20) | below(word ^ (ones * 0x7f), 1) |
                below(word ^ (ones * '\\'), 1)) != 0;
    };
    // Runs of plain bytes go in whole, eight bytes looked at a time: a plan of many files writes
    // many names, and few need escaping.
    size_t at = 0;
    while (at < name.size()) {
        size_t end = at;
        for (std::uint64_t word; end + 8 <= name.size(); end += 8) {
            std::memcpy(&word, name.data() + end, 8);
            if (anyEscaped(word))
                break;
        }
        while (end < name.size() && plain(name[end]))
            ++end;
        out.append(name.data() + at, end - at);
        if (end == name.size())
            break;
        const auto byte = static_cast<unsigned char>(name[end]);
        const char escaped[] = {'\\', 'x', hex[byte >> 4], hex[byte & 0x0f]};
        out.append(escaped, sizeof escaped);
        at = end + 1;
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool unescape(std::string_view text, std::string &out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 3 >= text.size() || text[i + 1] != 'x')
            return false;
        const int high = hexValue(text[i + 2]), low = hexValue(text[i + 3]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return true;
}

template <typename Number> bool parseNumber(std::string_view text, Number &value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

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

// Opens a journal file without ever waiting on it: a FIFO or device under a journal's name is
// refused (EINVAL) instead of hanging the start.
FileHandle openJournal(const std::string &path, int flags, int &error) {
    FileHandle file(::open(path.c_str(), flags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
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

int appendLine(const std::string &journalDirectory, const std::string &id, std::string_view line) {
    int error = 0;
    // O_WRONLY on a journal marked complete by its mode works for its owner only as root, so
    // the mode is lifted for the line and put back.
    const std::string path = journalDirectory + "/" + id;
    struct stat st;
    const bool readOnly = ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
    if (readOnly)
        ::chmod(path.c_str(), JournalMode);
    const FileHandle file = openJournal(path, O_WRONLY | O_APPEND, error);
    if (file.isOpen()) {
        error = writeAll(file.get(), line);
        if (error == 0 && ::fdatasync(file.get()) != 0)
            error = errno;
    }
    if (readOnly)
        ::chmod(path.c_str(), CompleteMode);
    return error;
}

// Removes the journals beyond the newest KeptRuns that nobody needs: finished or settled runs,
// and plans cut off before they were whole (their run renamed nothing). A run cut off waits for
// recovery.
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
        if (record && record->planned && !record->complete && !record->settled)
            continue;
        if (record)
            ::unlink((journalDirectory + "/" + ids[i]).c_str());
    }
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

} // namespace

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
    if (const int error = makeDirectories(m_directory))
        return error;
    const FileHandle directory(::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen())
        return errno;
    const int dirFd = directory.get();
    // Each file's identity is measured here, in the folder the run renames in.
    const std::string absolute = absoluteFolder(folder);
    const FileHandle files(::open(absolute.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
        m_file.reset(::openat(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, JournalMode));
        error = m_file.isOpen() ? 0 : errno;
    }
    const int m_fd = m_file.get();
    if (error == 0 && ::flock(m_fd, LOCK_EX) != 0)
        error = errno;
    if (error == 0) {
        // Written through one small buffer, so a plan of many files touches little memory.
        constexpr size_t Chunk = 1 << 16;
        std::string text;
        text.reserve(Chunk + 3 * 4096);
        text += Magic;
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
        text +=
            "\nidentity " + std::to_string(identity.device) + " " + std::to_string(identity.inode);
        text += "\npid " + std::to_string(::getpid());
        // Where the file system keeps birth times, one time for all stands in for a look at
        // each file: a file of the run was born before it, one that took an inode number since
        // was born after. Elsewhere each file's size and modification time are kept.
        const bool bornBefore = files.isOpen() && keepsBirthTimes(files.get());
        if (bornBefore)
            text += "\nstarted " + std::to_string(now.tv_sec) + " " + std::to_string(now.tv_nsec);
        text += "\nsteps " + std::to_string(count) + "\n";
        char number[24];
        for (size_t i = 0; i < count && error == 0; ++i) {
            const JournalStep s = step(i);
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
            if (s.inode != 0 && files.isOpen() && !bornBefore) {
                const std::string before(s.before);
                const std::optional<FileIdentity> found =
                    fileIdentityAt(files.get(), before.c_str());
                if (found && found->inode == s.inode) {
                    text += '\t';
                    text += found->text();
                }
            }
            text += '\n';
            if (text.size() >= Chunk) {
                error = writeAll(m_fd, text);
                text.clear();
            }
        }
        text += "planned\n";
        if (error == 0)
            error = writeAll(m_fd, text);
        // Once, before the first rename: after a crash the disk itself, read by inode, says how
        // far the run got.
        if (error == 0 && ::fsync(m_fd) != 0)
            error = errno;
        if (error == 0 && ::fsync(dirFd) != 0)
            error = errno;
    }
    if (error != 0 && m_file.isOpen()) {
        ::unlinkat(dirFd, m_id.c_str(), 0); // the journal this call has just made
        m_file.reset();
    }
    if (error == 0)
        prune(m_directory);
    return error;
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
    const FileHandle file = openJournal(journalDirectory + "/" + id, O_RDONLY, error);
    return file.isOpen() && ::flock(file.get(), LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

int setJournalAside(const std::string &journalDirectory, const std::string &id) {
    const std::string from = journalDirectory + "/" + id;
    const std::string to = journalDirectory + "/" + std::string(DamagedPrefix) + id;
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0
                                                                                            : errno;
}

std::optional<JournalRecord> readJournal(const std::string &journalDirectory, const std::string &id,
                                         JournalPart part, bool *damaged) {
    bool ignored = false;
    bool &isDamaged = damaged ? *damaged : ignored;
    isDamaged = false;
    int error = 0;
    const FileHandle file = openJournal(journalDirectory + "/" + id, O_RDONLY, error);
    struct stat st;
    if (!file.isOpen() || ::fstat(file.get(), &st) != 0) {
        isDamaged = error == EINVAL || error == ELOOP; // not a regular file
        return std::nullopt;
    }
    if (st.st_size > MostJournalBytes) {
        isDamaged = true;
        return std::nullopt;
    }
    // Without its steps, a large journal is read at its two ends only: the head up to the step
    // count, and the marks after the steps. Every front end looks at every kept journal before
    // a run, so reading them whole would cost more than the run's own listing.
    const bool endsOnly =
        part == JournalPart::WithoutSteps && st.st_size > static_cast<off_t>(4 * JournalEndBytes);
    const auto readAt = [&file](off_t from, size_t size) {
        std::string bytes(size, '\0');
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::pread(file.get(), bytes.data() + got, bytes.size() - got,
                                      from + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    };
    const std::string text =
        readAt(0, endsOnly ? JournalEndBytes : static_cast<size_t>(st.st_size));
    const std::string tail =
        endsOnly ? readAt(st.st_size - static_cast<off_t>(JournalEndBytes), JournalEndBytes)
                 : std::string();

    // Whatever follows returns through here: the file is there, but no journal of ours.
    const auto bad = [&isDamaged]() -> std::optional<JournalRecord> {
        isDamaged = true;
        return std::nullopt;
    };
    JournalRecord record;
    record.id = id;
    std::string_view rest(text);
    const auto nextLine = [&rest](std::string_view &line) {
        const size_t end = rest.find('\n');
        if (end == std::string_view::npos)
            return false; // a line cut off is no line
        line = rest.substr(0, end);
        rest.remove_prefix(end + 1);
        return true;
    };
    // A line "word value", the value possibly empty.
    const auto wordAndValue = [](std::string_view line) {
        const size_t space = line.find(' ');
        return std::pair(line.substr(0, space), space == std::string_view::npos
                                                    ? std::string_view()
                                                    : line.substr(space + 1));
    };
    std::string_view line;
    if (!nextLine(line) || line != Magic)
        return text.empty() ? std::nullopt : bad(); // an empty file: a plan not yet begun
    size_t stepCount = 0;
    bool haveSteps = false;
    while (!haveSteps && nextLine(line)) {
        const auto [word, value] = wordAndValue(line);
        bool valid = true;
        if (word == "kind") {
            valid = value == "undo" || value == "recovery" || value == "rename";
            record.kind = value == "undo"       ? RunKind::Undo
                          : value == "recovery" ? RunKind::Recovery
                                                : RunKind::Rename;
        } else if (word == "undoes") {
            valid = unescape(value, record.undoes);
        } else if (word == "intent") {
            valid = unescape(value, record.intent);
        } else if (word == "folder") {
            valid = unescape(value, record.folder);
        } else if (word == "identity") {
            const size_t gap = value.find(' ');
            valid = gap != std::string_view::npos &&
                    parseNumber(value.substr(0, gap), record.identity.device) &&
                    parseNumber(value.substr(gap + 1), record.identity.inode);
        } else if (word == "pid") {
            valid = parseNumber(value, record.pid) && record.pid >= 0;
        } else if (word == "started") {
            const size_t gap = value.find(' ');
            std::int64_t seconds = 0;
            std::uint32_t nanoseconds = 0;
            valid = gap != std::string_view::npos && parseNumber(value.substr(0, gap), seconds) &&
                    parseNumber(value.substr(gap + 1), nanoseconds) && nanoseconds < 1000000000u;
            record.started = std::make_pair(seconds, nanoseconds);
        } else if (word == "steps") {
            // Every step is a line of at least eight bytes: a count beyond what the file can
            // hold is damage, not a reason to reserve room for it.
            valid = parseNumber(value, stepCount) && stepCount <= rest.size() / 8;
            haveSteps = true;
        }
        if (!valid)
            return bad();
    }
    if (!haveSteps && endsOnly)
        return readJournal(journalDirectory, id, JournalPart::Whole, damaged); // a head that long
    if (!haveSteps)
        return record; // cut off while the plan was written
    record.stepCount = stepCount;
    if (endsOnly) {
        // The tail starts inside a step; step lines hold tabs, the marks after them none.
        rest = tail;
        const size_t firstEnd = rest.find('\n');
        rest.remove_prefix(firstEnd == std::string_view::npos ? rest.size() : firstEnd + 1);
        bool sawStep = false;
        for (size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
            if (rest.substr(0, end).find('\t') == std::string_view::npos)
                break;
            rest.remove_prefix(end + 1);
            sawStep = true;
        }
        if (!sawStep) // marks longer than the tail: only the whole file tells them all
            return readJournal(journalDirectory, id, JournalPart::Whole, damaged);
    } else if (part == JournalPart::WithoutSteps) {
        size_t skipped = 0;
        while (skipped < stepCount && nextLine(line))
            ++skipped;
        if (skipped < stepCount)
            return record; // cut off while the plan was written
    }
    record.steps.reserve(part == JournalPart::Whole ? stepCount : 0);
    const int mostRound = static_cast<int>(
        std::min<size_t>(stepCount, static_cast<size_t>(std::numeric_limits<int>::max())));
    while (part == JournalPart::Whole && record.steps.size() < stepCount && nextLine(line)) {
        RecordedStep &step = record.steps.emplace_back();
        // c<round> or r, inode, before, after, and an identity where it was measured.
        std::string_view fields[5];
        size_t count = 0;
        for (std::string_view from = line; count < 5;) {
            const size_t tab = from.find('\t');
            fields[count++] = from.substr(0, tab);
            if (tab == std::string_view::npos)
                break;
            from.remove_prefix(tab + 1);
            if (count == 5)
                return bad();
        }
        if (count < 4 || fields[0].empty() || (fields[0][0] != 'c' && fields[0][0] != 'r') ||
            (fields[0][0] == 'r' && fields[0].size() != 1) ||
            (fields[0][0] == 'c' && (!parseNumber(fields[0].substr(1), step.round) ||
                                     step.round < 1 || step.round > mostRound)) ||
            !parseNumber(fields[1], step.inode) || !unescape(fields[2], step.before) ||
            !unescape(fields[3], step.after) || step.before.empty() || step.after.empty())
            return bad();
        if (count == 5) {
            step.identity = FileIdentity::parse(fields[4]);
            if (!step.identity || step.identity->inode != step.inode)
                return bad();
        } else if (record.started && step.inode != 0) {
            FileIdentity born;
            born.inode = step.inode;
            born.bornBefore = true;
            born.birthSeconds = record.started->first;
            born.birthNanoseconds = record.started->second;
            step.identity = born;
        }
    }
    while (nextLine(line)) {
        const auto [word, value] = wordAndValue(line);
        if (word == "planned") {
            record.planned = part == JournalPart::WithoutSteps || record.steps.size() == stepCount;
        } else if (word == "complete") {
            record.complete = true;
            if (!parseNumber(value, record.renamedCount) || record.renamedCount < 0 ||
                static_cast<size_t>(record.renamedCount) > stepCount)
                return bad();
        } else if (word == "undone") {
            record.undone = true;
        } else if (word == "redone") {
            record.undone = false;
        } else if (word == "settled") {
            record.settled = true;
            unescape(value, record.settledBy);
        }
    }
    // Marked complete by its mode alone: how many it renamed is not known, only that it ended.
    if (record.planned && !record.complete && (st.st_mode & S_IWUSR) == 0) {
        record.complete = true;
        record.renamedCount = static_cast<int>(std::min<size_t>(stepCount, INT_MAX));
    }
    return record;
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
