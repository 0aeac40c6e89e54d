#include "JournalTestSupport.h"
#include "RenameTestSupport.h"
#include "ScriptedCalls.h"
#include "core/history/RunHistory.h"
#include "core/journal/JournalFormat.h"
#include "core/journal/RunJournal.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace filvane;

namespace {

const std::string AnId = "run-00000000000000000001-1.journal";

struct Shape {
    const char *name;
    RunKind kind;
    std::string undoes;
    std::string intent;
    size_t steps;
};

// Step i of a plan of `count`: plain names, odd bytes, rounds of three, files not found.
struct PlannedStep {
    std::uint64_t inode;
    std::string before;
    std::string after;
    int round;
};
PlannedStep plannedStep(size_t i, size_t count, RunKind kind) {
    PlannedStep s;
    s.inode = i % 7 == 6 ? 0 : 1000 + i;
    s.before = "f" + std::to_string(i) + (i % 5 == 1 ? "\t\n\\\x7f\x01 odd.mp3" : ".mp3");
    if (kind != RunKind::Rename && i % 11 == 3)
        s.before = ".filvane-9-" + std::to_string(i) + ".tmp"; // moved back from a private name
    s.after = "g" + std::to_string(i) + ".mp3";
    s.round = i + 3 <= count && i % 9 < 3 ? static_cast<int>(i / 9) + 1 : 0;
    return s;
}

std::string readAll(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

// Every kind and size of plan, written by the writer and read back by the reader to the same
// plan, whole and without its steps, with its marks.
TEST(JournalFormat, EveryShapeIsReadBackAsWritten) {
    const Shape shapes[] = {
        {"empty run", RunKind::Rename, {}, {}, 0},
        {"one step", RunKind::Rename, {}, {}, 1},
        {"a few", RunKind::Rename, {}, {}, 40},
        {"undo", RunKind::Undo, AnId, {}, 100},
        {"recovery", RunKind::Recovery, AnId, "finish", 30},
        {"recovery of a recovery", RunKind::Recovery, "run-00000000000000000002-7.journal",
         "restore", 12},
        {"large", RunKind::Rename, {}, {}, 100'000},
    };
    for (const Shape &shape : shapes) {
        SCOPED_TRACE(shape.name);
        JournalHome home;
        TempDir folder;
        RunJournal journal(home.journals(), shape.kind, shape.undoes, shape.intent);
        journal.setWay("noreplace");
        std::vector<PlannedStep> plan;
        for (size_t i = 0; i < shape.steps; ++i)
            plan.push_back(plannedStep(i, shape.steps, shape.kind));
        const auto identity = directoryIdentity(folder.str());
        ASSERT_EQ(
            journal.begin(
                folder.str(), *identity, plan.size(),
                [&](size_t i) {
                    return JournalStep{plan[i].inode, plan[i].before, plan[i].after, plan[i].round};
                }),
            0);
        // While the run goes, the journal is whole and planned.
        const auto during = readJournal(home.journals(), journal.id());
        ASSERT_TRUE(during);
        EXPECT_TRUE(during->planned);
        EXPECT_FALSE(during->complete);
        ASSERT_EQ(journal.finish(static_cast<int>(shape.steps / 2)), 0);

        bool damaged = true;
        const auto record =
            readJournal(home.journals(), journal.id(), JournalPart::Whole, &damaged);
        ASSERT_TRUE(record);
        EXPECT_FALSE(damaged);
        EXPECT_EQ(record->version, journal::CurrentVersion);
        EXPECT_EQ(record->kind, shape.kind);
        EXPECT_EQ(record->undoes, shape.undoes);
        EXPECT_EQ(record->intent, shape.intent);
        EXPECT_EQ(record->way, "noreplace");
        EXPECT_EQ(record->folder, folder.str());
        EXPECT_EQ(record->identity, *identity);
        EXPECT_TRUE(record->planned);
        EXPECT_TRUE(record->complete);
        EXPECT_EQ(record->renamedCount, static_cast<int>(shape.steps / 2));
        EXPECT_EQ(record->stepCount, shape.steps);
        ASSERT_EQ(record->steps.size(), shape.steps);
        for (size_t i = 0; i < shape.steps; ++i) {
            ASSERT_EQ(record->steps[i].inode, plan[i].inode) << i;
            ASSERT_EQ(record->steps[i].before, plan[i].before) << i;
            ASSERT_EQ(record->steps[i].after, plan[i].after) << i;
            ASSERT_EQ(record->steps[i].round, plan[i].round) << i;
        }
        // The marks a later run adds, read back both ways.
        ASSERT_EQ(markJournal(home.journals(), journal.id(), JournalMark::Undone, AnId), 0);
        const auto head = readJournal(home.journals(), journal.id(), JournalPart::WithoutSteps);
        ASSERT_TRUE(head);
        EXPECT_TRUE(head->undone);
        EXPECT_TRUE(head->complete);
        EXPECT_EQ(head->stepCount, shape.steps);
        EXPECT_TRUE(head->steps.empty());
        ASSERT_EQ(markJournal(home.journals(), journal.id(), JournalMark::Redone, AnId), 0);
        ASSERT_EQ(markJournal(home.journals(), journal.id(), JournalMark::Settled), 0);
        const auto marked = readJournal(home.journals(), journal.id(), JournalPart::WithoutSteps);
        ASSERT_TRUE(marked);
        EXPECT_FALSE(marked->undone);
        EXPECT_TRUE(marked->settled);
        EXPECT_EQ(marked->renamedCount, static_cast<int>(shape.steps / 2));
    }
}

// The steps of a run are the files that move, and its complete mark counts those of them that
// got their new names: a file that keeps its name, a failed row and a refused one are no step
// or no renamed step, and the run can be undone.
TEST(JournalFormat, TheCompleteMarkCountsTheStepsOfARunWithUnchangedFailedAndRefusedRows) {
    JournalHome home;
    RenameFolder folder({"01 - Intro.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"});
    folder.type({{"01 - Intro.mp3", "01 - Intro"}, // keeps its name
                 {"b.mp3", "02 - Rain"},
                 {"c.mp3", "d"}, // a chain: d goes first
                 {"d.mp3", "e2"},
                 {"e.mp3", "bad/name"}, // refused
                 {"f.mp3", "failing"}});
    ScriptedCalls calls;
    calls.before = [](const ScriptedCalls::Call &call) {
        return call.kind == ScriptedCalls::Kind::Rename && call.from == "f.mp3" ? EIO : 0;
    };
    RunJournal journal(home.journals());
    RenamePlan plan = folder.plan();
    plan.folder = directoryIdentity(folder.dir.str());
    const RenameResult run =
        runPlan(std::move(plan), {Method::NoReplaceFlag, {}, &journal, &calls});
    EXPECT_EQ(run.renamedCount(), 4); // the unchanged row counts as renamed for its row
    const auto record = readJournal(home.journals(), journal.id());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->stepCount, 4u); // b, c, d, f
    EXPECT_EQ(record->renamedCount, 3);
    EXPECT_TRUE(record->complete);

    const auto undoable = latestUndoableRun(home.journals(), folder.dir.str());
    ASSERT_TRUE(undoable);
    const RenameResult undo = undoRun(home.journals(), undoable->id);
    EXPECT_EQ(undo.refusal, RunRefusal::None);
    EXPECT_EQ(undo.renamedCount(), 3);
    EXPECT_EQ(folder.contents(),
              unchanged({"01 - Intro.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"}));
}

// A journal written as version 1 (no way, no sum, and its complete mark counting the files that
// kept their names too) is still read and undone.
TEST(JournalFormat, AVersionOneJournalIsStillReadAndUndone) {
    JournalHome home;
    TempDir folder;
    folder.touch("01 - Intro.mp3", "x");
    folder.touch("02 - Rain.mp3", "b");
    struct stat st;
    ASSERT_EQ(::stat(folder.file("02 - Rain.mp3").c_str(), &st), 0);
    const auto identity = directoryIdentity(folder.str());
    std::filesystem::create_directories(home.journals());
    writeFile(home.journals() + "/" + AnId,
              "filvane-journal 1\nkind rename\nfolder " + folder.str() + "\nidentity " +
                  std::to_string(identity->device) + " " + std::to_string(identity->inode) +
                  "\npid 1\nsteps 1\nr\t" + std::to_string(st.st_ino) +
                  "\tb.mp3\t02 - Rain.mp3\nplanned\ncomplete 2\n");
    const auto record = readJournal(home.journals(), AnId);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->renamedCount, 1); // no more than its steps
    const auto undoable = latestUndoableRun(home.journals(), folder.str());
    ASSERT_TRUE(undoable);
    EXPECT_EQ(undoRun(home.journals(), AnId).renamedCount(), 1);
    EXPECT_TRUE(folder.exists("b.mp3"));
    EXPECT_TRUE(folder.exists("01 - Intro.mp3"));
}

namespace {

// A whole journal of a real run of three files in `folder`, as text.
std::string aRealJournal(const JournalHome &home, RenameFolder &folder) {
    folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}, {"c.mp3", "z"}});
    RunJournal journal(home.journals());
    RenamePlan plan = folder.plan();
    plan.folder = directoryIdentity(folder.dir.str());
    runPlan(std::move(plan), {Method::NoReplaceFlag, {}, &journal, nullptr});
    return readAll(home.journals() + "/" + journal.id());
}

} // namespace

