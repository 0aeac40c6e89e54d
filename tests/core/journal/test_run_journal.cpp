#include "JournalTestSupport.h"
#include "RenameTestSupport.h"
#include "ScriptedCalls.h"
#include "core/history/RunHistory.h"
#include "core/journal/RunJournal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace filvane;
using Kind = ScriptedCalls::Kind;

namespace {

// Journals go to a temporary home while a test runs.
using StateHome = JournalHome;

std::string number(const char *prefix, int i, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%0*d", prefix, width, i);
    return text;
}

// A run with its journal, as the window does it.
RenameResult journalled(const RenameFolder &folder, const StateHome &home,
                        DirectoryCalls *calls = nullptr, Method method = Method::NoReplaceFlag) {
    RunJournal journal(home.journals());
    RenamePlan plan = folder.plan();
    plan.folder = directoryIdentity(folder.dir.str());
    return runPlan(std::move(plan), {method, {}, &journal, calls});
}

// Undoes the newest run in the folder that Undo offers; a failure, and no rows, when none is.
RenameResult undoLast(const StateHome &home, const RenameFolder &folder,
                      const RunSettings &settings = {}) {
    const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
    if (!last) {
        ADD_FAILURE() << "no run to undo";
        return {};
    }
    return undoRun(home.journals(), last->id, settings);
}

} // namespace

TEST(RunJournal, ThePlanIsWrittenBeforeTheRunAndMarkedCompleteAfter) {
    StateHome home;
    EXPECT_EQ(home.journals(), home.dir().file("state") + "/filvane");
    ::unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(defaultJournalDirectory(), home.dir().str() + "/.local/state/filvane");
    ::setenv("XDG_STATE_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(defaultJournalDirectory(), home.dir().str() + "/.local/state/filvane");
    ::setenv("XDG_STATE_HOME", home.dir().file("state").c_str(), 1);

    // A round of two and a name with a tab, a line end, a backslash and control bytes in it.
    const std::string odd = "odd\tname\nwith\\a long\x7f\x1f name.mp3";
    RenameFolder folder({"a.mp3", "b.mp3", odd});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}, {odd, "plain"}});
    struct stat a;
    ASSERT_EQ(::stat(folder.dir.file("a.mp3").c_str(), &a), 0);
    ScriptedCalls calls;
    std::optional<JournalRecord> duringRun;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (call.kind != Kind::Status && !duringRun) {
            const auto ids = journalIds(home.journals());
            if (ids.size() == 1) {
                duringRun = readJournal(home.journals(), ids[0]);
                EXPECT_TRUE(journalInUse(home.journals(), ids[0]));
            }
        }
        return 0;
    };
    EXPECT_EQ(outcomes(journalled(folder, home, &calls).rows), allRenamedBut(folder));

    // Before the first rename, the whole plan was there.
    ASSERT_TRUE(duringRun);
    EXPECT_TRUE(duringRun->planned);
    EXPECT_FALSE(duringRun->complete);
    EXPECT_EQ(duringRun->folder, folder.dir.str());
    EXPECT_EQ(duringRun->identity, directoryIdentity(folder.dir.str()));
    EXPECT_EQ(duringRun->pid, ::getpid());
    ASSERT_EQ(duringRun->steps.size(), 3u);
    const auto step = [&](const std::string &before) {
        for (const RecordedStep &s : duringRun->steps)
            if (s.before == before)
                return s;
        ADD_FAILURE() << before;
        return RecordedStep{};
    };
    EXPECT_EQ(step("a.mp3").inode, a.st_ino);
    EXPECT_EQ(step("a.mp3").after, "b.mp3");
    EXPECT_EQ(step("a.mp3").round, 1);
    EXPECT_EQ(step(odd).after, "plain.mp3");
    EXPECT_EQ(step(odd).round, 0);

    const auto ids = journalIds(home.journals());
    ASSERT_EQ(ids.size(), 1u);
    const std::optional<JournalRecord> after = readJournal(home.journals(), ids[0]);
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->complete);
    EXPECT_EQ(after->renamedCount, 3);
    EXPECT_FALSE(journalInUse(home.journals(), ids[0]));
    struct stat journal;
    ASSERT_EQ(::stat((home.journals() + "/" + ids[0]).c_str(), &journal), 0);
    EXPECT_EQ(journal.st_mode & 0777, 0600u);
}

