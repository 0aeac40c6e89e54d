#include "RenameTestSupport.h"
#include "ScriptedCalls.h"
#include "core/RunHistory.h"
#include "core/RunJournal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace filvane;
using Kind = ScriptedCalls::Kind;

namespace {

// HOME and XDG_STATE_HOME in a temporary folder while a test runs, so journals go there.
class StateHome {
public:
    StateHome() {
        for (const char *name : {"HOME", "XDG_STATE_HOME"}) {
            const char *value = std::getenv(name);
            m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        ::setenv("HOME", m_dir.str().c_str(), 1);
        ::setenv("XDG_STATE_HOME", m_dir.file("state").c_str(), 1);
    }
    ~StateHome() {
        for (const auto &[name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    const TempDir &dir() const { return m_dir; }
    std::string journals() const { return defaultJournalDirectory(); }

private:
    TempDir m_dir;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

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

Contents unchanged(const Names &files) {
    Contents contents;
    for (const std::string &file : files)
        contents[file] = file;
    return contents;
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
        EXPECT_EQ(latestUndoableRun(home.journals(), folder.dir.str())->id, last->id);
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
    const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
    ASSERT_TRUE(last);
    const RenameResult undo = undoRun(home.journals(), last->id);
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
    const RenameResult undo =
        undoRun(home.journals(), latestUndoableRun(home.journals(), folder.dir.str())->id);
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
    const RenameResult refused = undoRun(home.journals(), ids.front());
    EXPECT_EQ(refused.refusal, RunRefusal::JournalNotWritten);
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}}));
}

// A child process renames with its journal and is killed at the `killAt`-th call that changes
// the folder (0: before the first). True when it was killed so.
bool killedAt(const StateHome &home, const RenameFolder &folder, Method method, int killAt) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ScriptedCalls calls;
        int changes = 0;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (call.kind != Kind::Status && changes++ == killAt)
                ::kill(::getpid(), SIGKILL);
            return 0;
        };
        journalled(folder, home, &calls, method);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
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
        const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
        ASSERT_TRUE(last);
        undoRun(home.journals(), last->id);
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
