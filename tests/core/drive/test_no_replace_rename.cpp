#include "RenameTestSupport.h"
#include "ScriptedCalls.h"
#include "core/journal/RunJournal.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <set>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace filvane;
using Kind = ScriptedCalls::Kind;

namespace {

// Another process's move, made at an exact point of the run.
void swapNames(const RenameFolder &folder, const std::string &a, const std::string &b) {
    ASSERT_EQ(::renameat2(AT_FDCWD, folder.dir.file(a).c_str(), AT_FDCWD,
                          folder.dir.file(b).c_str(), RENAME_EXCHANGE),
              0);
}

// Each file's content is a name it had: every one of them must be somewhere, exactly once.
void expectEveryFileOnce(const RenameFolder &folder, const Names &files) {
    std::map<std::string, int> seen;
    for (const auto &[name, content] : folder.contents())
        ++seen[content];
    for (const std::string &file : files)
        EXPECT_EQ(seen[file], 1) << file;
}

} // namespace

TEST(RenameSafety, ANameSwappedInByAnotherProcessIsNeverReplaced) {
    // "A.MP3" to "a.mp3" is a change of case only, so the renamer looks whether both are one
    // entry; another process swaps the two names between its two looks.
    RenameFolder folder({"A.MP3"});
    folder.dir.touch("a.mp3", "a.mp3"); // another file, not listed
    ScriptedCalls calls;
    bool swapped = false;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (call.kind == Kind::Status && call.from == "a.mp3" && !swapped) {
            swapped = true; // the look at the new name finds the file just looked at
            swapNames(folder, "A.MP3", "a.mp3");
        }
        return 0;
    };
    folder.lists.nameList().setCell(1, folder.rowOf("A.MP3"), "a.mp3");
    const RenameResult run = folder.run({Method::NoReplaceFlag, {}, nullptr, &calls},
                                        RenameOptions{.numbering = false, .keepExtension = false});
    EXPECT_TRUE(swapped);
    EXPECT_EQ(outcomes(run.rows), (Contents{{"A.MP3", "EEXIST"}}));
    expectEveryFileOnce(folder, {"A.MP3", "a.mp3"});
    EXPECT_EQ(folder.contents().size(), 2u);
}

TEST(RenameSafety, AChangeOfCaseOnlyGoesThroughAHiddenNameInTwoNoReplaceSteps) {
    // As a file system that ignores case answers: the new spelling "exists" and is the file.
    RenameFolder folder({"Song.mp3"});
    ScriptedCalls calls;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (call.kind == Kind::Rename && call.from == "Song.mp3" && call.to == "song.mp3")
            return EEXIST;
        return 0;
    };
    struct ::stat songStat;
    ASSERT_EQ(::stat(folder.dir.file("Song.mp3").c_str(), &songStat), 0);
    struct SpellingCalls : ScriptedCalls {
        struct ::stat same;
        int status(int dirFd, const char *name, struct stat &st) override {
            if (std::string(name) == "song.mp3") {
                st = same;
                return 0;
            }
            return ScriptedCalls::status(dirFd, name, st);
        }
    } spelling;
    spelling.before = calls.before;
    spelling.same = songStat;
    folder.type("Song.mp3", "song");
    EXPECT_EQ(outcomes(folder.run({Method::NoReplaceFlag, {}, nullptr, &spelling}).rows),
              (Contents{{"Song.mp3", "renamed"}}));
    EXPECT_EQ(folder.contents(), (Contents{{"song.mp3", "Song.mp3"}}));
    // Two no-replace renames through a hidden name, never a link and never a plain rename.
    EXPECT_EQ(spelling.count(Kind::Rename), 3);
    EXPECT_EQ(spelling.count(Kind::Link), 0);
}