TEST(RunJournal, TheLastTwentyRunsAreKept) {
    StateHome home;
    RenameFolder folder({"a.mp3"});
    for (int run = 0; run < 24; ++run) {
        folder.lists.readList().setCell(1, 1, run % 2 ? "b.mp3" : "a.mp3");
        folder.lists.nameList().setCell(1, 1, run % 2 ? "a" : "b");
        EXPECT_EQ(journalled(folder, home).renamedCount(), 1);
    }
    const auto ids = journalIds(home.journals());
    EXPECT_EQ(ids.size(), 20u);
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}}));
}

TEST(RunJournal, ARunWhoseJournalCannotBeWrittenRenamesNothing) {
    StateHome home;
    // As root no file mode refuses: the journal folder's place is taken by a file.
    std::filesystem::create_directories(home.dir().file("state"));
    home.dir().touch("state/filvane", "not a folder");
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}});
    const RenameResult run = journalled(folder, home);
    EXPECT_EQ(run.refusal, RunRefusal::JournalNotWritten);
    EXPECT_EQ(run.error, ENOTDIR);
    EXPECT_EQ(run.renamedCount(), 0);
    EXPECT_EQ(folder.contents(), unchanged({"a.mp3", "b.mp3"}));
}

TEST(RunUndo, TakesBackChainsAndRoundsWithTheSamePlanner) {
    StateHome home;
    // A renumbering chain beside a round of three and a file that failed.
    RenameFolder folder({"01.mp3", "02.mp3", "03.mp3", "a.mp3", "b.mp3", "c.mp3", "x.mp3"});
    folder.dir.touch("taken.mp3", "taken.mp3");
    folder.type({{"01.mp3", "02"},
                 {"02.mp3", "03"},
                 {"03.mp3", "04"},
                 {"a.mp3", "b"},
                 {"b.mp3", "c"},
                 {"c.mp3", "a"},
                 {"x.mp3", "taken"}});
    const Contents before = folder.contents();
    EXPECT_EQ(outcomes(journalled(folder, home).rows),
              allRenamedBut(folder, {{"x.mp3", "EEXIST"}}));
    EXPECT_EQ(latestUndoableRun(home.journals(), folder.dir.str() + "/other"), std::nullopt);
    const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
    ASSERT_TRUE(last);
    EXPECT_EQ(last->folder, folder.dir.str());
    EXPECT_EQ(last->renamedCount, 6);
    EXPECT_TRUE(last->folderFound);

    for (Method method : {Method::NoReplaceFlag, Method::NoExchange}) {
        const RenameResult undo = undoRun(home.journals(), last->id, {method});
        EXPECT_EQ(undo.refusal, RunRefusal::None);
        EXPECT_EQ(undo.renamedCount(), 6);
        EXPECT_EQ(undo.rows.size(), 6u); // the failed row was not moved: nothing to say
        EXPECT_EQ(folder.contents(), before);
        // Undoing the undo redoes the run.
        const auto ids = journalIds(home.journals());
        ASSERT_EQ(ids.size(), method == Method::NoReplaceFlag ? 2u : 4u);
        EXPECT_EQ(undoRun(home.journals(), ids.back(), {method}).renamedCount(), 6);
        EXPECT_NE(folder.contents(), before);
        const auto redone = latestUndoableRun(home.journals(), folder.dir.str());
        ASSERT_TRUE(redone);
        EXPECT_EQ(redone->id, last->id);
    }
}

TEST(RunUndo, ARoundLeftHalfTurnedIsTakenBackWhole) {
    // The second exchange of a -> b -> c -> d -> a fails, and so does swapping back: a is at b,
    // b at a. Undo puts both back.
    StateHome home;
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "d"}, {"d.mp3", "a"}});
    ScriptedCalls calls;
    calls.before = ScriptedCalls::exchangesFailFrom(2, EIO);
    EXPECT_EQ(journalled(folder, home, &calls).renamedCount(), 1);
    const RenameResult undo = undoLast(home, folder);
    EXPECT_EQ(outcomes(undo.rows), (Contents{{"b.mp3", "renamed"}, {"a.mp3", "renamed"}}));
    EXPECT_EQ(folder.contents(), unchanged({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}));
}

