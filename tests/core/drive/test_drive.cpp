#include "FuseDrive.h"
#include "JournalTestSupport.h"
#include "RenameTestSupport.h"
#include "ScriptedCalls.h"
#include "core/drive/Drive.h"
#include "core/history/RunHistory.h"
#include "core/journal/RunJournal.h"
#include "core/plan/Preflight.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

using namespace filvane;
using Kind = ScriptedCalls::Kind;

namespace {

// Journals go to a temporary home while a test runs.
using StateHome = JournalHome;

// An exFAT stick through FUSE, as measured: no flags, no links, but an exclusive create.
DriveFacts reservingDrive() {
    DriveFacts facts;
    facts.description = "exFAT through FUSE";
    facts.noReplaceRename = false;
    facts.exchange = false;
    facts.hardLinks = false;
    facts.stableInodes = false;
    facts.windowsNames = true;
    return facts;
}

// The kernel's vfat: the no-replace flag, no exchange, no links, names without case.
DriveFacts fatDrive() {
    DriveFacts facts;
    facts.description = "FAT";
    facts.exchange = false;
    facts.hardLinks = false;
    facts.caseInsensitive = true;
    facts.windowsNames = true;
    return facts;
}

// Whether any entry of the folder is hidden: a private name or anything else starting with '.'.
bool anyHidden(const Contents &contents) {
    for (const auto &[name, content] : contents)
        if (name.starts_with("."))
            return true;
    return false;
}

RenameResult runOn(const RenameFolder &folder, const DriveFacts &drive, DirectoryCalls *calls,
                   RunJournal *journal = nullptr) {
    RunSettings settings;
    settings.drive = drive;
    settings.calls = calls;
    settings.journal = journal;
    return folder.run(settings);
}

int count(const ScriptedCalls &calls, Kind kind, bool privateTarget) {
    int n = 0;
    for (const ScriptedCalls::Call &call : calls.log)
        n += call.kind == kind && isPrivateName(call.to) == privateTarget;
    return n;
}

} // namespace

TEST(DriveFacts, AKnownTypeIsToldWithoutAProbe) {
    TempDir dir;
    ScriptedCalls calls;
    const int fd = ::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const DriveFacts facts = driveFacts(fd, calls);
    ::close(fd);
    EXPECT_TRUE(calls.log.empty());
    EXPECT_EQ(wayFor(facts), RenameWay::NoReplace);
    EXPECT_FALSE(facts.description.empty());
    EXPECT_FALSE(facts.windowsNames);
}

TEST(DriveFacts, AProbeFindsWhatTheDriveRefusesOnNamesOfItsOwnAndLeavesNothing) {
    struct Case {
        const char *name;
        bool refuseFlags, refuseLinks, refuseExclusive;
        RenameWay way;
    };
    const Case cases[] = {
        {"ordinary", false, false, false, RenameWay::NoReplace},
        {"no flags (a network share)", true, false, false, RenameWay::Link},
        {"no flags, no links (exFAT through FUSE)", true, true, false, RenameWay::Reserve},
        {"nothing safe", true, true, true, RenameWay::None},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        dir.touch("song.mp3", "song");
        ScriptedCalls calls;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (c.refuseFlags && (call.kind == Kind::Rename || call.kind == Kind::Exchange))
                return EINVAL;
            if (c.refuseLinks && call.kind == Kind::Link)
                return EPERM;
            if (call.kind == Kind::Create && call.from.find(':') != std::string::npos)
                return ENOENT; // as exfat-fuse answers a name it refuses
            return 0;
        };
        if (c.refuseExclusive)
            calls.after = [](const ScriptedCalls::Call &call, int answer) {
                return call.kind == Kind::Create && answer == EEXIST ? 0 : answer;
            };
        const int fd = ::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const DriveFacts facts = probedFacts(fd, calls);
        ::close(fd);
        EXPECT_EQ(wayFor(facts), c.way);
        EXPECT_TRUE(facts.windowsNames);
        EXPECT_FALSE(facts.caseInsensitive);
        EXPECT_TRUE(facts.probeLeft.empty());
        int userCalls = 0;
        for (const ScriptedCalls::Call &call : calls.log) // the upper-case look is ours too
            userCalls += !call.from.starts_with(".filvane-") && !call.from.starts_with(".FILVANE-");
        EXPECT_EQ(userCalls, 0) << "a probe touched a user's file";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1); // song.mp3 alone
    }
}

