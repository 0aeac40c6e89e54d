#include "JournalTestSupport.h"
#include "RenameTestSupport.h"
#include "ScriptedCalls.h"
#include "core/base/FileHandle.h"
#include "core/base/FileIdentity.h"
#include "core/history/RunHistory.h"
#include "core/journal/FolderLock.h"
#include "core/journal/RunJournal.h"

#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace filvane;
using Kind = ScriptedCalls::Kind;

namespace {

std::string numbered(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "%05d.mp3", i);
    return text;
}

// `count` files "00001.mp3"... in `dir`, each holding its own name.
void makeNumbered(const MemoryDir &dir, int count) {
    for (int i = 1; i <= count; ++i)
        std::ofstream(dir.file(numbered(i)), std::ios::binary) << numbered(i);
}

// The renumbering of a numbered folder (file i under the number i + shift): every file one
// number on, a chain of `count`.
RenamePlan renumbering(const MemoryDir &dir, int count, int shift = 0) {
    RenamePlan plan;
    plan.directory = dir.str();
    plan.folder = directoryIdentity(dir.str());
    for (int i = 1; i <= count; ++i)
        plan.add(numbered(i + shift), numbered(i + shift + 1));
    return plan;
}

// Every entry of the folder: name -> content.
std::map<std::string, std::string> entries(const MemoryDir &dir) {
    std::map<std::string, std::string> found;
    DIR *d = ::opendir(dir.str().c_str());
    while (const dirent *entry = ::readdir(d)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::ifstream in(dir.file(name), std::ios::binary);
        found[name] = {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    ::closedir(d);
    return found;
}

// Files 1..count, each under the name `shift` numbers on from its own, nothing else.
::testing::AssertionResult numberedBy(const MemoryDir &dir, int count, int shift) {
    const auto found = entries(dir);
    if (found.size() != static_cast<size_t>(count))
        return ::testing::AssertionFailure() << found.size() << " entries, not " << count;
    for (int i = 1; i <= count; ++i) {
        const auto at = found.find(numbered(i + shift));
        if (at == found.end() || at->second != numbered(i))
            return ::testing::AssertionFailure()
                   << numbered(i) << " is not at " << numbered(i + shift);
    }
    return ::testing::AssertionSuccess();
}

// Every file once, under one name, none under a private name.
::testing::AssertionResult everyFileOnce(const MemoryDir &dir, int count) {
    const auto found = entries(dir);
    std::set<std::string> contents;
    for (const auto &[name, content] : found) {
        if (isPrivateName(name))
            return ::testing::AssertionFailure() << "a private name is left: " << name;
        if (!contents.insert(content).second)
            return ::testing::AssertionFailure() << content << " is under two names";
    }
    if (contents.size() != static_cast<size_t>(count))
        return ::testing::AssertionFailure() << contents.size() << " files, not " << count;
    return ::testing::AssertionSuccess();
}

RenameResult journalledRun(RenamePlan plan, const JournalHome &home,
                           DirectoryCalls *calls = nullptr, Method method = Method::NoReplaceFlag) {
    RunJournal journal(home.journals());
    return runPlan(std::move(plan), {method, {}, &journal, calls});
}

} // namespace

// A renumbering of 20,000 files, its journal far larger than what is read of its two ends, is
// offered for undo and undone whole.
TEST(RunHistorySizes, ARunOfTwentyThousandFilesIsUndone) {
    constexpr int Files = 20'000;
    JournalHome home;
    MemoryDir dir;
    makeNumbered(dir, Files);
    ASSERT_EQ(journalledRun(renumbering(dir, Files), home).renamedCount(), Files);
    ASSERT_TRUE(numberedBy(dir, Files, 1));
    const auto ids = journalIds(home.journals());
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(home.journals() + "/" + ids[0]), 256u * 1024);
    const auto undoable = latestUndoableRun(home.journals(), dir.str());
    ASSERT_TRUE(undoable);
    EXPECT_EQ(undoable->renamedCount, Files);
    const RenameResult undo = undoRun(home.journals(), undoable->id);
    EXPECT_EQ(undo.refusal, RunRefusal::None);
    EXPECT_EQ(undo.renamedCount(), Files);
    EXPECT_TRUE(numberedBy(dir, Files, 0));
}