TEST(RunUndo, FilesChangedSinceTheRunAreLeftAloneWithTheirReason) {
    StateHome home;
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    folder.type({{"a.mp3", "A"}, {"b.mp3", "B"}, {"c.mp3", "C"}, {"d.mp3", "D"}});
    EXPECT_EQ(journalled(folder, home).renamedCount(), 4);
    // By hand, in between: B renamed, D replaced by another file saved over it, C deleted.
    std::filesystem::rename(folder.dir.path() / "B.mp3", folder.dir.path() / "mine.mp3");
    folder.dir.touch("saved", "new");
    std::filesystem::rename(folder.dir.path() / "saved", folder.dir.path() / "D.mp3");
    folder.remove("C.mp3");
    const RenameResult undo = undoLast(home, folder);
    Contents byName;
    for (const RowOutcome &row : undo.rows)
        byName[std::string(row.newName)] =
            outcomes({row}).begin()->second + " " + std::string(row.nameNow);
    EXPECT_EQ(byName, (Contents{{"a.mp3", "renamed "},
                                {"b.mp3", "renamed since mine.mp3"},
                                {"c.mp3", "ENOENT "},
                                {"d.mp3", "replaced since "}}));
    EXPECT_EQ(folder.contents(),
              (Contents{{"a.mp3", "a.mp3"}, {"mine.mp3", "b.mp3"}, {"D.mp3", "new"}}));
}

TEST(RunUndo, UndoTwiceTakesBackTheRunsNewestFirst) {
    StateHome home;
    RenameFolder folder({"a.mp3"});
    folder.type("a.mp3", "b");
    EXPECT_EQ(journalled(folder, home).renamedCount(), 1);
    folder.lists.readList().setCell(1, 1, "b.mp3");
    folder.type("b.mp3", "c");
    EXPECT_EQ(journalled(folder, home).renamedCount(), 1);
    EXPECT_EQ(folder.contents(), (Contents{{"c.mp3", "a.mp3"}}));

    for (const char *expected : {"b.mp3", "a.mp3"}) {
        const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
        ASSERT_TRUE(last);
        EXPECT_EQ(last->renamedCount, 1);
        EXPECT_EQ(undoRun(home.journals(), last->id).renamedCount(), 1);
        EXPECT_EQ(folder.contents(), (Contents{{expected, "a.mp3"}}));
    }
    EXPECT_EQ(latestUndoableRun(home.journals(), folder.dir.str()), std::nullopt);
    // An undo whose journal cannot be written renames nothing.
    home.dir().touch("state/blocked");
    ::setenv("XDG_STATE_HOME", home.dir().file("state/blocked").c_str(), 1);
    const auto ids = journalIds(home.dir().file("state/filvane"));
    ASSERT_FALSE(ids.empty());
    const RenameResult refused = undoRun(home.journals(), ids.front());
    EXPECT_EQ(refused.refusal, RunRefusal::JournalNotWritten);
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}}));
}

// A child process renames with its journal and is killed at the `killAt`-th call that changes
// the folder (0: before the first). True when it was killed so.
bool killedAt(const StateHome &home, const RenameFolder &folder, Method method, int killAt) {
    return killedDuring(killAt,
                        [&](DirectoryCalls *calls) { journalled(folder, home, calls, method); });
}