TEST(RenameSafety, AnExchangeRefusedMidRoundIsTakenBackAndTheRoundTurnsThroughATemporaryName) {
    // a -> b -> c -> d -> a. The second and later exchanges are refused, also the question
    // whether the file system has the exchange at all; swapping back is not refused.
    for (const bool askedRefused : {false, true}) {
        SCOPED_TRACE(askedRefused);
        RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
        folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "d"}, {"d.mp3", "a"}});
        ScriptedCalls calls;
        int exchanges = 0;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (call.kind != Kind::Exchange)
                return 0;
            if (isPrivateName(call.from))
                return askedRefused ? EINVAL : 0;
            return ++exchanges >= 2 && call.to != "b.mp3" ? EINVAL : 0;
        };
        const RenameResult run = folder.run({Method::NoReplaceFlag, {}, nullptr, &calls});
        EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
        EXPECT_EQ(
            folder.contents(),
            (Contents{
                {"a.mp3", "d.mp3"}, {"b.mp3", "a.mp3"}, {"c.mp3", "b.mp3"}, {"d.mp3", "c.mp3"}}));
    }
}

TEST(RenameSafety, ARoundThatCannotBeTakenBackReportsWhatIsOnTheDisk) {
    // The exchange: a -> b -> c -> d -> a; the second exchange fails, and so does swapping
    // back: a is at b, b at a, c and d untouched.
    {
        RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
        folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "d"}, {"d.mp3", "a"}});
        ScriptedCalls calls;
        calls.before = ScriptedCalls::exchangesFailFrom(2, EIO);
        const RenameResult run = folder.run({Method::NoReplaceFlag, {}, nullptr, &calls});
        EXPECT_EQ(
            outcomes(run.rows),
            (Contents{
                {"a.mp3", "renamed"}, {"b.mp3", "EEXIST"}, {"c.mp3", "EIO"}, {"d.mp3", "EEXIST"}}));
        for (const RowOutcome &row : run.rows)
            EXPECT_EQ(row.nameNow, row.oldName == "b.mp3" ? "a.mp3" : "") << row.oldName;
        EXPECT_EQ(
            folder.contents(),
            (Contents{
                {"a.mp3", "b.mp3"}, {"b.mp3", "a.mp3"}, {"c.mp3", "c.mp3"}, {"d.mp3", "d.mp3"}}));
    }
    // Through a temporary name: a aside, c to a, then b to c fails. Taken back, nothing is
    // left under the temporary name; and when taking back fails too, the report says where a
    // file is.
    for (const bool takeBackFails : {false, true}) {
        SCOPED_TRACE(takeBackFails);
        RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
        folder.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}});
        ScriptedCalls calls;
        bool failed = false;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (call.kind != Kind::Rename)
                return 0;
            if (call.from == "b.mp3")
                failed = true;
            return call.from == "b.mp3" || (failed && takeBackFails && call.from == "a.mp3") ? EIO
                                                                                             : 0;
        };
        const RenameResult run = folder.run({Method::NoExchange, {}, nullptr, &calls});
        const Contents found = folder.contents();
        for (const RowOutcome &row : run.rows) {
            const std::string name(row.outcome == RenameOutcome::Renamed ? row.newName
                                   : row.nameNow.empty()                 ? row.oldName
                                                                         : row.nameNow);
            EXPECT_EQ(found.count(name) ? found.at(name) : "", row.oldName) << name;
        }
        EXPECT_EQ(outcomes(run.rows).at("b.mp3"), "EIO");
        if (!takeBackFails) {
            EXPECT_EQ(found,
                      (Contents{{"a.mp3", "a.mp3"}, {"b.mp3", "b.mp3"}, {"c.mp3", "c.mp3"}}));
        } else {
            // c cannot go back, and both names of a's file are held: it stays under the
            // temporary name, and its row says so.
            EXPECT_EQ(found.size(), 3u);
            const auto a =
                std::find_if(run.rows.begin(), run.rows.end(),
                             [](const RowOutcome &row) { return row.oldName == "a.mp3"; });
            ASSERT_NE(a, run.rows.end());
            EXPECT_TRUE(isPrivateName(a->nameNow)) << a->nameNow;
        }
    }
}

TEST(RenameSafety, TheLinkFallbackKeepsEveryFileUnderExactlyOneName) {
    // The private name cannot be removed: the new name is taken back, the file gets its old
    // name again and the row fails.
    RenameFolder folder({"a.mp3", "b.mp3"});
    folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}});
    ScriptedCalls calls;
    bool failed = false;
    calls.before = [&](const ScriptedCalls::Call &call) {
        const bool refuse = call.kind == Kind::Unlink && !failed && isPrivateName(call.from);
        failed = failed || refuse;
        return refuse ? EPERM : 0;
    };
    const RenameResult run = folder.run({Method::LinkThenUnlink, {}, nullptr, &calls});
    EXPECT_EQ(outcomes(run.rows), (Contents{{"a.mp3", "EPERM"}, {"b.mp3", "renamed"}}));
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}, {"y.mp3", "b.mp3"}}));
}