// A renumbering of 40,000 files killed at a random step is offered for recovery (not taken for
// a damaged journal), and each choice leaves every file once, under the names it promises.
TEST(RunHistorySizes, ARunOfFortyThousandFilesKilledAnywhereIsRecoveredByEachChoice) {
    constexpr int Files = 40'000;
    std::mt19937 random(20261209);
    JournalHome home;
    MemoryDir dir;
    makeNumbered(dir, Files);
    int shift = 0; // where the files are numbered now: each choice starts from the last's end
    for (const RecoveryChoice choice :
         {RecoveryChoice::Restore, RecoveryChoice::Finish, RecoveryChoice::Leave}) {
        SCOPED_TRACE(static_cast<int>(choice));
        const int killAt = 1 + static_cast<int>(random() % (Files - 1)); // the killAt-th rename
        ASSERT_TRUE(killedDuring(
            killAt - 1,
            [&](DirectoryCalls *calls) {
                journalledRun(renumbering(dir, Files, shift), home, calls);
            },
            -1, [](const ScriptedCalls::Call &call) { return call.kind == Kind::Rename; }));
        std::vector<std::string> setAside;
        const auto cut = nextInterruptedRun(home.journals(), &setAside);
        EXPECT_TRUE(setAside.empty());
        ASSERT_TRUE(cut);
        EXPECT_EQ(cut->fileCount, Files);
        EXPECT_EQ(cut->renamedCount, killAt - 1);
        const RenameResult recovery = recoverRun(home.journals(), cut->id, choice);
        EXPECT_EQ(recovery.refusal, RunRefusal::None);
        EXPECT_FALSE(nextInterruptedRun(home.journals()));
        if (choice == RecoveryChoice::Restore) {
            EXPECT_TRUE(numberedBy(dir, Files, shift));
        } else if (choice == RecoveryChoice::Finish) {
            EXPECT_TRUE(numberedBy(dir, Files, ++shift));
        } else {
            EXPECT_TRUE(everyFileOnce(dir, Files));
        }
    }
}

// While a run works in a folder, a second run, an undo and a recovery there are refused and
// say who holds it; once the first is killed, a new run is refused until it is dealt with, and
// recovery takes back only what the killed run did.
TEST(RunHistoryFolderLock, OneRunPerFolderAtATime) {
    constexpr int Files = 50;
    JournalHome home;
    MemoryDir dir;
    makeNumbered(dir, Files);
    int toParent[2], toChild[2];
    ASSERT_EQ(::pipe(toParent), 0);
    ASSERT_EQ(::pipe(toChild), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(toChild[1]); // the parent gone, the wait below ends
        ScriptedCalls calls;
        int renames = 0;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (call.kind == Kind::Rename && ++renames == 10) {
                char byte = 1;
                if (::write(toParent[1], &byte, 1) != 1 || ::read(toChild[0], &byte, 1) < 0)
                    ::_exit(2);
            }
            return 0;
        };
        journalledRun(renumbering(dir, Files), home, &calls);
        ::_exit(0);
    }
    // Whatever the test finds, the first run does not outlive it.
    struct KillOnExit {
        pid_t pid;
        ~KillOnExit() {
            if (::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
        }
    } killOnExit{child};
    ::close(toChild[0]);
    ::close(toParent[1]);
    char byte = 0;
    ASSERT_EQ(::read(toParent[0], &byte, 1), 1); // the first run is half way

    const RenameResult second = journalledRun(renumbering(dir, Files), home);
    EXPECT_EQ(second.refusal, RunRefusal::FolderInUse);
    EXPECT_EQ(second.holder, child);
    EXPECT_EQ(second.renamedCount(), 0);
    EXPECT_TRUE(interruptedRuns(home.journals()).empty()); // a run going is not cut off
    const auto ids = journalIds(home.journals());
    ASSERT_EQ(ids.size(), 1u);
    const RenameResult recovery = recoverRun(home.journals(), ids[0], RecoveryChoice::Restore);
    EXPECT_EQ(recovery.renamedCount(), 0);

    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const RenameResult third = journalledRun(renumbering(dir, Files), home);
    EXPECT_EQ(third.refusal, RunRefusal::CutOffRunWaits);
    EXPECT_EQ(third.renamedCount(), 0);
    const auto cut = nextInterruptedRun(home.journals());
    ASSERT_TRUE(cut);
    EXPECT_EQ(recoverRun(home.journals(), cut->id, RecoveryChoice::Restore).refusal,
              RunRefusal::None);
    EXPECT_TRUE(numberedBy(dir, Files, 0));
    EXPECT_EQ(journalledRun(renumbering(dir, Files), home).renamedCount(), Files);
}