TEST(DriveFacts, AProbeThatWillNotGoIsTriedAgainThenNamed) {
    for (const int refusals : {2, 100}) {
        TempDir dir;
        ScriptedCalls calls;
        int unlinks = 0;
        calls.before = [&](const ScriptedCalls::Call &call) {
            return call.kind == Kind::Unlink && unlinks++ < refusals ? EIO : 0;
        };
        const int fd = ::open(dir.str().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const DriveFacts facts = probedFacts(fd, calls);
        ::close(fd);
        const auto left = std::distance(std::filesystem::directory_iterator(dir.path()),
                                        std::filesystem::directory_iterator());
        if (refusals == 2) {
            EXPECT_TRUE(facts.probeLeft.empty());
            EXPECT_EQ(left, 0);
        } else {
            ASSERT_FALSE(facts.probeLeft.empty());
            EXPECT_TRUE(dir.exists(facts.probeLeft));
            EXPECT_TRUE(isPrivateName(facts.probeLeft));
        }
    }
}

TEST(DriveNames, WhatWindowsDrivesRefuseIsNamed) {
    const DriveFacts windows = reservingDrive();
    const std::pair<const char *, std::optional<std::string>> cases[] = {
        {"01 - Intro.mp3", std::nullopt},
        {"Őszi szél.mp3", std::nullopt},
        {"AC:DC.mp3", "':'"},
        {"Why?.mp3", "'?'"},
        {"a<b", "'<'"},
        {"say \"hi\".mp3", "'\"'"},
        {"back\\slash", "'\\'"},
        {"pipe|", "'|'"},
        {"star*", "'*'"},
        {"tab\tname", "U+0009"},
        {"ends with dot.", "'.'"},
        {"ends with blank ", "' '"},
        {"CON", "'CON'"},
        {"con.mp3", "'con'"},
        {"LPT9.txt", "'LPT9'"},
        {"COM0.mp3", std::nullopt},
        {"CONSOLE.mp3", std::nullopt},
        {"NUL .txt", "'NUL '"},
    };
    for (const auto &[name, refused] : cases) {
        EXPECT_EQ(refusedOnDrive(name, windows), refused) << name;
        EXPECT_EQ(refusedOnDrive(name, DriveFacts{}), std::nullopt) << name;
    }
    // 255 UTF-16 units are allowed there, though they take 510 bytes.
    std::string wide;
    for (int i = 0; i < 255; ++i)
        wide += "ő";
    EXPECT_FALSE(tooLongOnDrive(wide, windows));
    EXPECT_TRUE(tooLongOnDrive(wide + "ő", windows));
    EXPECT_TRUE(tooLongOnDrive(wide, DriveFacts{}));
    EXPECT_FALSE(tooLongOnDrive(std::string(255, 'a'), DriveFacts{}));
}

TEST(DriveNames, NamesThatDifferInCaseAreOneOnADriveWithoutCase) {
    const DriveFacts fat = fatDrive();
    EXPECT_TRUE(sameNameOnDrive("Song.MP3", "song.mp3", fat));
    EXPECT_TRUE(sameNameOnDrive("ŐSZI SZÉL", "őszi szél", fat));
    EXPECT_TRUE(sameNameOnDrive("Straße", "STRASSE", fat));
    EXPECT_FALSE(sameNameOnDrive("song1.mp3", "song2.mp3", fat));
    EXPECT_FALSE(sameNameOnDrive("Song.mp3", "song.mp3", DriveFacts{}));
}

// Reservations, on a folder whose drive is made out to have neither the flags nor links.
TEST(ReservingRenamer, RenumbersRotatesAndRenamesWithoutAPrivateNameButInARound) {
    RenameFolder folder({"00.mp3", "01.mp3", "02.mp3", "a.mp3", "b.mp3", "c.mp3", "x.mp3"});
    folder.type({{"00.mp3", "01"}, {"01.mp3", "02"}, {"02.mp3", "03"}}); // a chain
    folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}});       // a round
    folder.type("x.mp3", "y");
    ScriptedCalls calls;
    const RenameResult run = runOn(folder, reservingDrive(), &calls);
    EXPECT_EQ(run.way, std::string("reserve"));
    EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
    EXPECT_EQ(folder.contents(), (Contents{{"01.mp3", "00.mp3"},
                                           {"02.mp3", "01.mp3"},
                                           {"03.mp3", "02.mp3"},
                                           {"b.mp3", "a.mp3"},
                                           {"c.mp3", "b.mp3"},
                                           {"a.mp3", "c.mp3"},
                                           {"y.mp3", "x.mp3"}}));
    EXPECT_EQ(calls.count(Kind::Link), 0);
    EXPECT_EQ(calls.count(Kind::Exchange), 0);
    EXPECT_EQ(calls.count(Kind::Rename), 0);
    EXPECT_EQ(count(calls, Kind::Move, true), 1) << "only the round steps aside";
    EXPECT_EQ(calls.count(Kind::Reserve), 7);
}