// Another process swaps a file of its own in under a name of the run (an atomic exchange, as a
// save by rename does) at every step of the fallback: whatever the run's rows say, every file is
// under exactly one name with its own content, and no name of the user's is ever unlinked.
TEST(RenameSafety, TheLinkFallbackLosesNoFileToAConcurrentSwap) {
    const auto swapped = [](const TempDir &dir, const char *name) {
        return ::renameat2(AT_FDCWD, dir.file(name).c_str(), AT_FDCWD,
                           dir.file("other.dat").c_str(), RENAME_EXCHANGE) == 0;
    };
    const auto everyFileOnce = [](const Contents &found, const Names &contents) {
        std::multiset<std::string> seen;
        for (const auto &[name, content] : found)
            seen.insert(content);
        return seen == std::multiset<std::string>(contents.begin(), contents.end());
    };
    // At an exact point: just before each move, link or unlink.
    for (const Kind at : {Kind::Move, Kind::Link, Kind::Unlink}) {
        SCOPED_TRACE(static_cast<int>(at));
        RenameFolder folder({"a.mp3", "b.mp3"});
        folder.dir.touch("other.dat", "other.dat");
        folder.type({{"a.mp3", "x"}, {"b.mp3", "y"}});
        ScriptedCalls calls;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (call.kind == Kind::Unlink && !isPrivateName(call.from))
                ADD_FAILURE() << "unlinked a name of the user's: " << call.from;
            if (call.kind == at)
                swapped(folder.dir, "a.mp3");
            return 0;
        };
        folder.run({Method::LinkThenUnlink, {}, nullptr, &calls});
        EXPECT_TRUE(everyFileOnce(folder.contents(), {"a.mp3", "b.mp3", "other.dat"}))
            << testing::PrintToString(folder.contents());
    }
    // A racer thread swapping all the while.
    for (int attempt = 0; attempt < 32; ++attempt) {
        RenameFolder folder({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
        folder.dir.touch("other.dat", "other.dat");
        folder.type({{"a.mp3", "w"}, {"b.mp3", "x"}, {"c.mp3", "y"}, {"d.mp3", "z"}});
        std::atomic<bool> done = false;
        std::thread racer([&] {
            const char *names[] = {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "w.mp3", "x.mp3"};
            for (unsigned i = 0; !done; ++i)
                swapped(folder.dir, names[i % 6]);
        });
        folder.run({Method::LinkThenUnlink, {}, nullptr, nullptr});
        done = true;
        racer.join();
        ASSERT_TRUE(
            everyFileOnce(folder.contents(), {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "other.dat"}))
            << testing::PrintToString(folder.contents());
    }
}

TEST(RenameSafety, ANameTheFileSystemRefusesFailsItsRowOnly) {
    // vfat answers EINVAL for "?" in a name; the flag itself works.
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"a.mp3", "what?"}, {"b.mp3", "b2"}, {"c.mp3", "c2"}});
    ScriptedCalls calls;
    calls.before = [](const ScriptedCalls::Call &call) {
        return call.to.find('?') != std::string::npos ? EINVAL : 0;
    };
    const RenameResult run = folder.run({Method::NoReplaceFlag, {}, nullptr, &calls});
    EXPECT_EQ(outcomes(run.rows),
              (Contents{{"a.mp3", "EINVAL"}, {"b.mp3", "renamed"}, {"c.mp3", "renamed"}}));
    EXPECT_EQ(calls.count(Kind::Link), 0);
    EXPECT_EQ(folder.contents(),
              (Contents{{"a.mp3", "a.mp3"}, {"b2.mp3", "b.mp3"}, {"c2.mp3", "c.mp3"}}));

    // A file system that refuses the flag itself: every row goes by link, and works.
    RenameFolder refusing({"a.mp3", "b.mp3"});
    refusing.type({{"a.mp3", "a2"}, {"b.mp3", "b2"}});
    ScriptedCalls noFlag;
    noFlag.before = [](const ScriptedCalls::Call &call) {
        return call.kind == Kind::Rename ? EINVAL : 0;
    };
    EXPECT_EQ(outcomes(refusing.run({Method::NoReplaceFlag, {}, nullptr, &noFlag}).rows),
              allRenamedBut(refusing));
    EXPECT_EQ(noFlag.count(Kind::Link), 2);
    EXPECT_EQ(refusing.contents(), (Contents{{"a2.mp3", "a.mp3"}, {"b2.mp3", "b.mp3"}}));
}