// A journal that is no journal this program writes is set aside under "damaged-", reported
// once, never deleted and never acted on: names that are paths or private names, an `undoes`
// that leads out of the folder, cut off anywhere, a bit flipped in its plan.
TEST(JournalFormat, DamagedJournalsAreSetAsideNeverDeletedNeverActedOn) {
    JournalHome home;
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    const std::string real = aRealJournal(home, folder);
    std::filesystem::remove_all(home.journals());
    ASSERT_NE(real.find("planned "), std::string::npos);
    const std::string head =
        "filvane-journal 2\nkind recovery\nfolder " + folder.dir.str() + "\nidentity 1 2\npid 1\n";
    struct Case {
        std::string name;
        std::string text;
    };
    std::vector<Case> cases = {
        {"undoes a path", "filvane-journal 1\nkind recovery\nundoes ../../../victim.txt\nintent "
                          "finish\nfolder /x\nidentity 1 2\nsteps 0\nplanned\n"},
        {"a private name to give",
         "filvane-journal 1\nkind rename\nfolder /x\nidentity 1 2\nsteps 1\nr\t5\ta\t"
         ".filvane-1-1.tmp\nplanned\n"},
        {"a name with a separator", "filvane-journal 1\nkind rename\nfolder /x\nidentity 1 "
                                    "2\nsteps 1\nr\t5\t../a\tb\nplanned\n"},
        {"a folder that is no path", "filvane-journal 1\nkind rename\nfolder x/../y\nidentity 1 "
                                     "2\nsteps 0\nplanned\n"},
        {"settled by a path", "filvane-journal 1\nkind rename\nfolder /x\nidentity 1 2\nsteps "
                              "0\nplanned\nsettled ../victim\n"},
        {"a recovery that deals with nothing", head + "steps 0\nplanned 0000000000000000\n"},
        {"empty", ""},
        {"no journal", "hello\n"},
        {"an unknown version", "filvane-journal 3\nkind rename\n"},
        {"an unknown mark", "filvane-journal 1\nkind rename\nfolder /x\nidentity 1 2\nsteps "
                            "0\nplanned\nerase everything\n"},
    };
    // Cut off anywhere before its plan ends, or with one bit of its plan flipped.
    const size_t planEnd = real.find("planned ") + std::string("planned ").size() + 16;
    for (const size_t cut : {size_t(5), size_t(20), real.find("steps"), real.find("\nr\t") + 4,
                             real.rfind('\t'), real.find("planned") - 1, planEnd - 3})
        cases.push_back({"cut at " + std::to_string(cut), real.substr(0, cut)});
    for (const size_t at : {size_t(3), real.find("folder ") + 9, real.find("\nr\t") + 5,
                            real.rfind(".mp3"), planEnd - 1})
        cases.push_back({"bit flipped at " + std::to_string(at),
                         real.substr(0, at) + char(real[at] ^ 0x04) + real.substr(at + 1)});
    const std::string victim = home.dir().file("victim.txt");
    writeFile(victim, "mine\n");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::create_directories(home.journals());
        const std::string path = home.journals() + "/" + AnId;
        writeFile(path, c.text);
        bool damaged = false;
        EXPECT_FALSE(readJournal(home.journals(), AnId, JournalPart::Whole, &damaged));
        EXPECT_TRUE(damaged);
        std::vector<std::string> setAside;
        EXPECT_TRUE(interruptedRuns(home.journals(), &setAside).empty());
        EXPECT_EQ(setAside, std::vector<std::string>{AnId});
        // Kept under its damaged name, whole, for whoever wants to look.
        EXPECT_EQ(readAll(home.journals() + "/damaged-" + AnId), c.text);
        EXPECT_FALSE(std::filesystem::exists(path));
        // Nothing acts on it: no mark is written through a name it holds.
        EXPECT_EQ(markJournal(home.journals(), "../victim.txt", JournalMark::Complete), EINVAL);
        EXPECT_EQ(readAll(victim), "mine\n");
        EXPECT_EQ(folder.contents(),
                  (Contents{{"x.mp3", "a.mp3"}, {"y.mp3", "b.mp3"}, {"z.mp3", "c.mp3"}}));
        std::filesystem::remove_all(home.journals());
    }
}