TEST(RunRecovery, AChainAndARoundKilledAtAnyStepAreRestored) {
    struct Case {
        const char *name;
        int files;
        bool round;
        Method method;
        std::vector<int> killAt;
    };
    const Case cases[] = {
        {"chain", 2000, false, Method::NoReplaceFlag, {0, 1, 2, 3, 17, 500, 1000, 1998, 1999}},
        {"exchanges", 500, true, Method::NoReplaceFlag, {1, 2, 3, 250, 497, 498}},
        // Through a temporary name: killed right after the step aside, and between the others.
        {"temporary name", 500, true, Method::NoExchange, {1, 2, 3, 250, 498, 499, 500}},
    };
    for (const Case &c : cases) {
        Names files;
        for (int i = 0; i < c.files; ++i)
            files.push_back(number("t", i, 4) + ".mp3");
        for (const int killAt : c.killAt) {
            SCOPED_TRACE(std::string(c.name) + " killed at " + std::to_string(killAt));
            StateHome home;
            RenameFolder folder(files);
            for (int i = 0; i < c.files; ++i)
                folder.type(files[i], number("t", c.round ? (i + 1) % c.files : i + 1, 4));
            ASSERT_TRUE(killedAt(home, folder, c.method, killAt));

            const std::vector<RunSummary> cut = interruptedRuns(home.journals());
            ASSERT_EQ(cut.size(), 1u);
            EXPECT_EQ(cut[0].folder, folder.dir.str());
            EXPECT_EQ(cut[0].fileCount, c.files);
            const bool aside = c.method == Method::NoExchange && killAt >= 1;
            EXPECT_EQ(cut[0].temporaryCount, aside ? 1 : 0);
            EXPECT_EQ(cut[0].renamedCount, aside ? killAt - 1 : killAt);

            const RenameResult recovery = recoverRun(home.journals(), cut[0].id, {});
            EXPECT_EQ(recovery.refusal, RunRefusal::None);
            EXPECT_EQ(folder.contents(), unchanged(files)); // no temporary name either
            EXPECT_TRUE(interruptedRuns(home.journals()).empty());
            // Restored runs are not offered for Undo.
            EXPECT_EQ(latestUndoableRun(home.journals(), folder.dir.str()), std::nullopt);
        }
    }
}

TEST(RunRecovery, FinishAndLeaveLeaveNoFileUnderATemporaryName) {
    // A rename first, then a round of 50 cut off with its first file under a temporary name.
    Names files{"a.mp3"};
    for (int i = 0; i < 50; ++i)
        files.push_back(number("t", i, 2) + ".mp3");
    for (const RecoveryChoice choice : {RecoveryChoice::Finish, RecoveryChoice::Leave}) {
        SCOPED_TRACE(static_cast<int>(choice));
        StateHome home;
        RenameFolder folder(files);
        folder.type("a.mp3", "b");
        Contents turned{{"b.mp3", "a.mp3"}}, left = unchanged(files);
        left.erase("a.mp3");
        left["b.mp3"] = "a.mp3";
        for (int i = 0; i < 50; ++i) {
            folder.type(files[i + 1], number("t", (i + 1) % 50, 2));
            turned[number("t", (i + 1) % 50, 2) + ".mp3"] = files[i + 1];
        }
        ASSERT_TRUE(killedAt(home, folder, Method::NoExchange, 21));
        const std::vector<RunSummary> cut = interruptedRuns(home.journals());
        ASSERT_EQ(cut.size(), 1u);
        EXPECT_EQ(cut[0].temporaryCount, 1);
        recoverRun(home.journals(), cut[0].id, choice);
        // Left: the rename stays; the round cannot stay half turned, so it is taken back.
        EXPECT_EQ(folder.contents(), choice == RecoveryChoice::Finish ? turned : left);
        EXPECT_TRUE(interruptedRuns(home.journals()).empty());
        // What the run did, it did: Undo takes it back.
        undoLast(home, folder);
        EXPECT_EQ(folder.contents(), unchanged(files));
    }
}

TEST(RunRecovery, ARunStillGoingIsNotTakenForOneCutOff) {
    StateHome home;
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}});
    ScriptedCalls calls;
    size_t seen = 99;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (call.kind == Kind::Rename && seen == 99)
            seen = interruptedRuns(home.journals()).size();
        return 0;
    };
    journalled(folder, home, &calls);
    EXPECT_EQ(seen, 0u);
}

namespace {

// Every content once, whatever its name, and no temporary name left.
void expectEveryFileOnce(const RenameFolder &folder, const Names &files) {
    std::multiset<std::string> seen;
    for (const auto &[name, content] : folder.contents()) {
        EXPECT_FALSE(isPrivateName(name)) << name;
        seen.insert(content);
    }
    EXPECT_EQ(seen, std::multiset<std::string>(files.begin(), files.end()));
}

} // namespace