TEST(RenameSafety, AFolderReplacedSinceTheListingRenamesNothing) {
    for (const bool byLink : {false, true}) {
        SCOPED_TRACE(byLink);
        TempDir parent;
        const std::string path = parent.file("music");
        std::filesystem::create_directory(path);
        std::ofstream(path + "/a.mp3") << "listed";
        NameLists lists;
        lists.listDirectory(path + "/*");
        lists.nameList().setCell(1, 1, "b");
        const std::optional<DirectoryIdentity> listed = directoryIdentity(path);
        ASSERT_TRUE(listed);
        // Between the Read and the Rename the path comes to lead to another folder with a file
        // of the same name.
        std::filesystem::rename(path, parent.file("old"));
        const std::string other = byLink ? parent.file("elsewhere") : path;
        std::filesystem::create_directory(other);
        std::ofstream(other + "/a.mp3") << "other";
        if (byLink)
            std::filesystem::create_directory_symlink(other, path);
        const RenameResult run =
            runPlan(planFromLists(lists, RenameOptions{.numbering = false}, path, listed), {});
        EXPECT_EQ(run.refusal, RunRefusal::FolderChanged);
        EXPECT_EQ(outcomes(run.rows), (Contents{{"a.mp3", "pending"}}));
        EXPECT_TRUE(std::filesystem::exists(other + "/a.mp3"));
        EXPECT_TRUE(std::filesystem::exists(parent.file("old") + "/a.mp3"));
    }
    // The same folder as listed: renamed.
    RenameFolder same({"a.mp3"});
    same.type("a.mp3", "b");
    RenamePlan plan = same.plan();
    plan.folder = directoryIdentity(same.dir.str());
    EXPECT_EQ(outcomes(runPlan(std::move(plan), {}).rows), allRenamedBut(same));
}

TEST(RenameSafety, ASwapWhoseFileIsGoneRenamesTheSurvivors) {
    for (Method method : {Method::NoReplaceFlag, Method::NoExchange}) {
        SCOPED_TRACE(static_cast<int>(method));
        // The first name of the round is the one gone.
        RenameFolder three({"a.mp3", "b.mp3", "c.mp3"});
        three.type({{"a.mp3", "b"}, {"b.mp3", "c"}, {"c.mp3", "a"}});
        three.remove("a.mp3");
        EXPECT_EQ(outcomes(three.run(method)),
                  (Contents{{"a.mp3", "ENOENT"}, {"b.mp3", "renamed"}, {"c.mp3", "renamed"}}));
        EXPECT_EQ(three.contents(), (Contents{{"a.mp3", "c.mp3"}, {"c.mp3", "b.mp3"}}));

        RenameFolder two({"a.mp3", "b.mp3"});
        two.type({{"a.mp3", "b"}, {"b.mp3", "a"}});
        two.remove("b.mp3");
        EXPECT_EQ(outcomes(two.run(method)), (Contents{{"a.mp3", "renamed"}, {"b.mp3", "ENOENT"}}));
        EXPECT_EQ(two.contents(), (Contents{{"b.mp3", "a.mp3"}}));
    }
}