TEST(ReservingRenamer, ATakenNameIsNeverReplacedAndAFailedRenameTakesItsReservationBack) {
    RenameFolder folder({"a.mp3", "b.mp3", "taken.mp3"});
    folder.type({{"a.mp3", "taken"}, {"b.mp3", "fails"}});
    ScriptedCalls calls;
    calls.before = [](const ScriptedCalls::Call &call) {
        return call.kind == Kind::Move && call.to == "fails.mp3" ? EIO : 0;
    };
    RenamePlan plan = folder.plan();
    plan.rows[2].outcome = RenameOutcome::Blank; // taken.mp3 is not in the run
    RunSettings settings;
    settings.drive = reservingDrive();
    settings.calls = &calls;
    const RenameResult run = runPlan(std::move(plan), settings);
    EXPECT_EQ(outcomes(run.rows)["a.mp3"], "EEXIST");
    EXPECT_EQ(outcomes(run.rows)["b.mp3"], "EIO");
    EXPECT_EQ(folder.contents(), unchanged({"a.mp3", "b.mp3", "taken.mp3"}));
}

TEST(ReservingRenamer, AStrangerAtTheInstantOfARenameIsPutBackAndNeverLost) {
    struct Case {
        const char *name;
        Kind at; // the call before which the stranger comes
        Contents after;
    };
    const Case cases[] = {
        // Swapped in for the file right before the plain rename: it is found under the new
        // name afterwards and goes back; the file stays where the stranger put it.
        {"for the file", Kind::Move, {{"a.mp3", "stranger"}, {"moved away.mp3", "a.mp3"}}},
        // Put over the reservation before it was checked: it keeps the name.
        {"over the reservation", Kind::Status, {{"a.mp3", "a.mp3"}, {"b.mp3", "stranger"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RenameFolder folder({"a.mp3"});
        folder.type("a.mp3", "b");
        folder.dir.touch(".stranger", "stranger");
        ScriptedCalls calls;
        bool done = false;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (done || call.kind != c.at || calls.count(Kind::Reserve) == 0)
                return 0;
            done = true;
            if (c.at == Kind::Move) {
                std::filesystem::rename(folder.dir.path() / "a.mp3",
                                        folder.dir.path() / "moved away.mp3");
                std::filesystem::rename(folder.dir.path() / ".stranger",
                                        folder.dir.path() / "a.mp3");
            } else {
                std::filesystem::rename(folder.dir.path() / ".stranger",
                                        folder.dir.path() / "b.mp3");
            }
            return 0;
        };
        const RenameResult run = runOn(folder, reservingDrive(), &calls);
        EXPECT_TRUE(done);
        EXPECT_EQ(outcomes(run.rows), (Contents{{"a.mp3", "EAGAIN"}}));
        EXPECT_EQ(folder.contents(), c.after);
    }
}

TEST(ReservingRenamer, ACallThatSaysItFailedIsCheckedAgainstTheDisk) {
    // The plain rename done but answered EIO; the removal of a reservation done but answered EIO.
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"a.mp3", "x"}, {"b.mp3", "c"}, {"c.mp3", "b"}});
    ScriptedCalls calls;
    calls.after = [](const ScriptedCalls::Call &call, int answer) {
        return answer == 0 && (call.kind == Kind::Move || call.kind == Kind::Unlink) ? EIO : answer;
    };
    const RenameResult run = runOn(folder, reservingDrive(), &calls);
    EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
    EXPECT_EQ(folder.contents(),
              (Contents{{"x.mp3", "a.mp3"}, {"c.mp3", "b.mp3"}, {"b.mp3", "c.mp3"}}));
}