// A folder's lock file that is no file of ours (a link to a file of the user's, a FIFO) is
// never opened through, written or waited on: the run is refused before it renames anything,
// and the file the link points at keeps its content.
TEST(RunHistoryFolderLock, ALockThatIsNoPlainFileRefusesTheRunAndIsNeverWritten) {
    struct Case {
        const char *name;
        bool link; // else a FIFO
        int error;
    };
    const Case cases[] = {{"a link", true, ELOOP}, {"a FIFO", false, EINVAL}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        JournalHome home;
        MemoryDir dir;
        makeNumbered(dir, 3);
        const DirectoryIdentity folder = *directoryIdentity(dir.str());
        std::filesystem::create_directories(home.journals());
        const std::string lock = home.journals() + "/folder-" + std::to_string(folder.device) +
                                 "-" + std::to_string(folder.inode) + ".lock";
        const std::string victim = home.dir().file("precious");
        std::ofstream(victim) << "keep me";
        if (c.link)
            std::filesystem::create_symlink(victim, lock);
        else
            ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);
        FolderLock held;
        EXPECT_EQ(held.acquire(home.journals(), folder), c.error);
        EXPECT_FALSE(held.held());
        const RenameResult run = journalledRun(renumbering(dir, 3), home);
        EXPECT_EQ(run.refusal, RunRefusal::JournalNotWritten);
        EXPECT_EQ(run.error, c.error);
        EXPECT_EQ(run.renamedCount(), 0);
        EXPECT_TRUE(numberedBy(dir, 3, 0));
        std::ifstream in(victim);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
    }
}

namespace {

// The other process: the file under `name` goes to "elsewhere.mp3" and a stranger takes its
// name, between the undo's look at it and its call.
void swapInStranger(const TempDir &dir, const std::string &name) {
    std::filesystem::rename(dir.file(name), dir.file("elsewhere.mp3"));
    dir.touch(name, "stranger");
}

} // namespace

