#include "core/history/JournalScan.h"

#include "core/history/FolderScan.h"

namespace filvane {

using history::FolderScan;

namespace {

RunSummary summaryOf(const JournalRecord &record, const FolderScan *scan) {
    RunSummary summary;
    summary.id = record.id;
    summary.kind = record.kind;
    summary.undoes = record.undoes;
    summary.folder = record.folder;
    summary.fileCount = static_cast<int>(record.stepCount);
    summary.renamedCount = record.renamedCount;
    if (!scan) {
        summary.folderFound = directoryIdentity(record.folder) == record.identity;
        return summary;
    }
    summary.folderFound = scan->found();
    if (summary.folderFound)
        summary.folderNow = record.folder;
    const FolderScan::Counts counts = scan->count(record);
    summary.renamedCount = counts.renamed;
    summary.temporaryCount = counts.temporary;
    return summary;
}

// The heads of the journals `ids`; a damaged one, unless a run still writes it, is set aside.
std::vector<std::optional<JournalRecord>> readHeads(const std::string &journalDirectory,
                                                    const std::vector<std::string> &ids,
                                                    std::vector<std::string> *setAside) {
    std::vector<std::optional<JournalRecord>> heads;
    heads.reserve(ids.size());
    for (const std::string &id : ids) {
        bool damaged = false;
        heads.push_back(readJournal(journalDirectory, id, JournalPart::WithoutSteps, &damaged));
        if (damaged && !journalInUse(journalDirectory, id) &&
            setJournalAside(journalDirectory, id) == 0 && setAside)
            setAside->push_back(id);
    }
    return heads;
}

// A later undo or recovery that planned from the disk after the run `i` was cut off, and so has
// taken its files over; none when there is none.
const JournalRecord *takenOverBy(const std::vector<std::optional<JournalRecord>> &heads, size_t i) {
    const JournalRecord &run = *heads[i];
    for (size_t j = i + 1; j < heads.size(); ++j)
        if (heads[j] && heads[j]->planned &&
            (heads[j]->undoes == run.id || (!run.undoes.empty() && heads[j]->undoes == run.undoes)))
            return &*heads[j];
    return nullptr;
}

// Whether the steps of a run that waits read whole; they are read only now, for runs that wait,
// and a damage there is set aside too.
bool stepsRead(const std::string &journalDirectory, const std::string &id,
               std::vector<std::string> *setAside) {
    bool damaged = false;
    if (readJournal(journalDirectory, id, JournalPart::Whole, &damaged) || !damaged)
        return true;
    if (setJournalAside(journalDirectory, id) == 0 && setAside)
        setAside->push_back(id);
    return false;
}

// The journals' heads, oldest first, with what a look at all of them decides: which are
// interrupted (planned, not ended, not settled, not in use) and not dealt with by a later one.
std::vector<JournalRecord> waitingRuns(const std::string &journalDirectory,
                                       std::vector<std::string> *setAside) {
    const std::vector<std::string> ids = journalIds(journalDirectory);
    const std::vector<std::optional<JournalRecord>> heads =
        readHeads(journalDirectory, ids, setAside);
    std::vector<JournalRecord> waiting;
    for (size_t i = 0; i < heads.size(); ++i) {
        if (!heads[i] || heads[i]->complete || heads[i]->settled ||
            journalInUse(journalDirectory, ids[i]))
            continue;
        if (!heads[i]->planned)
            continue; // never read so: a journal is whole or damaged
        // One taken over is never offered again, settled once the one that took it ended.
        if (const JournalRecord *later = takenOverBy(heads, i)) {
            if (later->complete || later->settled)
                markJournal(journalDirectory, heads[i]->id, JournalMark::Settled, later->id);
        } else if (stepsRead(journalDirectory, heads[i]->id, setAside)) {
            waiting.push_back(*heads[i]);
        }
    }
    return waiting;
}

RunSummary summaryNow(const std::string &journalDirectory, const JournalRecord &head) {
    RunRefusal refusal;
    const std::optional<JournalRecord> record =
        history::openRun(journalDirectory, head.id, {}, refusal);
    if (!record || refusal != RunRefusal::None)
        return summaryOf(head, nullptr);
    const FolderScan scan(*record);
    RunSummary summary = summaryOf(*record, &scan);
    summary.folder = head.folder;
    return summary;
}

} // namespace

std::optional<RunSummary> latestUndoableRun(const std::string &journalDirectory,
                                            const std::string &folder) {
    const std::optional<DirectoryIdentity> identity = directoryIdentity(folder);
    if (!identity)
        return std::nullopt;
    const std::vector<std::string> ids = journalIds(journalDirectory);
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        const std::optional<JournalRecord> record =
            readJournal(journalDirectory, *id, JournalPart::WithoutSteps);
        if (!record || record->identity != *identity || !record->complete || record->undone ||
            record->kind != RunKind::Rename || record->renamedCount == 0)
            continue;
        return summaryOf(*record, nullptr);
    }
    return std::nullopt;
}

std::vector<RunSummary> interruptedRuns(const std::string &journalDirectory,
                                        std::vector<std::string> *setAside) {
    std::vector<RunSummary> runs;
    const std::vector<JournalRecord> waiting = waitingRuns(journalDirectory, setAside);
    for (auto run = waiting.rbegin(); run != waiting.rend(); ++run)
        runs.push_back(summaryNow(journalDirectory, *run));
    return runs;
}

std::optional<RunSummary> nextInterruptedRun(const std::string &journalDirectory,
                                             std::vector<std::string> *setAside) {
    const std::vector<JournalRecord> waiting = waitingRuns(journalDirectory, setAside);
    if (waiting.empty())
        return std::nullopt;
    return summaryNow(journalDirectory, waiting.back());
}

std::vector<RunSummary> interruptedRunsIn(const std::string &journalDirectory,
                                          const std::string &folder) {
    std::vector<RunSummary> runs;
    const std::optional<DirectoryIdentity> identity = directoryIdentity(folder);
    if (!identity)
        return runs;
    const std::vector<JournalRecord> waiting = waitingRuns(journalDirectory, nullptr);
    for (auto run = waiting.rbegin(); run != waiting.rend(); ++run)
        if (run->identity == *identity)
            runs.push_back(summaryNow(journalDirectory, *run));
    return runs;
}

} // namespace filvane
