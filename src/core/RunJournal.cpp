#include "core/RunJournal.h"

#include "core/DirectoryHandle.h"

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

constexpr std::string_view Magic = "filvane-journal 1";
constexpr std::string_view Prefix = "run-", Suffix = ".journal";

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

int appendLine(const std::string &journalDirectory, const std::string &id, std::string_view line) {
    const int fd = ::open((journalDirectory + "/" + id).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, line);
    if (error == 0 && ::fdatasync(fd) != 0)
        error = errno;
    ::close(fd);
    return error;
}

// The end of a journal, where its marks are: enough to tell a finished run from one cut off.
std::string tailOf(const std::string &path) {
    constexpr off_t TailSize = 4096;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat st;
    std::string tail;
    if (::fstat(fd, &st) == 0) {
        const off_t from = std::max<off_t>(0, st.st_size - TailSize);
        tail.resize(static_cast<size_t>(st.st_size - from));
        const ssize_t got = ::pread(fd, tail.data(), tail.size(), from);
        tail.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
    ::close(fd);
    return tail;
}

// Removes the journals beyond the newest KeptRuns that nobody needs: finished runs, and plans
// cut off before they were whole (their run renamed nothing). A run cut off waits for recovery.
void prune(const std::string &journalDirectory) {
    const std::vector<std::string> ids = journalIds(journalDirectory);
    const size_t excess = ids.size() > static_cast<size_t>(RunJournal::KeptRuns)
                              ? ids.size() - RunJournal::KeptRuns
                              : 0;
    for (size_t i = 0; i < excess; ++i) {
        const std::string path = journalDirectory + "/" + ids[i];
        if (journalInUse(journalDirectory, ids[i]))
            continue;
        const std::string tail = tailOf(path);
        const bool finished = tail.find("\ncomplete ") != std::string::npos;
        const bool cutOff = tail.ends_with("\nplanned\n");
        if (finished || !cutOff)
            ::unlink(path.c_str());
    }
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

RunJournal::RunJournal(std::string journalDirectory, RunKind kind, std::string undoes)
    : m_directory(std::move(journalDirectory)), m_kind(kind), m_undoes(std::move(undoes)) {}

RunJournal::~RunJournal() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int RunJournal::begin(const std::string &folder, const DirectoryIdentity &identity, size_t count,
                      const std::function<JournalStep(size_t)> &step) {
    if (m_fd >= 0)
        return EBUSY;
    if (const int error = makeDirectories(m_directory))
        return error;
    const int dirFd = ::open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return errno;
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
        m_fd = ::openat(dirFd, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        error = m_fd < 0 ? errno : 0;
    }
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
        text += "\nfolder ";
        appendEscaped(text, folder);
        text +=
            "\nidentity " + std::to_string(identity.device) + " " + std::to_string(identity.inode);
        text += "\npid " + std::to_string(::getpid());
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
    if (error != 0 && m_fd >= 0) {
        ::unlinkat(dirFd, m_id.c_str(), 0); // the journal this call has just made
        ::close(m_fd);
        m_fd = -1;
    }
    ::close(dirFd);
    if (error == 0)
        prune(m_directory);
    return error;
}

int RunJournal::finish(int renamedCount) {
    if (m_fd < 0)
        return EBADF;
    const std::string line = "complete " + std::to_string(renamedCount) + "\n";
    if (const int error = writeAll(m_fd, line))
        return error;
    return ::fdatasync(m_fd) == 0 ? 0 : errno;
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
    const int fd = ::open((journalDirectory + "/" + id).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool inUse = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return inUse;
}

std::optional<JournalRecord> readJournal(const std::string &journalDirectory, const std::string &id,
                                         JournalPart part) {
    const int fd = ::open((journalDirectory + "/" + id).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        text.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);

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
        return std::nullopt;
    size_t stepCount = 0;
    while (nextLine(line)) {
        const auto [word, value] = wordAndValue(line);
        if (word == "kind") {
            record.kind = value == "undo"       ? RunKind::Undo
                          : value == "recovery" ? RunKind::Recovery
                                                : RunKind::Rename;
        } else if (word == "undoes") {
            unescape(value, record.undoes);
        } else if (word == "folder") {
            unescape(value, record.folder);
        } else if (word == "identity") {
            const size_t gap = value.find(' ');
            parseNumber(value.substr(0, gap), record.identity.device);
            if (gap != std::string_view::npos)
                parseNumber(value.substr(gap + 1), record.identity.inode);
        } else if (word == "pid") {
            parseNumber(value, record.pid);
        } else if (word == "steps") {
            parseNumber(value, stepCount);
            break;
        }
    }
    record.stepCount = stepCount;
    if (part == JournalPart::WithoutSteps) {
        size_t skipped = 0;
        while (skipped < stepCount && nextLine(line))
            ++skipped;
        if (skipped < stepCount)
            return record; // cut off while the plan was written
    }
    record.steps.reserve(part == JournalPart::Whole ? stepCount : 0);
    while (part == JournalPart::Whole && record.steps.size() < stepCount && nextLine(line)) {
        RecordedStep &step = record.steps.emplace_back();
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos ||
            (line[0] == 'c' && !parseNumber(line.substr(1, tab - 1), step.round)))
            return std::nullopt;
        line.remove_prefix(tab + 1);
        const size_t first = line.find('\t');
        const size_t second =
            line.find('\t', first == std::string_view::npos ? line.size() : first + 1);
        if (second == std::string_view::npos || !parseNumber(line.substr(0, first), step.inode) ||
            !unescape(line.substr(first + 1, second - first - 1), step.before) ||
            !unescape(line.substr(second + 1), step.after))
            return std::nullopt;
    }
    while (nextLine(line)) {
        const auto [word, value] = wordAndValue(line);
        if (word == "planned") {
            record.planned = part == JournalPart::WithoutSteps || record.steps.size() == stepCount;
        } else if (word == "complete") {
            record.complete = true;
            parseNumber(value, record.renamedCount);
        } else if (word == "undone") {
            record.undone = true;
        } else if (word == "redone") {
            record.undone = false;
        }
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
    }
    line += '\n';
    return appendLine(journalDirectory, id, line);
}

} // namespace filvane