// An undo meets a stranger swapped in under a file's name at the instant of each kind of call
// that moves it (a no-replace rename, an exchange, the move to a private name of the link
// fallback): the stranger keeps its name and content, nothing is left hidden, and the row says
// the file was replaced.
TEST(RunHistoryStrangers, AStrangerSwappedInAtAnyKindOfRenameIsLeftAlone) {
    struct Case {
        const char *name;
        Method method;
        bool round;
        Kind kind;
    };
    const Case cases[] = {
        {"no-replace rename", Method::NoReplaceFlag, false, Kind::Rename},
        {"exchange", Method::NoReplaceFlag, true, Kind::Exchange},
        {"link fallback", Method::LinkThenUnlink, false, Kind::Move},
        {"round without exchange", Method::NoExchange, true, Kind::Rename},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        JournalHome home;
        RenameFolder folder({"a.mp3", "b.mp3"});
        folder.type(c.round ? Contents{{"a.mp3", "b"}, {"b.mp3", "a"}}
                            : Contents{{"a.mp3", "x"}, {"b.mp3", "y"}});
        RunJournal journal(home.journals());
        RenamePlan plan = folder.plan();
        plan.folder = directoryIdentity(folder.dir.str());
        ASSERT_EQ(runPlan(std::move(plan), {c.method, {}, &journal, nullptr}).renamedCount(), 2);
        // Undo: the file now under "a.mp3" (round) or "x.mp3" is swapped at its first move.
        const std::string target = c.round ? "a.mp3" : "x.mp3";
        ScriptedCalls calls;
        bool swapped = false;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (!swapped && call.kind == c.kind && (call.from == target || call.to == target) &&
                call.kind != Kind::Status) {
                swapped = true;
                swapInStranger(folder.dir, target);
            }
            return 0;
        };
        const RenameResult undo =
            undoRun(home.journals(), journal.id(), {c.method, {}, nullptr, &calls});
        EXPECT_TRUE(swapped) << testing::PrintToString(outcomes(undo.rows));
        const Contents now = folder.contents();
        EXPECT_EQ(now.at(target), "stranger");
        for (const auto &[name, content] : now)
            EXPECT_FALSE(isPrivateName(name)) << name;
        int strangers = 0;
        for (const auto &[name, content] : now)
            strangers += content == "stranger";
        EXPECT_EQ(strangers, 1);
        EXPECT_EQ(now.size(), 3u); // the two files of the run and the stranger, each once
        bool reported = false;
        for (const RowOutcome &row : undo.rows)
            reported |= row.outcome == RenameOutcome::ReplacedSince;
        EXPECT_TRUE(reported);
    }
}

// The time a run records that its files were born before is on the file system's own clocks:
// every file made just before the plan passes for itself, and no file born after it passes for
// one of the run's files.
TEST(RunHistoryStrangers, NoFileBornAfterThePlanPassesForOneOfItsFiles) {
    JournalHome home;
    MemoryDir dir;
    const FileHandle folderFd(::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY));
    if (!keepsBirthTimes(folderFd.get()))
        GTEST_SKIP() << "this file system keeps no birth times";
    constexpr int Files = 500;
    makeNumbered(dir, Files);
    std::vector<FileIdentity> ours;
    for (int i = 1; i <= Files; ++i)
        ours.push_back(*fileIdentityAt(folderFd.get(), numbered(i).c_str()));
    // The steps point into names that outlive the journal's writing.
    std::vector<std::string> names;
    for (int i = 1; i <= Files + 1; ++i)
        names.push_back(numbered(i));
    RunJournal journal(home.journals());
    ASSERT_EQ(journal.begin(dir.str(), *directoryIdentity(dir.str()), Files,
                            [&](size_t i) {
                                return JournalStep{ours[i].inode, names[i], names[i + 1], 0};
                            }),
              0);
    const auto record = readJournal(home.journals(), journal.id());
    ASSERT_TRUE(record && record->started);
    for (int i = 0; i < Files; ++i)
        ASSERT_TRUE(record->steps[i].identity && record->steps[i].identity->matches(ours[i])) << i;
    FileIdentity bornBefore = *record->steps[0].identity;
    // Made in a folder nobody has looked at, and looked at only once all are made: a look at a
    // file or its folder has the system date the next change finely, which would hide a start
    // read from a finer clock than the one births come from.
    const std::string fresh = dir.file("fresh");
    ASSERT_EQ(::mkdir(fresh.c_str(), 0700), 0);
    for (int i = 0; i < 2000; ++i)
        std::ofstream(fresh + "/new" + std::to_string(i)) << "x";
    const FileHandle freshFd(::open(fresh.c_str(), O_RDONLY | O_DIRECTORY));
    int passed = 0;
    for (int i = 0; i < 2000; ++i) {
        const auto now = fileIdentityAt(freshFd.get(), ("new" + std::to_string(i)).c_str());
        ASSERT_TRUE(now);
        bornBefore.inode = now->inode;
        passed += bornBefore.matches(*now);
    }
    EXPECT_EQ(passed, 0);
    journal.finish(0);
}