TEST(RunRecovery, ARecoveryCutOffIsFinishedAndTheRunItDealtWithIsNeverOfferedAgain) {
    Names files;
    for (int i = 0; i < 20; ++i)
        files.push_back(number("t", i, 2) + ".mp3");
    for (const RecoveryChoice choice : {RecoveryChoice::Restore, RecoveryChoice::Finish}) {
        SCOPED_TRACE(static_cast<int>(choice));
        StateHome home;
        RenameFolder folder(files);
        for (int i = 0; i < 20; ++i)
            folder.type(files[i], number("t", (i + 1) % 20, 2));
        // Cut off mid-round with a file under a temporary name, then its recovery cut off
        // after one rename.
        ASSERT_TRUE(killedAt(home, folder, Method::NoExchange, 5));
        const std::optional<RunSummary> crashed = nextInterruptedRun(home.journals());
        ASSERT_TRUE(crashed);
        ASSERT_TRUE(killedDuring(1, [&](DirectoryCalls *calls) {
            recoverRun(home.journals(), crashed->id, choice,
                       {Method::NoExchange, {}, nullptr, calls});
        }));
        // One prompt: the recovery, counted from the disk now.
        const std::vector<RunSummary> waiting = interruptedRuns(home.journals());
        ASSERT_EQ(waiting.size(), 1u);
        EXPECT_EQ(waiting[0].kind, RunKind::Recovery);
        EXPECT_EQ(waiting[0].undoes, crashed->id);
        // Restore, the default, finishes what the recovery meant; it never brings back the crash.
        recoverRun(home.journals(), waiting[0].id, RecoveryChoice::Restore);
        expectEveryFileOnce(folder, files);
        if (choice == RecoveryChoice::Restore) {
            EXPECT_EQ(folder.contents(), unchanged(files));
        }
        EXPECT_FALSE(nextInterruptedRun(home.journals()));
        EXPECT_EQ(latestUndoableRun(home.journals(), folder.dir.str()).has_value(),
                  choice == RecoveryChoice::Finish);
    }
}

TEST(RunUndo, AnUndoCutOffAndThenRepeatedIsNeverOfferedForRecovery) {
    StateHome home;
    Names files{"a.mp3", "b.mp3", "c.mp3", "d.mp3"};
    RenameFolder folder(files);
    folder.type({{"a.mp3", "w"}, {"b.mp3", "x"}, {"c.mp3", "y"}, {"d.mp3", "z"}});
    journalled(folder, home);
    const std::optional<RunSummary> run = latestUndoableRun(home.journals(), folder.dir.str());
    ASSERT_TRUE(run);
    ASSERT_TRUE(killedDuring(1, [&](DirectoryCalls *calls) {
        undoRun(home.journals(), run->id, {Method::NoReplaceFlag, {}, nullptr, calls});
    }));
    undoLast(home, folder);
    EXPECT_EQ(folder.contents(), unchanged(files));
    EXPECT_TRUE(interruptedRuns(home.journals()).empty());
    EXPECT_EQ(folder.contents(), unchanged(files));
}

TEST(RunJournal, ACompleteMarkThatCannotBeWrittenLeavesARunToUndoNotToRecover) {
    StateHome home;
    Names files{"a.mp3", "b.mp3"};
    RenameFolder folder(files);
    folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}});
    // The journal may not grow past its plan, as on a disk that has just filled up.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ScriptedCalls calls;
    calls.before = [&](const ScriptedCalls::Call &call) {
        const auto ids = journalIds(home.journals());
        struct stat journal;
        if (call.kind != Kind::Status && ids.size() == 1 &&
            ::stat((home.journals() + "/" + ids[0]).c_str(), &journal) == 0) {
            const rlimit full{static_cast<rlim_t>(journal.st_size), saved.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &full);
        }
        return 0;
    };
    RunJournal journal(home.journals());
    const RenameResult run = runPlan(folder.plan(), {Method::NoReplaceFlag, {}, &journal, &calls});
    EXPECT_EQ(run.finishError, EFBIG);      // a failed run, for both front ends to say so
    const int finished = journal.finish(2); // as the run's own mark did, once more
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(finished, EFBIG);
    EXPECT_EQ(folder.contents(), (Contents{{"x.mp3", "a.mp3"}, {"y.mp3", "b.mp3"}}));

    EXPECT_TRUE(interruptedRuns(home.journals()).empty());
    undoLast(home, folder);
    EXPECT_EQ(folder.contents(), unchanged(files));
}