TEST(ReservingRenamer, AFileThatCannotGoBackIsReportedUnderItsPrivateName) {
    // A round: the first file steps aside, then no name can be reserved any more.
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}});
    ScriptedCalls calls;
    calls.before = [&](const ScriptedCalls::Call &call) {
        return call.kind == Kind::Reserve ? ENOSPC : 0;
    };
    const RenameResult run = runOn(folder, reservingDrive(), &calls);
    const Contents now = folder.contents();
    ASSERT_EQ(now.size(), 2u);
    std::string aside;
    for (const auto &[name, content] : now)
        if (content == "a.mp3")
            aside = name;
    ASSERT_TRUE(isPrivateName(aside));
    for (const RowOutcome &row : run.rows) {
        EXPECT_EQ(row.outcome, RenameOutcome::Failed);
        if (row.oldName == "a.mp3") {
            EXPECT_EQ(row.nameNow, aside) << "the report must say where the file is";
        }
    }
}

TEST(ReservingRenamer, OnlyAReservationOfOursIsDropped) {
    TempDir dir;
    const std::string marker(NoReplaceRenamer::ReservationMarker);
    dir.touch("ours.mp3", marker);
    dir.touch("same size.mp3", std::string(marker.size(), 'x'));
    dir.touch("song.mp3", "music");
    NoReplaceRenamer renamer(dir.str(), reservingDrive());
    EXPECT_EQ(renamer.dropReservation("ours.mp3"), 0);
    EXPECT_EQ(renamer.dropReservation("same size.mp3"), EEXIST);
    EXPECT_EQ(renamer.dropReservation("song.mp3"), EEXIST);
    EXPECT_EQ(renamer.dropReservation("none.mp3"), ENOENT);
    EXPECT_FALSE(dir.exists("ours.mp3"));
    EXPECT_TRUE(dir.exists("same size.mp3"));
    EXPECT_TRUE(dir.exists("song.mp3"));
}

