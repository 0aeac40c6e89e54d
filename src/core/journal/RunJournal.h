#pragma once

#include "core/base/DirectoryIdentity.h"
#include "core/base/FileHandle.h"
#include "core/base/FileIdentity.h"
#include "core/base/PrivateName.h"
#include "core/journal/FolderLock.h"
#include "core/journal/JournalFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace filvane {

// One file of a run's plan, in the order the run will rename: the file (its inode, 0 when it was
// not found as the run began), the name it has and the name it is to get. Files of a round of
// names that turn together carry the round's number (from 1); while a round turns, its files
// pass through each other's names or a temporary one.
struct JournalStep {
    std::uint64_t inode = 0;
    std::string_view before;
    std::string_view after;
    int round = 0;
};

struct RecordedStep {
    std::uint64_t inode = 0;
    std::string before;
    std::string after;
    int round = 0;
    // The file as the run began, when it was found then (journals of older versions: none).
    std::optional<FileIdentity> identity;
};

// A journal as read back (see JournalFormat.h for what each field holds).
struct JournalRecord {
    std::string id; // its file name in the journal folder; later runs have greater ids
    int version = journal::CurrentVersion;
    RunKind kind = RunKind::Rename;
    std::string undoes;
    std::string intent; // of a recovery: "restore", "finish" or "leave"
    std::string way;    // how the run renamed, the renamer's word; empty in version 1
    // When the plan was made, where the folder keeps birth times: its files were born before.
    std::optional<std::pair<std::int64_t, std::uint32_t>> started;
    std::string folder; // absolute
    DirectoryIdentity identity;
    long pid = 0;
    bool planned = false;  // the plan was whole and durable, so the run may have renamed
    bool complete = false; // the run ended (also when stopped); none was cut off
    int renamedCount = 0;  // steps whose file got its new name, as the run counted at its end
    bool undone = false;   // taken back by a later undo that has not itself been undone
    // Dealt with by another run (`settledBy`) or left as it is by the user: never offered for
    // recovery, and its files are no longer its own to move.
    bool settled = false;
    std::string settledBy;
    size_t stepCount = 0;
    std::vector<RecordedStep> steps; // empty when read without them
};

// The folder journals live in: $XDG_STATE_HOME/filvane, else ~/.local/state/filvane.
std::string defaultJournalDirectory();

// The journal of one run: its plan, written under a private name, made durable (fsync of file
// and folder) and only then given its own name, before the first rename; marked complete at the
// end. Its file stays locked while this object lives, so a run still going in another window is
// never taken for one cut off, and the run's folder is held (FolderLock) from the plan to its
// end, so that no other run, undo or recovery works in it meanwhile. The last
// KeptRuns journals are kept; older ones are removed as a new one begins. Each file's identity
// (FileIdentity) is measured as the plan is written, so that an undo or a recovery later moves
// only that file and never another that took its inode number.
class RunJournal {
public:
    static constexpr int KeptRuns = 20;

    explicit RunJournal(std::string journalDirectory, RunKind kind = RunKind::Rename,
                        std::string undoes = {}, std::string intent = {});
    ~RunJournal();
    RunJournal(const RunJournal &) = delete;
    RunJournal &operator=(const RunJournal &) = delete;

    // Refusals of begin besides an errno: another process holds the folder (folderHolder() says
    // which, 0 when unknown), or a run cut off in it waits to be dealt with (a user's run only).
    static constexpr int FolderInUse = FolderLock::InUse;
    static constexpr int CutOffRunWaits = ESTALE;

    // How the run renames (the renamer's word), written as the plan's `way`.
    void setWay(std::string way) { m_way = std::move(way); }
    // The caller holds the folder already (an undo or a recovery, from its look at the files on).
    void useHeldFolder(const FolderLock *lock) { m_heldFolder = lock; }
    long folderHolder() const { return m_holder; }

    // Writes the plan, `step(0)` to `step(count - 1)`; 0 once it is durable, else the errno
    // (and nothing is left behind).
    int begin(const std::string &folder, const DirectoryIdentity &identity, size_t count,
              const std::function<JournalStep(size_t)> &step);
    // Marks the run complete, `renamedCount` counting the steps whose file got its new name,
    // and lets the folder go; 0 or the errno. When the mark cannot be written (a full disk) the
    // journal is still marked complete, by its mode (which needs no room), with its count
    // unknown, and the errno is returned: the run has failed to record itself, yet it can be
    // undone and is never offered for recovery.
    int finish(int renamedCount);

    const std::string &id() const { return m_id; }
    const std::string &directory() const { return m_directory; }
    RunKind kind() const { return m_kind; }
    const std::string &undoes() const { return m_undoes; }

private:
    // The steps of begin, each 0 or the errno.
    int holdFolder(const DirectoryIdentity &identity);
    int createPlanFile(int dirFd, std::string &part); // `part`: its name, m_id the journal's
    std::string planHead(const std::string &absolute, const DirectoryIdentity &identity,
                         bool bornBefore) const;
    int writePlan(const std::string &absolute, const DirectoryIdentity &identity, int filesFd,
                  size_t count, const std::function<JournalStep(size_t)> &step);
    int publishPlan(int dirFd, const std::string &part);

    std::string m_directory;
    RunKind m_kind;
    std::string m_undoes;
    std::string m_intent;
    std::string m_way;
    std::string m_id;
    FileHandle m_file;
    FolderLock m_folder;
    const FolderLock *m_heldFolder = nullptr;
    long m_holder = 0;
};

// The ids of the journals in the folder, oldest first.
std::vector<std::string> journalIds(const std::string &journalDirectory);

// A journal read back; none when it cannot be read or is no journal. Without its steps, reading
// one of a large run is quick. Only a regular file is read (a FIFO or device of that name is
// never waited on), and every field is checked against its range: `damaged`, when given, says
// whether the file is there but no journal this program could have written.
enum class JournalPart { Whole, WithoutSteps };
std::optional<JournalRecord> readJournal(const std::string &journalDirectory, const std::string &id,
                                         JournalPart part = JournalPart::Whole,
                                         bool *damaged = nullptr);

// Moves a damaged journal out of the way ("damaged-..." in the same folder), so that it is
// reported once and never read again; 0 or the errno.
int setJournalAside(const std::string &journalDirectory, const std::string &id);

// Whether a run is still writing the journal (its lock is held).
bool journalInUse(const std::string &journalDirectory, const std::string &id);

enum class JournalMark {
    Complete, // a run cut off has been dealt with
    Undone,   // taken back by the run `by`
    Redone,   // its undo has been taken back by the run `by`
    Settled,  // dealt with by the run `by`, or (`by` empty) left as it is by the user
};
int markJournal(const std::string &journalDirectory, const std::string &id, JournalMark mark,
                const std::string &by = {}, int renamedCount = 0);

} // namespace filvane