TEST(RunUndo, AFileThatIsNotTheRunsIsLeftAloneAndReportedReplaced) {
    // Another file took the inode number of a deleted one (ext4 reuses them at once).
    {
        StateHome home;
        RenameFolder folder({"a.mp3", "b.mp3"});
        folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}});
        journalled(folder, home);
        struct stat old;
        ASSERT_EQ(::stat(folder.dir.file("y.mp3").c_str(), &old), 0);
        bool reused = false;
        for (int attempt = 0; attempt < 50 && !reused; ++attempt) {
            folder.remove("y.mp3");
            folder.dir.touch("y.mp3", "stranger");
            struct stat now;
            reused =
                ::stat(folder.dir.file("y.mp3").c_str(), &now) == 0 && now.st_ino == old.st_ino;
        }
        if (reused) {
            const RenameResult undo = undoLast(home, folder);
            EXPECT_EQ(outcomes(undo.rows),
                      (Contents{{"x.mp3", "renamed"}, {"y.mp3", "replaced since"}}));
            EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}, {"y.mp3", "stranger"}}));
        }
    }
    // A file put in under the name after the undo looked at the folder, before its rename.
    StateHome home;
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}});
    journalled(folder, home);
    ScriptedCalls calls;
    bool replaced = false;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (call.kind == Kind::Rename && call.from == "y.mp3" && !replaced) {
            replaced = true;
            folder.dir.touch("new", "stranger");
            std::filesystem::rename(folder.dir.file("new"), folder.dir.file("y.mp3"));
        }
        return 0;
    };
    const RenameResult undo = undoLast(home, folder, {Method::NoReplaceFlag, {}, nullptr, &calls});
    EXPECT_TRUE(replaced);
    EXPECT_EQ(outcomes(undo.rows), (Contents{{"x.mp3", "renamed"}, {"y.mp3", "replaced since"}}));
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}, {"y.mp3", "stranger"}}));
}

TEST(RunRecovery, TheFolderIsFoundByIdentityOrLeftForGood) {
    enum class Then { Stays, Renamed, Removed };
    for (const Then then : {Then::Stays, Then::Renamed, Then::Removed}) {
        SCOPED_TRACE(static_cast<int>(then));
        StateHome home;
        TempDir parent;
        const std::string path = parent.file("album");
        std::filesystem::create_directory(path);
        for (const char *name : {"a.mp3", "b.mp3"})
            std::ofstream(path + "/" + name) << name;
        // Killed after its first file went aside, run from inside the folder as ".".
        ASSERT_TRUE(killedDuring(1, [&](DirectoryCalls *calls) {
            if (::chdir(path.c_str()) != 0)
                return;
            NameLists lists;
            lists.listDirectory("./*");
            lists.sortByName();
            lists.nameList().setCell(1, 1, "b");
            lists.nameList().setCell(1, 2, "a");
            RunJournal journal(home.journals());
            runPlan(planFromLists(lists, RenameOptions{.numbering = false}, ".", std::nullopt),
                    {Method::NoExchange, {}, &journal, calls});
        }));
        std::string now = path;
        if (then == Then::Renamed)
            std::filesystem::rename(path, now = parent.file("renamed"));
        if (then == Then::Removed)
            std::filesystem::rename(path, now = home.dir().file("elsewhere"));
        const std::optional<RunSummary> cut = nextInterruptedRun(home.journals());
        ASSERT_TRUE(cut);
        EXPECT_EQ(cut->folder, path);
        EXPECT_EQ(cut->folderFound, then != Then::Removed);
        EXPECT_EQ(cut->temporaryCount, then != Then::Removed ? 1 : 0);
        if (then == Then::Removed) {
            // Not found: Leave settles it for good; pointed at, it is restored.
            EXPECT_EQ(recoverRun(home.journals(), cut->id, RecoveryChoice::Restore).refusal,
                      RunRefusal::FolderChanged);
            EXPECT_EQ(
                recoverRun(home.journals(), cut->id, RecoveryChoice::Restore, {}, now).refusal,
                RunRefusal::None);
        } else {
            EXPECT_EQ(cut->folderNow, now);
            recoverRun(home.journals(), cut->id, RecoveryChoice::Restore);
        }
        EXPECT_FALSE(nextInterruptedRun(home.journals()));
        std::map<std::string, std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(now))
            found[entry.path().filename()] = std::string(
                std::istreambuf_iterator<char>(std::ifstream(entry.path()).rdbuf()), {});
        EXPECT_EQ(found, (Contents{{"a.mp3", "a.mp3"}, {"b.mp3", "b.mp3"}}));
    }
    // Leave needs no folder.
    StateHome home;
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}});
    ASSERT_TRUE(killedAt(home, folder, Method::NoExchange, 1));
    const std::string id = journalIds(home.journals()).back();
    std::filesystem::rename(folder.dir.path(), home.dir().file("gone"));
    EXPECT_EQ(recoverRun(home.journals(), id, RecoveryChoice::Leave).refusal, RunRefusal::None);
    EXPECT_FALSE(nextInterruptedRun(home.journals()));
    std::filesystem::rename(home.dir().file("gone"), folder.dir.path());
}

