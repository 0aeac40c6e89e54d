#include "core/journal/RunJournal.h"

#include "core/journal/JournalFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

// The reader of the journal: every line checked against what the writer makes (JournalFormat.h).
namespace filvane {

namespace {

using namespace journal;

template <typename Number> bool parseNumber(std::string_view text, Number &value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Reads a journal line by line through one buffer, never past the size the file had when it
// was opened, never holding a line longer than any the writer makes: what reading costs is
// bounded by the file's true size, whatever its lines claim.
class LineReader {
public:
    LineReader(int fd, off_t from, off_t end) : m_fd(fd), m_offset(from), m_end(end) {}

    // False at the end, or when a line is longer than MostLineBytes (`overlong`), or cut off.
    bool next(std::string_view &line) {
        for (;;) {
            const size_t newline = m_buffer.find('\n', m_at);
            if (newline != std::string::npos) {
                line = std::string_view(m_buffer).substr(m_at, newline - m_at);
                sum.add(std::string_view(m_buffer).substr(m_at, newline + 1 - m_at));
                m_at = newline + 1;
                return true;
            }
            if (m_buffer.size() - m_at > MostLineBytes) {
                overlong = true;
                return false;
            }
            if (!fill())
                return false;
        }
    }

    Sum sum; // of the lines read so far
    bool overlong = false;

private:
    bool fill() {
        if (m_offset >= m_end)
            return false;
        m_buffer.erase(0, m_at);
        m_at = 0;
        const size_t have = m_buffer.size();
        const size_t want = static_cast<size_t>(std::min<off_t>(m_end - m_offset, off_t(Chunk)));
        m_buffer.resize(have + want);
        ssize_t got;
        do
            got = ::pread(m_fd, m_buffer.data() + have, want, m_offset);
        while (got < 0 && errno == EINTR);
        if (got <= 0) {
            m_buffer.resize(have);
            m_offset = m_end;
            return false;
        }
        m_buffer.resize(have + static_cast<size_t>(got));
        m_offset += got;
        return true;
    }

    static constexpr size_t Chunk = 1 << 16;
    int m_fd;
    off_t m_offset;
    off_t m_end;
    std::string m_buffer;
    size_t m_at = 0;
};

// A line "word value", the value possibly empty.
std::pair<std::string_view, std::string_view> wordAndValue(std::string_view line) {
    const size_t space = line.find(' ');
    return {line.substr(0, space),
            space == std::string_view::npos ? std::string_view() : line.substr(space + 1)};
}

bool parseTwo(std::string_view value, auto &first, auto &second) {
    const size_t gap = value.find(' ');
    return gap != std::string_view::npos && parseNumber(value.substr(0, gap), first) &&
           parseNumber(value.substr(gap + 1), second);
}

// One head line into `record`; false when it is no line a writer makes.
bool readHeadLine(std::string_view word, std::string_view value, JournalRecord &record) {
    if (word == "kind") {
        const std::optional<RunKind> kind = kindOfWord(value);
        record.kind = kind.value_or(RunKind::Rename);
        return kind.has_value();
    }
    if (word == "undoes")
        return unescape(value, record.undoes) && isBareId(record.undoes);
    if (word == "intent")
        return unescape(value, record.intent) && isIntentWord(record.intent);
    if (word == "folder")
        return unescape(value, record.folder) && isAbsoluteFolder(record.folder);
    if (word == "identity")
        return parseTwo(value, record.identity.device, record.identity.inode);
    if (word == "pid")
        return parseNumber(value, record.pid) && record.pid >= 0;
    if (word == "way")
        return record.version >= 2 && isWayWord(value) && (record.way = value, true);
    if (word == "started") {
        std::int64_t seconds = 0;
        std::uint32_t nanoseconds = 0;
        if (!parseTwo(value, seconds, nanoseconds) || nanoseconds >= 1000000000u)
            return false;
        record.started = std::make_pair(seconds, nanoseconds);
        return true;
    }
    return false;
}

// One step line; false when it is no step a writer makes.
bool readStep(std::string_view line, const JournalRecord &record, size_t stepCount,
              RecordedStep &step) {
    // c<round> or r, inode, before, after, and an identity where it was measured.
    std::string_view fields[5];
    size_t count = 0;
    for (std::string_view from = line;;) {
        if (count == 5)
            return false;
        const size_t tab = from.find('\t');
        fields[count++] = from.substr(0, tab);
        if (tab == std::string_view::npos)
            break;
        from.remove_prefix(tab + 1);
    }
    const size_t mostRound = std::min<size_t>(stepCount, std::numeric_limits<int>::max());
    if (count < 4 || fields[0].empty() || (fields[0][0] != 'c' && fields[0][0] != 'r') ||
        (fields[0][0] == 'r' && fields[0].size() != 1) ||
        (fields[0][0] == 'c' && (!parseNumber(fields[0].substr(1), step.round) || step.round < 1 ||
                                 static_cast<size_t>(step.round) > mostRound)) ||
        !parseNumber(fields[1], step.inode) || !unescape(fields[2], step.before) ||
        !unescape(fields[3], step.after))
        return false;
    // Names are names in the folder: never a path, never the program's private names as a
    // name to give (a file under one is only ever moved away from it, by an undo or recovery).
    if (!isPlainName(step.before) || !isPlainName(step.after) || isPrivateName(step.after) ||
        (record.kind == RunKind::Rename && isPrivateName(step.before)))
        return false;
    if (count == 5) {
        step.identity = FileIdentity::parse(fields[4]);
        if (!step.identity || step.identity->inode != step.inode)
            return false;
    } else if (record.started && step.inode != 0) {
        FileIdentity born;
        born.inode = step.inode;
        born.bornBefore = true;
        born.birthSeconds = record.started->first;
        born.birthNanoseconds = record.started->second;
        step.identity = born;
    }
    return true;
}

// The marks after the plan; false for a line no writer makes.
bool readMark(std::string_view line, size_t stepCount, JournalRecord &record) {
    const auto [word, value] = wordAndValue(line);
    if (word == "complete") {
        int count = 0;
        if (!parseNumber(value, count) || count < 0)
            return false;
        // Version 1 counted a file that kept its name too: more than its steps is no damage
        // there, only a count too high.
        if (static_cast<size_t>(count) > stepCount) {
            if (record.version >= 2)
                return false;
            count = static_cast<int>(std::min<size_t>(stepCount, INT_MAX));
        }
        record.complete = true;
        record.renamedCount = count;
        return true;
    }
    std::string by;
    if (!unescape(value, by) || (!by.empty() && !isBareId(by)))
        return false;
    if (word == "undone" && !by.empty()) {
        record.undone = true;
        return true;
    }
    if (word == "redone" && !by.empty()) {
        record.undone = false;
        return true;
    }
    if (word == "settled") {
        record.settled = true;
        record.settledBy = by;
        return true;
    }
    return false;
}

// The `planned` line of the record's version, its sum checked where it has one.
bool isPlannedLine(std::string_view line, const JournalRecord &record, const Sum *sum) {
    if (record.version < 2)
        return line == "planned";
    const auto [word, value] = wordAndValue(line);
    return word == "planned" && value.size() == 16 && (!sum || value == sum->text());
}

// Marked complete by its mode alone: how many it renamed is not known, only that it ended.
void completeByMode(JournalRecord &record, mode_t mode) {
    if (!record.complete && (mode & S_IWUSR) == 0) {
        record.complete = true;
        record.renamedCount = static_cast<int>(std::min<size_t>(record.stepCount, INT_MAX));
    }
}

// The first line: ours, of a version this program reads.
bool readVersion(LineReader &lines, JournalRecord &record) {
    std::string_view line;
    // Every journal under its own name was whole when it got it: one cut off, empty or not
    // ours is damaged, and set aside by the caller, never taken for a plan not yet begun.
    if (!lines.next(line) || !line.starts_with(MagicPrefix))
        return false;
    const std::string_view version = line.substr(MagicPrefix.size());
    if (version == "1")
        record.version = 1;
    else if (version == "2")
        record.version = 2;
    else
        return false;
    return true;
}

// The head up to and with the step count, checked against what a file of `size` bytes holds.
bool readHead(LineReader &lines, off_t size, JournalRecord &record) {
    if (!readVersion(lines, record))
        return false;
    std::string_view line;
    for (int headLines = 0;; ++headLines) {
        if (headLines > 16 || !lines.next(line))
            return false; // the head has a line per field, each once
        const auto [word, value] = wordAndValue(line);
        if (word == "steps") {
            // Every step is a line of at least LeastStepBytes: a count beyond what the file
            // holds is damage, not a reason to reserve room for it.
            size_t stepCount = 0;
            if (!parseNumber(value, stepCount) || stepCount > MostSteps ||
                stepCount > static_cast<std::uint64_t>(size) / LeastStepBytes ||
                static_cast<std::uint64_t>(size) > mostJournalBytes(stepCount))
                return false;
            record.stepCount = stepCount;
            break;
        }
        if (!readHeadLine(word, value, record))
            return false;
    }
    return !record.folder.empty() && (record.kind == RunKind::Rename || !record.undoes.empty());
}

enum class TailRead { Read, Damaged, TooShort };

// The marks of a large journal, read from its last TailBytes only: TooShort when the tail
// holds no step (marks longer than the tail: only the whole file tells them all).
constexpr off_t TailBytes = 64 * 1024;
TailRead readTail(int fd, off_t size, JournalRecord &record) {
    LineReader tail(fd, size - TailBytes, size);
    std::string_view line;
    tail.next(line); // the rest of a line begun before the tail
    bool sawStep = false, sawPlanned = false;
    JournalRecord marked = record;
    bool valid = true;
    while (valid && tail.next(line)) {
        if (!sawPlanned && line.find('\t') != std::string_view::npos) {
            sawStep = true;
            continue;
        }
        if (!sawStep)
            break;
        if (!sawPlanned)
            valid = sawPlanned = isPlannedLine(line, marked, nullptr);
        else
            valid = readMark(line, record.stepCount, marked);
    }
    if (!sawStep)
        return TailRead::TooShort;
    if (!valid || tail.overlong || !sawPlanned)
        return TailRead::Damaged;
    marked.planned = true;
    record = std::move(marked);
    return TailRead::Read;
}

// The steps (kept for JournalPart::Whole), the `planned` line with its sum, and the marks.
bool readBody(LineReader &lines, JournalPart part, JournalRecord &record) {
    if (part == JournalPart::Whole)
        record.steps.reserve(record.stepCount);
    std::string_view line;
    RecordedStep step;
    for (size_t i = 0; i < record.stepCount; ++i) {
        if (!lines.next(line) || !readStep(line, record, record.stepCount, step))
            return false;
        if (part == JournalPart::Whole)
            record.steps.push_back(std::move(step));
        step = {};
    }
    const Sum planSum = lines.sum;
    if (!lines.next(line) || !isPlannedLine(line, record, &planSum))
        return false;
    record.planned = true;
    while (lines.next(line))
        if (!readMark(line, record.stepCount, record))
            return false;
    // A mark cut off at the end (the disk full as it was appended) is no mark; anything longer
    // than a line is no journal's.
    return !lines.overlong;
}

// The journal open as `fd`; none when it is no journal this program could have written.
std::optional<JournalRecord> parseJournal(int fd, const struct stat &st, const std::string &id,
                                          JournalPart part) {
    if (static_cast<std::uint64_t>(st.st_size) > mostJournalBytes(MostSteps))
        return std::nullopt;
    JournalRecord record;
    record.id = id;
    LineReader lines(fd, 0, st.st_size);
    if (!readHead(lines, st.st_size, record))
        return std::nullopt;
    // Without its steps, a large journal is read at its two ends only: the head up to the step
    // count, and the marks after the steps. Every front end looks at every kept journal before
    // a run, so reading them whole would cost more than the run's own listing.
    if (part == JournalPart::WithoutSteps && st.st_size > 4 * TailBytes) {
        const TailRead tail = readTail(fd, st.st_size, record);
        if (tail == TailRead::Damaged)
            return std::nullopt;
        if (tail == TailRead::Read) {
            completeByMode(record, st.st_mode);
            return record;
        }
    }
    if (!readBody(lines, part, record))
        return std::nullopt;
    completeByMode(record, st.st_mode);
    return record;
}

} // namespace

std::optional<JournalRecord> readJournal(const std::string &journalDirectory, const std::string &id,
                                         JournalPart part, bool *damaged) {
    bool ignored = false;
    bool &isDamaged = damaged ? *damaged : ignored;
    isDamaged = false;
    if (!isBareId(id))
        return std::nullopt;
    int error = 0;
    const FileHandle file = openJournalFile(journalDirectory + "/" + id, O_RDONLY, error);
    struct stat st;
    if (!file.isOpen() || ::fstat(file.get(), &st) != 0) {
        isDamaged = error == EINVAL || error == ELOOP; // not a regular file
        return std::nullopt;
    }
    // The file is there: unless it reads as a journal, it is no journal of ours.
    std::optional<JournalRecord> record = parseJournal(file.get(), st, id, part);
    isDamaged = !record;
    return record;
}

} // namespace filvane