namespace {

// A child process renames with its journal and is killed at the `killAt`-th call that changes
// the folder. True when it was killed so.
bool killedAt(const StateHome &home, const RenameFolder &folder, Method method, int killAt) {
    return killedDuring(killAt, [&](filvane::DirectoryCalls *calls) {
        RunJournal journal(home.journals());
        RenamePlan plan = folder.plan();
        plan.folder = directoryIdentity(folder.dir.str());
        runPlan(std::move(plan), {method, {}, &journal, calls});
    });
}

// Every file under its old name or every one under its new name, nothing else in the folder.
void expectWholeNames(const Contents &now, const Contents &before, const Contents &after) {
    EXPECT_FALSE(anyHidden(now));
    EXPECT_EQ(now.size(), before.size());
    for (const auto &[name, content] : now) {
        const bool old = before.count(name) && before.at(name) == content;
        const bool renamed = after.count(name) && after.at(name) == content;
        EXPECT_TRUE(old || renamed) << name << " holds " << content;
    }
}

// A renumbering and a round, killed at every call that changes the folder, then recovered by
// each choice: every file ends under one visible name, no reservation is left.
void killEverywhereAndRecover(const std::filesystem::path &parent, Method method) {
    const Names files{"00.mp3", "01.mp3", "a.mp3", "b.mp3"};
    const Contents renamed{
        {"01.mp3", "00.mp3"}, {"02.mp3", "01.mp3"}, {"b.mp3", "a.mp3"}, {"a.mp3", "b.mp3"}};
    for (const RecoveryChoice choice :
         {RecoveryChoice::Restore, RecoveryChoice::Finish, RecoveryChoice::Leave}) {
        for (int killAt = 0;; ++killAt) {
            SCOPED_TRACE("choice " + std::to_string(static_cast<int>(choice)) + ", killed at " +
                         std::to_string(killAt));
            StateHome home;
            RenameFolder folder(files, parent);
            folder.type({{"00.mp3", "01"}, {"01.mp3", "02"}, {"a.mp3", "b"}, {"b.mp3", "a"}});
            if (!killedAt(home, folder, method, killAt)) {
                EXPECT_EQ(folder.contents(), renamed); // the run went through: all are done
                break;
            }
            const std::vector<RunSummary> cut = interruptedRuns(home.journals());
            if (cut.empty()) {
                // Killed before its journal, maybe while it probed the drive: the next look
                // at the drive removes the probe.
                forgetDrives();
                driveFactsOf(folder.dir.str());
                EXPECT_EQ(folder.contents(), unchanged(files));
                continue;
            }
            RunSettings settings;
            settings.method = method;
            const RenameResult recovery = recoverRun(home.journals(), cut[0].id, choice, settings);
            EXPECT_EQ(recovery.refusal, RunRefusal::None);
            const Contents now = folder.contents();
            if (choice == RecoveryChoice::Restore)
                EXPECT_EQ(now, unchanged(files));
            else if (choice == RecoveryChoice::Finish)
                EXPECT_EQ(now, renamed);
            else
                expectWholeNames(now, unchanged(files), renamed);
            EXPECT_TRUE(interruptedRuns(home.journals()).empty());
        }
    }
}

} // namespace

TEST(ReservingRenamer, ARunKilledAtAnyStepIsRecoveredByEachChoice) {
    TempDir parent;
    killEverywhereAndRecover(parent.path(), Method::Reserve);
}

TEST(FatLikeDrive, RenumbersAndRotatesWithoutAnExchangeOrALink) {
    RenameFolder folder({"00.mp3", "01.mp3", "a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"00.mp3", "01"}, {"01.mp3", "02"}});
    folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}});
    ScriptedCalls calls;
    calls.before = [](const ScriptedCalls::Call &call) {
        return call.kind == Kind::Exchange ? EINVAL : call.kind == Kind::Link ? EPERM : 0;
    };
    const RenameResult run = runOn(folder, fatDrive(), &calls);
    EXPECT_EQ(run.way, std::string("noreplace"));
    EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
    EXPECT_EQ(folder.contents(), (Contents{{"01.mp3", "00.mp3"},
                                           {"02.mp3", "01.mp3"},
                                           {"b.mp3", "a.mp3"},
                                           {"c.mp3", "b.mp3"},
                                           {"a.mp3", "c.mp3"}}));
    EXPECT_EQ(calls.count(Kind::Exchange), 0);
    EXPECT_EQ(calls.count(Kind::Link), 0);
}