namespace {

// A journal of the current version whose complete mark counts more than its steps.
std::string countPastSteps() {
    const std::string plan = "filvane-journal 2\nkind rename\nfolder /nowhere\nidentity 1 "
                             "2\nsteps 1\nr\t5\ta\tb\n";
    journal::Sum sum;
    sum.add(plan);
    return plan + "planned " + sum.text() + "\ncomplete 7\n";
}

} // namespace

TEST(RunJournal, ADamagedJournalIsSetAsideOnceAndNeverStopsTheStart) {
    const std::string plan = "filvane-journal 1\nkind rename\nfolder /nowhere\nidentity 1 2\n";
    struct Case {
        const char *name;
        std::string text; // empty: a FIFO
    };
    const Case cases[] = {
        {"round past any int", plan + "steps 1\nc2147483647\t5\ta\tb\nplanned\n"},
        {"round past its steps", plan + "steps 1\nc2\t5\ta\tb\nplanned\n"},
        {"more steps than the file holds", plan + "steps 99999999999\nplanned\n"},
        {"count past its steps", countPastSteps()},
        {"no such kind", "filvane-journal 1\nkind erase\nsteps 0\nplanned\n"},
        {"identity of another file", plan + "steps 1\nr\t5\ta\tb\t6 0 0 0 0 0 0\nplanned\n"},
        {"a FIFO", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        StateHome home;
        std::filesystem::create_directories(home.journals());
        const std::string id = "run-00000000000000000001-1.journal";
        const std::string path = home.journals() + "/" + id;
        if (c.text.empty())
            ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        else
            std::ofstream(path, std::ios::binary) << c.text;
        std::vector<std::string> setAside;
        EXPECT_TRUE(interruptedRuns(home.journals(), &setAside).empty());
        EXPECT_EQ(setAside, std::vector<std::string>{id});
        setAside.clear();
        EXPECT_FALSE(nextInterruptedRun(home.journals(), &setAside));
        EXPECT_TRUE(setAside.empty());
    }
}

// Random plans killed at random points, with calls refused at random, then recovered with a
// random choice: every file ends under exactly one name with its own content.
TEST(RunRecovery, RandomRunsKilledAnywhereAreRecoveredWithEveryFileOnce) {
    std::mt19937 random(20261209);
    const Method methods[] = {Method::NoReplaceFlag, Method::NoExchange, Method::LinkThenUnlink};
    const RecoveryChoice choices[] = {RecoveryChoice::Restore, RecoveryChoice::Finish,
                                      RecoveryChoice::Leave};
    for (int trial = 0; trial < 200; ++trial) {
        const int count = 2 + static_cast<int>(random() % 8);
        Names files;
        for (int i = 0; i < count; ++i)
            files.push_back(number("f", i, 2) + ".mp3");
        std::vector<int> order(count);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), random);
        const Method method = methods[random() % 3];
        const int killAt = static_cast<int>(random() % (3 * count + 2));
        const int refuseAt = static_cast<int>(random() % (3 * count + 2));
        const RecoveryChoice choice = choices[random() % 3];
        SCOPED_TRACE("trial " + std::to_string(trial));
        StateHome home;
        RenameFolder folder(files);
        // Names of each other (chains and rounds) or new ones.
        for (int i = 0; i < count; ++i)
            folder.type(files[i], random() % 4 ? number("f", order[i], 2) : number("n", i, 2));
        killedDuring(
            killAt, [&](DirectoryCalls *calls) { journalled(folder, home, calls, method); },
            refuseAt);
        while (const std::optional<RunSummary> cut = nextInterruptedRun(home.journals()))
            ASSERT_EQ(recoverRun(home.journals(), cut->id, choice).refusal, RunRefusal::None);
        expectEveryFileOnce(folder, files);
    }
}