TEST(RenameSafety, ALargeRoundReportsProgressAndFinishesWhenStopped) {
    // 600 files going round, then a chain of two after it.
    Names files;
    for (int i = 0; i < 600; ++i)
        files.push_back("r" + std::to_string(1000 + i) + ".mp3");
    files.push_back("x.mp3");
    files.push_back("y.mp3");
    for (Method method : {Method::NoReplaceFlag, Method::NoExchange}) {
        SCOPED_TRACE(static_cast<int>(method));
        RenameFolder folder(files);
        for (int i = 0; i < 600; ++i)
            folder.type(files[i], "r" + std::to_string(1000 + (i + 1) % 600));
        folder.type({{"x.mp3", "y"}, {"y.mp3", "z"}});
        std::vector<int> calls;
        const auto rows =
            folder.run(method, RenameOptions{.numbering = false}, [&](int done, int total) {
                EXPECT_EQ(total, 602);
                calls.push_back(done);
                return false; // stop as soon as asked
            });
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls[0], 256); // inside the round: the stop waits for it
        EXPECT_EQ(calls[1], 512);
        EXPECT_EQ(calls.back(), 600);
        const Contents found = outcomes(rows);
        for (int i = 0; i < 600; ++i)
            EXPECT_EQ(found.at(files[i]), "renamed");
        EXPECT_EQ(found.at("x.mp3"), "pending");
        EXPECT_EQ(found.at("y.mp3"), "pending");
        expectEveryFileOnce(folder, files);
    }
}

TEST(RenameSafety, AFileThatBecameAFolderIsNotRenamedAndAFileWithItsNameIsNoFailure) {
    RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
    folder.type({{"a.mp3", "x"}, {"b.mp3", "b"}, {"c.mp3", "a"}});
    folder.remove("a.mp3");
    std::filesystem::create_directory(folder.dir.path() / "a.mp3");
    EXPECT_EQ(outcomes(folder.run(Method::NoReplaceFlag)),
              (Contents{{"a.mp3", "EISDIR"}, {"b.mp3", "renamed"}, {"c.mp3", "EEXIST"}}));
    EXPECT_EQ(folder.contents(),
              (Contents{{"a.mp3", "(directory)"}, {"b.mp3", "b.mp3"}, {"c.mp3", "c.mp3"}}));
}