TEST(DriveWithoutExclusiveCreate, RenamesNothingRatherThanRiskAnOverwrite) {
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"a.mp3", "x"}, {"b.mp3", "c"}, {"c.mp3", "b"}});
    DriveFacts drive = reservingDrive();
    drive.exclusiveCreate = false;
    ScriptedCalls calls;
    const RenameResult run = runOn(folder, drive, &calls);
    EXPECT_EQ(run.way, std::string("none"));
    EXPECT_EQ(
        outcomes(run.rows),
        (Contents{{"a.mp3", "EOPNOTSUPP"}, {"b.mp3", "EOPNOTSUPP"}, {"c.mp3", "EOPNOTSUPP"}}));
    EXPECT_EQ(folder.contents(), unchanged({"a.mp3", "b.mp3", "c.mp3"}));
    for (const ScriptedCalls::Call &call : calls.log)
        EXPECT_EQ(call.kind, Kind::Status);
}

// On a real exFAT image through exfat-fuse.
TEST(ExfatThroughFuse, TheDriveIsKnownAndEveryKindOfRunWorksAndIsUndone) {
    FuseDrive drive(FuseDrive::Kind::Exfat);
    SKIP_WITHOUT(drive);
    const DriveFacts facts = driveFactsOf(drive.str());
    EXPECT_EQ(facts.description, "exFAT through FUSE");
    EXPECT_EQ(wayFor(facts), RenameWay::Reserve);
    EXPECT_TRUE(facts.caseInsensitive);
    EXPECT_TRUE(facts.windowsNames);
    EXPECT_TRUE(std::filesystem::is_empty(drive.path())) << "a probe was left";

    StateHome home;
    const Names files{"00.mp3", "01.mp3", "02.mp3", "a.mp3", "b.mp3", "song.mp3"};
    RenameFolder folder(files, drive.path());
    folder.type({{"00.mp3", "01"}, {"01.mp3", "02"}, {"02.mp3", "03"}}); // renumbering
    folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}});                       // rotation
    folder.type("song.mp3", "Song");                                     // case only
    ScriptedCalls calls;
    RunJournal journal(home.journals());
    RenamePlan plan = folder.plan();
    plan.folder = directoryIdentity(folder.dir.str());
    RunSettings settings;
    settings.journal = &journal;
    settings.calls = &calls;
    const RenameResult run = runPlan(std::move(plan), settings);
    EXPECT_EQ(run.way, std::string("reserve"));
    EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
    const Contents renamed{{"01.mp3", "00.mp3"}, {"02.mp3", "01.mp3"}, {"03.mp3", "02.mp3"},
                           {"b.mp3", "a.mp3"},   {"a.mp3", "b.mp3"},   {"Song.mp3", "song.mp3"}};
    EXPECT_EQ(folder.contents(), renamed);
    // A user's file goes to a private name only in the round and for the change of case.
    EXPECT_EQ(count(calls, Kind::Move, true), 2);
    EXPECT_EQ(count(calls, Kind::Link, false), 0);

    const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
    ASSERT_TRUE(last);
    const RenameResult undo = undoRun(home.journals(), last->id);
    EXPECT_EQ(undo.refusal, RunRefusal::None);
    EXPECT_EQ(folder.contents(), unchanged(files));
}

TEST(ExfatThroughFuse, ARunKilledAtAnyStepIsRecoveredByEachChoice) {
    FuseDrive drive(FuseDrive::Kind::Exfat);
    SKIP_WITHOUT(drive);
    killEverywhereAndRecover(drive.path(), Method::NoReplaceFlag);
}

TEST(ExfatThroughFuse, ANameTheDriveRefusesFailsItsRowAsNotAllowed) {
    FuseDrive drive(FuseDrive::Kind::Exfat);
    SKIP_WITHOUT(drive);
    RenameFolder folder({"a.mp3", "b.mp3"}, drive.path());
    folder.type({{"a.mp3", "AC:DC"}, {"b.mp3", "fine"}});
    RunSettings settings;
    const RenameResult run = folder.run(settings);
    EXPECT_EQ(outcomes(run.rows), (Contents{{"a.mp3", "EINVAL"}, {"b.mp3", "renamed"}}));
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}, {"fine.mp3", "b.mp3"}}));
}