// Journals the size of a large run are read; huge and sparse ones cost neither seconds nor
// memory, whatever their head claims.
TEST(JournalFormat, ReadingIsBoundedByTheFilesTrueSize) {
    JournalHome home;
    TempDir folder;
    std::filesystem::create_directories(home.journals());
    const auto identity = directoryIdentity(folder.str());
    const std::string head = "filvane-journal 2\nkind rename\nfolder " + folder.str() +
                             "\nidentity " + std::to_string(identity->device) + " " +
                             std::to_string(identity->inode) + "\npid 1\nsteps ";
    const std::string ids[] = {"run-00000000000000000001-1.journal",
                               "run-00000000000000000002-1.journal",
                               "run-00000000000000000003-1.journal"};
    constexpr off_t Gigabyte = off_t(1) << 30;
    // A hole; a true head claiming a million steps, then a hole; a head, a hole and a tail
    // that looks like the end of a plan.
    const std::string texts[] = {"", head + "1000000\n", head + "1000000\nr\t1\ta\tb\n"};
    for (int i = 0; i < 3; ++i) {
        const std::string path = home.journals() + "/" + ids[i];
        writeFile(path, texts[i]);
        ASSERT_EQ(::truncate(path.c_str(), Gigabyte), 0);
        if (i == 2) {
            const int fd = ::open(path.c_str(), O_WRONLY);
            const std::string tail = "\nr\t1\ta\tb\nplanned 0123456789abcdef\n";
            ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), Gigabyte - off_t(tail.size())),
                      static_cast<ssize_t>(tail.size()));
            ::close(fd);
        }
    }
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> setAside;
    EXPECT_TRUE(interruptedRuns(home.journals(), &setAside).empty());
    EXPECT_FALSE(latestUndoableRun(home.journals(), folder.str()));
    const auto took = std::chrono::steady_clock::now() - start;
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(setAside.size(), 3u);
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024); // KiB
}