// A run on the link fallback killed anywhere, its recovery killed anywhere, and the recovery of
// that one too, and so on: once a recovery ends, every file is under one visible name.
TEST(RunHistoryRecoveries, RecoveriesOfRecoveriesKilledAnywhereLeaveNoHiddenName) {
    constexpr int Files = 6;
    std::mt19937 random(7);
    const Method methods[] = {Method::LinkThenUnlink, Method::NoExchange, Method::NoReplaceFlag};
    for (int trial = 0; trial < 60; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        JournalHome home;
        MemoryDir dir;
        makeNumbered(dir, Files);
        const Method method = methods[trial % 3];
        // A round of all of them: every file moves through a private name or an exchange.
        RenamePlan plan;
        plan.directory = dir.str();
        plan.folder = directoryIdentity(dir.str());
        for (int i = 1; i <= Files; ++i)
            plan.add(numbered(i), numbered(i % Files + 1));
        killedDuring(1 + static_cast<int>(random() % (3 * Files)), [&](DirectoryCalls *calls) {
            journalledRun(std::move(plan), home, calls, method);
        });
        const RecoveryChoice choice = static_cast<RecoveryChoice>(random() % 3);
        for (int depth = 0; depth < 3; ++depth) {
            const auto cut = nextInterruptedRun(home.journals());
            if (!cut)
                break;
            killedDuring(static_cast<int>(random() % (3 * Files)), [&](DirectoryCalls *calls) {
                recoverRun(home.journals(), cut->id, choice, {method, {}, nullptr, calls});
            });
        }
        while (const auto cut = nextInterruptedRun(home.journals()))
            ASSERT_EQ(recoverRun(home.journals(), cut->id, choice, {method, {}, nullptr, nullptr})
                          .refusal,
                      RunRefusal::None);
        ASSERT_TRUE(everyFileOnce(dir, Files));
    }
}

// What a run cut off is offered: restored by default; a recovery cut off only finished (taking
// it back would bring back the state of the crash); a run whose folder is not found dealt with
// once the user points at it. Leave is always there, last, and each answer asks for its own.
TEST(RunRecoveryOffer, EachRunCutOffIsOfferedWhatItCanTake) {
    using Answer = RecoveryAnswer;
    struct Case {
        const char *name;
        RunKind kind;
        bool folderFound;
        std::vector<Answer> answers;
        RecoveryChoice pointedAt; // what pointing at the folder asks for
    };
    const Case cases[] = {
        {"a run", RunKind::Rename, true, {Answer::Restore, Answer::Finish, Answer::Leave}, {}},
        {"an undo", RunKind::Undo, true, {Answer::Restore, Answer::Finish, Answer::Leave}, {}},
        {"a recovery", RunKind::Recovery, true, {Answer::Finish, Answer::Leave}, {}},
        {"a run, its folder gone",
         RunKind::Rename,
         false,
         {Answer::PointAtFolder, Answer::Leave},
         RecoveryChoice::Restore},
        {"a recovery, its folder gone",
         RunKind::Recovery,
         false,
         {Answer::PointAtFolder, Answer::Leave},
         RecoveryChoice::Finish},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RunSummary run;
        run.kind = c.kind;
        run.folderFound = c.folderFound;
        run.fileCount = 4;
        run.renamedCount = 2;
        const RecoveryOffer offer = recoveryOffer(run);
        EXPECT_EQ(offer.answers, c.answers);
        EXPECT_EQ(offer.preferred, c.answers.front());
        EXPECT_EQ(recoveryChoiceFor(Answer::Restore, run), RecoveryChoice::Restore);
        EXPECT_EQ(recoveryChoiceFor(Answer::Finish, run), RecoveryChoice::Finish);
        EXPECT_EQ(recoveryChoiceFor(Answer::Leave, run), RecoveryChoice::Leave);
        if (!c.folderFound) {
            EXPECT_EQ(recoveryChoiceFor(Answer::PointAtFolder, run), c.pointedAt);
        }
    }
}