TEST(ExfatThroughFuse, AStrangerSwappedInIsPutBackAndTheRowFails) {
    FuseDrive drive(FuseDrive::Kind::Exfat);
    SKIP_WITHOUT(drive);
    RenameFolder folder({"a.mp3"}, drive.path());
    folder.type("a.mp3", "b");
    folder.dir.touch("stranger", "stranger");
    ScriptedCalls calls;
    bool done = false;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (!done && call.kind == Kind::Move) {
            done = true;
            std::filesystem::rename(folder.dir.path() / "a.mp3", folder.dir.path() / "away.mp3");
            std::filesystem::rename(folder.dir.path() / "stranger", folder.dir.path() / "a.mp3");
        }
        return 0;
    };
    RunSettings settings;
    settings.calls = &calls;
    const RenameResult run = folder.run(settings);
    EXPECT_EQ(outcomes(run.rows), (Contents{{"a.mp3", "EAGAIN"}}));
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "stranger"}, {"away.mp3", "a.mp3"}}));
}

TEST(ExfatThroughFuse, NamesTheDriveRefusesAndCaseCollisionsAreFoundBeforeTheRun) {
    FuseDrive drive(FuseDrive::Kind::Exfat);
    SKIP_WITHOUT(drive);
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "Other.mp3"}, drive.path());
    folder.type({{"a.mp3", "AC:DC"}, {"b.mp3", "Same"}, {"c.mp3", "same"}, {"d.mp3", "other"}});
    RenamePlan plan = folder.plan();
    for (RowOutcome &row : plan.rows)
        if (row.oldName == "Other.mp3")
            row.outcome = RenameOutcome::Blank; // not in the run
    checkPlan(plan);
    ASSERT_TRUE(plan.preflight);
    std::map<std::string, PreflightFinding> found;
    for (const PreflightRow &row : plan.preflight->rows)
        found[std::string(row.oldName)] = row.finding;
    EXPECT_EQ(found,
              (std::map<std::string, PreflightFinding>{{"a.mp3", PreflightFinding::NotOnThisDrive},
                                                       {"c.mp3", PreflightFinding::Duplicate},
                                                       {"d.mp3", PreflightFinding::Taken}}));
}

TEST(NtfsThroughFuse, LinksAreUsedAndARenumberingIsUndone) {
    FuseDrive drive(FuseDrive::Kind::Ntfs);
    SKIP_WITHOUT(drive);
    const DriveFacts facts = driveFactsOf(drive.str());
    EXPECT_EQ(facts.description, "NTFS through FUSE");
    EXPECT_EQ(wayFor(facts), RenameWay::Link);
    StateHome home;
    const Names files{"00.mp3", "01.mp3", "a.mp3", "b.mp3"};
    RenameFolder folder(files, drive.path());
    folder.type({{"00.mp3", "01"}, {"01.mp3", "02"}, {"a.mp3", "b"}, {"b.mp3", "a"}});
    RunJournal journal(home.journals());
    RenamePlan plan = folder.plan();
    plan.folder = directoryIdentity(folder.dir.str());
    RunSettings settings;
    settings.journal = &journal;
    const RenameResult run = runPlan(std::move(plan), settings);
    EXPECT_EQ(run.way, std::string("link"));
    EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
    EXPECT_EQ(
        folder.contents(),
        (Contents{
            {"01.mp3", "00.mp3"}, {"02.mp3", "01.mp3"}, {"b.mp3", "a.mp3"}, {"a.mp3", "b.mp3"}}));
    const std::optional<RunSummary> last = latestUndoableRun(home.journals(), folder.dir.str());
    ASSERT_TRUE(last);
    undoRun(home.journals(), last->id);
    EXPECT_EQ(folder.contents(), unchanged(files));
}