namespace {

// A small tmpfs mounted on a folder of a TempDir for the test's length; none where this
// process may not mount (not root, or in a container that forbids it).
class SmallTmpfs {
public:
    explicit SmallTmpfs(const std::string &path, const char *size) : m_path(path) {
        std::filesystem::create_directory(path);
        m_mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, size) == 0;
    }
    ~SmallTmpfs() {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    bool makeReadOnly() const {
        return ::mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string m_path;
    bool m_mounted = false;
};

} // namespace

TEST(RenameSafety, AReadOnlyFileSystemFailsEveryRowAndAFullOneRefusesTheJournal) {
    TempDir place;
    const SmallTmpfs readOnly(place.file("ro"), "size=1m");
    if (!readOnly.mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const std::string ro = place.file("ro");
    for (const char *name : {"a.mp3", "b.mp3"})
        std::ofstream(ro + "/" + name) << name;
    NameLists lists;
    lists.listDirectory(ro + "/*");
    lists.sortByName();
    lists.nameList().setCell(1, 1, "x");
    lists.nameList().setCell(1, 2, "y");
    ASSERT_TRUE(readOnly.makeReadOnly());
    for (Method method : {Method::NoReplaceFlag, Method::NoExchange, Method::LinkThenUnlink}) {
        const auto rows = renameRows(
            planFromLists(lists, RenameOptions{.numbering = false}, ro, std::nullopt), method);
        EXPECT_EQ(outcomes(rows), (Contents{{"a.mp3", "EROFS"}, {"b.mp3", "EROFS"}}));
    }
    EXPECT_EQ(std::filesystem::directory_entry(ro + "/a.mp3").file_size(), 5u);

    // The journal's folder on a file system with no room left: the run renames nothing and
    // says why.
    const SmallTmpfs full(place.file("full"), "size=16k");
    ASSERT_TRUE(full.mounted());
    std::ofstream(place.file("full") + "/filler") << std::string(64 * 1024, 'x');
    RenameFolder folder({"a.mp3"});
    folder.type("a.mp3", std::string(200, 'n'));
    RunJournal journal(place.file("full") + "/filvane");
    const RenameResult run = folder.run({Method::NoReplaceFlag, {}, &journal, nullptr});
    EXPECT_EQ(run.refusal, RunRefusal::JournalNotWritten);
    EXPECT_EQ(run.error, ENOSPC);
    EXPECT_EQ(folder.contents(), (Contents{{"a.mp3", "a.mp3"}}));
}

TEST(RenameSafety, ALinkThatCouldNotBeTakenBackIsNeverMade) {
    // A shared sticky folder: another user may link a file of root's there (it may write the
    // file) but not remove either of its names, so the fallback would leave it under two.
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TempDir place;
    std::filesystem::permissions(place.path(), std::filesystem::perms(0755));
    const std::string shared = place.file("shared");
    std::filesystem::create_directory(shared);
    std::filesystem::permissions(shared, std::filesystem::perms(01777));
    std::ofstream(shared + "/a.mp3") << "a.mp3";
    std::filesystem::permissions(shared + "/a.mp3", std::filesystem::perms(0666));
    NameLists lists;
    lists.listDirectory(shared + "/*");
    lists.nameList().setCell(1, 1, "x");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const auto rows = renameRows(
            planFromLists(lists, RenameOptions{.numbering = false}, shared, std::nullopt),
            Method::LinkThenUnlink);
        ::_exit(rows.rows[0].outcome == RenameOutcome::Failed && rows.rows[0].error == EPERM ? 0
                                                                                             : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::filesystem::exists(shared + "/a.mp3"));
    EXPECT_FALSE(std::filesystem::exists(shared + "/x.mp3"));
}

TEST(NoReplaceRenamerExchange, SwapsTwoNamesOrSaysItCannot) {
    const RenameFolder folder({"a", "b"});
    NoReplaceRenamer renamer(folder.dir.str());
    const int error = renamer.exchange("a", "b");
    if (error == NoReplaceRenamer::ExchangeRefused)
        GTEST_SKIP() << "the file system under " << folder.dir.str() << " has no exchange";
    EXPECT_EQ(error, 0);
    EXPECT_EQ(renamer.exchange("a", "gone"), ENOENT);
    EXPECT_FALSE(renamer.exchangeRefused());
    for (Method refusing : {Method::NoExchange, Method::LinkThenUnlink}) {
        NoReplaceRenamer without(folder.dir.str(), refusing);
        EXPECT_TRUE(without.exchangeRefused());
        EXPECT_EQ(without.exchange("a", "b"), NoReplaceRenamer::ExchangeRefused);
    }
    EXPECT_EQ(folder.contents(), (Contents{{"a", "b"}, {"b", "a"}}));
}

// A stranger swapped in for the run's file at the very instant of each kind of rename (after
// every look, right before the call) is found under the new name afterwards, put back, and the
// row fails; the run's file, moved aside by the swapper, is never touched.
TEST(RenameIdentity, AStrangerAtTheInstantOfAnyKindOfRenameIsPutBack) {
    struct Case {
        const char *name;
        Method method;
        Kind at;
        bool round;
    };
    const Case cases[] = {
        {"no-replace", Method::NoReplaceFlag, Kind::Rename, false},
        {"exchange", Method::NoReplaceFlag, Kind::Exchange, true},
        {"to a private name", Method::NoExchange, Kind::Rename, true},
        {"link fallback", Method::LinkThenUnlink, Kind::Move, false},
        {"reservation", Method::Reserve, Kind::Move, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RenameFolder folder({"a.mp3", "b.mp3"});
        folder.dir.touch(".stranger", "stranger");
        if (c.round)
            folder.type({{"a.mp3", "b"}, {"b.mp3", "a"}});
        else
            folder.type("a.mp3", "x");
        ScriptedCalls calls;
        bool swapped = false;
        calls.before = [&](const ScriptedCalls::Call &call) {
            if (!swapped && call.kind == c.at && call.from == "a.mp3") {
                swapped = true;
                std::filesystem::rename(folder.dir.path() / "a.mp3",
                                        folder.dir.path() / "away.mp3");
                std::filesystem::rename(folder.dir.path() / ".stranger",
                                        folder.dir.path() / "a.mp3");
            }
            return 0;
        };
        const RenameResult run = folder.run({c.method, {}, nullptr, &calls});
        ASSERT_TRUE(swapped);
        EXPECT_EQ(outcomes(run.rows)["a.mp3"], "EAGAIN");
        const Contents now = folder.contents();
        EXPECT_EQ(now.at("a.mp3"), "stranger") << testing::PrintToString(now);
        EXPECT_EQ(now.at("away.mp3"), "a.mp3");
        for (const auto &[name, content] : now)
            EXPECT_FALSE(isPrivateName(name)) << name;
    }
}

// What a network share answers to a call it re-sent: the call was made, the answer says it
// failed. Each is checked against the disk: the rows are renamed, no file has two names or a
// private one.
TEST(RenameIdentity, ACallThatSucceedsButSaysItFailedIsTakenForWhatItDid) {
    for (const Method method : {Method::NoReplaceFlag, Method::LinkThenUnlink, Method::Reserve}) {
        SCOPED_TRACE(methodName(method));
        RenameFolder folder({"a.mp3", "b.mp3", "c.mp3"});
        folder.type({{"a.mp3", "x"}, {"b.mp3", "c"}, {"c.mp3", "b"}});
        ScriptedCalls calls;
        calls.after = [](const ScriptedCalls::Call &call, int answer) {
            if (answer != 0 || call.kind == Kind::Status || call.kind == Kind::Create ||
                call.kind == Kind::Reserve)
                return answer;
            return call.kind == Kind::Link || call.kind == Kind::Rename ? EEXIST : EIO;
        };
        const RenameResult run = folder.run({method, {}, nullptr, &calls});
        EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder));
        EXPECT_EQ(folder.contents(),
                  (Contents{{"x.mp3", "a.mp3"}, {"c.mp3", "b.mp3"}, {"b.mp3", "c.mp3"}}));
    }
}

// A put-back refused on the link fallback (the disk full): the file stays under its private
// name and the row says which.
TEST(RenameIdentity, AFileLeftUnderAPrivateNameIsNamedInItsRow) {
    RenameFolder folder({"a.mp3"});
    folder.type("a.mp3", "x");
    ScriptedCalls calls;
    calls.before = [](const ScriptedCalls::Call &call) {
        return call.kind == Kind::Link ? ENOSPC : 0;
    };
    const RenameResult run = folder.run({Method::LinkThenUnlink, {}, nullptr, &calls});
    ASSERT_EQ(run.rows.size(), 1u);
    EXPECT_EQ(run.rows[0].error, ENOSPC);
    ASSERT_TRUE(isPrivateName(run.rows[0].nameNow));
    EXPECT_EQ(folder.contents(), (Contents{{std::string(run.rows[0].nameNow), "a.mp3"}}));
}

// In a large run the single renames are checked by one read of the folder after them: a
// stranger swapped in for one file still gets its name back and the row fails.
TEST(RenameIdentity, AStrangerInALargeRunIsFoundByTheReadAfterIt) {
    Names files;
    for (int i = 0; i < 200; ++i)
        files.push_back("f" + std::to_string(1000 + i) + ".mp3");
    RenameFolder folder(files);
    for (const std::string &file : files)
        folder.type(file, "new " + file.substr(0, 5));
    folder.dir.touch(".stranger", "stranger");
    ScriptedCalls calls;
    bool swapped = false;
    calls.before = [&](const ScriptedCalls::Call &call) {
        if (!swapped && call.kind == Kind::Rename && call.from == "f1100.mp3") {
            swapped = true;
            std::filesystem::rename(folder.dir.path() / "f1100.mp3",
                                    folder.dir.path() / "away.mp3");
            std::filesystem::rename(folder.dir.path() / ".stranger",
                                    folder.dir.path() / "f1100.mp3");
        }
        return 0;
    };
    const RenameResult run = folder.run({Method::NoReplaceFlag, {}, nullptr, &calls});
    ASSERT_TRUE(swapped);
    EXPECT_EQ(outcomes(run.rows), allRenamedBut(folder, {{"f1100.mp3", "EAGAIN"}}));
    EXPECT_EQ(folder.dir.read("f1100.mp3"), "stranger");
    EXPECT_EQ(folder.dir.read("away.mp3"), "f1100.mp3");
    EXPECT_FALSE(folder.dir.exists("new f1100.mp3"));
    EXPECT_LT(calls.count(Kind::Status), 10) << "a look per rename";
}
