#include "CellGrid.h"
#include "NameLists.h"
#include "NoReplaceRename.h"
#include "Rename.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using namespace filvane;
using Method = NoReplaceRenamer::Method;
using Names = std::vector<std::string>;
using Contents = std::map<std::string, std::string>; // every entry of a folder, hidden ones too

namespace {

// Lists a folder as Read does and lets the test type new names, with numbering off and each
// file keeping its extension unless the options say otherwise.
struct Folder {
    NameLists lists;
    const TempDir &dir;

    explicit Folder(const TempDir &folder) : dir(folder) {
        lists.listDirectory(dir.str() + "/*", true);
        lists.sortByName();
    }
    int rowOf(const std::string &oldName) const {
        for (int row = 1; row <= lists.fileCount(); ++row)
            if (lists.readList().cell(1, row) == oldName)
                return row;
        ADD_FAILURE() << oldName << " is not listed";
        return 0;
    }
    // `oldName` ("a.mp3") is to become `stem` plus its extension ("b" gives "b.mp3").
    void type(const std::string &oldName, const std::string &stem) {
        lists.nameList().setCell(1, rowOf(oldName), stem);
    }
    std::vector<RowOutcome> rename(Method method, RenameOptions options = {false, true, false, ""},
                                   const RenameProgress &progress = {}) const {
        return renameRows({dir.str(), lists.readList(), lists.nameList(), std::move(options)},
                          method, progress);
    }
    const RowOutcome &outcome(const std::vector<RowOutcome> &rows,
                              const std::string &oldName) const {
        return rows.at(static_cast<size_t>(rowOf(oldName) - 1));
    }
};

Contents contentsOf(const TempDir &dir) {
    Contents contents;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        contents[entry.path().filename().string()] = dir.read(entry.path().filename().string());
    return contents;
}

// Each file's content is its own name, so a file under a wrong name shows.
void fill(const TempDir &dir, const Names &names) {
    for (const std::string &name : names)
        dir.touch(name, name);
}

// Appends rather than prepends: GCC 12 warns falsely on "text" + std::string.
std::string join(std::initializer_list<std::string> pieces) {
    std::string joined;
    for (const std::string &piece : pieces)
        joined += piece;
    return joined;
}

std::string twoDigits(int i) {
    return join({i < 10 ? "0" : "", std::to_string(i)});
}

} // namespace

// Every case with the exchange, and with the temporary name both with the no-replace flag and
// with the link fallback of a file system that has neither flag.
class RenamePlan : public ::testing::TestWithParam<Method> {};

INSTANTIATE_TEST_SUITE_P(AllMethods, RenamePlan,
                         ::testing::Values(Method::NoReplaceFlag, Method::NoExchange,
                                           Method::LinkThenUnlink));

TEST_P(RenamePlan, ChainsRenameTheFileHoldingATargetFirst) {
    // Renumbering a numbered folder: every target but the last is held by the next file.
    TempDir numbered;
    fill(numbered, {"00.mp3", "01.mp3", "02.mp3", "03.mp3"});
    Folder renumber(numbered);
    const auto rows = renumber.rename(GetParam(), {true, true, true, ""});
    for (const RowOutcome &row : rows)
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    EXPECT_EQ(contentsOf(numbered), (Contents{{"01.mp3", "00.mp3"},
                                              {"02.mp3", "01.mp3"},
                                              {"03.mp3", "02.mp3"},
                                              {"04.mp3", "03.mp3"}}));

    // A chain of 20 whose links run through the list in strides of 7, so that neither the
    // list's order nor its reverse is the order that works; n20 is free.
    TempDir strided;
    Names names;
    for (int i = 0; i < 20; ++i)
        names.push_back(join({"n", twoDigits(i), ".mp3"}));
    fill(strided, names);
    Folder chain(strided);
    Contents expected;
    for (int step = 0, at = 0; step < 20; ++step, at = (at + 7) % 20) {
        const std::string target = step == 19 ? "n20" : join({"n", twoDigits((at + 7) % 20)});
        chain.type(names[at], target);
        expected[target + ".mp3"] = names[at];
    }
    for (const RowOutcome &row : chain.rename(GetParam()))
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    EXPECT_EQ(contentsOf(strided), expected);
}

TEST_P(RenamePlan, CyclesTurnWithEveryFileUnderItsNewName) {
    TempDir two;
    fill(two, {"a.mp3", "b.mp3", "keep.mp3"});
    Folder swap(two);
    swap.type("a.mp3", "b");
    swap.type("b.mp3", "a");
    swap.type("keep.mp3", "keep");
    for (const RowOutcome &row : swap.rename(GetParam()))
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    EXPECT_EQ(contentsOf(two),
              (Contents{{"a.mp3", "b.mp3"}, {"b.mp3", "a.mp3"}, {"keep.mp3", "keep.mp3"}}));

    TempDir three;
    fill(three, {"a.mp3", "b.mp3", "c.mp3"});
    Folder round(three);
    round.type("a.mp3", "b");
    round.type("b.mp3", "c");
    round.type("c.mp3", "a");
    for (const RowOutcome &row : round.rename(GetParam()))
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    EXPECT_EQ(contentsOf(three),
              (Contents{{"a.mp3", "c.mp3"}, {"b.mp3", "a.mp3"}, {"c.mp3", "b.mp3"}}));

    // Six files going round backwards through the list, beside a chain.
    TempDir six;
    fill(six, {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3", "6.mp3", "x.mp3", "y.mp3"});
    Folder backwards(six);
    for (int i = 1; i <= 6; ++i)
        backwards.type(join({std::to_string(i), ".mp3"}), std::to_string(i == 1 ? 6 : i - 1));
    backwards.type("x.mp3", "y");
    backwards.type("y.mp3", "z");
    for (const RowOutcome &row : backwards.rename(GetParam()))
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    EXPECT_EQ(contentsOf(six), (Contents{{"1.mp3", "2.mp3"},
                                         {"2.mp3", "3.mp3"},
                                         {"3.mp3", "4.mp3"},
                                         {"4.mp3", "5.mp3"},
                                         {"5.mp3", "6.mp3"},
                                         {"6.mp3", "1.mp3"},
                                         {"y.mp3", "x.mp3"},
                                         {"z.mp3", "y.mp3"}}));
}

TEST_P(RenamePlan, BlockedRowsFailBesideACycleAndNothingIsReplaced) {
    TempDir dir;
    fill(dir, {"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3"});
    Folder run(dir);
    dir.touch("held.mp3", "outsider"); // arrives after the Read: no row renames it
    run.type("a.mp3", "b");            // a and b swap
    run.type("b.mp3", "a");
    run.type("c.mp3", "held"); // held by a file this run does not rename
    run.type("d.mp3", "c");    // c stays, so d cannot have its name
    run.type("e.mp3", "a");    // a is b's, the upper row's
    run.type("f.mp3", "g");    // g keeps its name, which it composes itself
    run.type("g.mp3", "g");
    const auto rows = run.rename(GetParam());
    EXPECT_EQ(run.outcome(rows, "a.mp3").outcome, RenameOutcome::Renamed);
    EXPECT_EQ(run.outcome(rows, "b.mp3").outcome, RenameOutcome::Renamed);
    for (const char *blocked : {"c.mp3", "d.mp3", "e.mp3", "f.mp3"}) {
        EXPECT_EQ(run.outcome(rows, blocked).outcome, RenameOutcome::Failed) << blocked;
        EXPECT_EQ(run.outcome(rows, blocked).error, EEXIST) << blocked;
    }
    EXPECT_EQ(run.outcome(rows, "g.mp3").outcome, RenameOutcome::Renamed);
    EXPECT_EQ(contentsOf(dir), (Contents{{"a.mp3", "b.mp3"},
                                         {"b.mp3", "a.mp3"},
                                         {"c.mp3", "c.mp3"},
                                         {"d.mp3", "d.mp3"},
                                         {"e.mp3", "e.mp3"},
                                         {"f.mp3", "f.mp3"},
                                         {"g.mp3", "g.mp3"},
                                         {"held.mp3", "outsider"}}));
}

TEST_P(RenamePlan, TheLowerOfTwoRowsComposingOneNameKeepsItsNameEvenWhenTheUpperFails) {
    TempDir dir;
    fill(dir, {"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    Folder run(dir);
    run.type("a.mp3", "same"); // its file goes before the run
    run.type("b.mp3", "same");
    run.type("c.mp3", "d"); // d moves on to "same" too, below both
    run.type("d.mp3", "same");
    ::unlink(dir.file("a.mp3").c_str());
    const auto rows = run.rename(GetParam());
    EXPECT_EQ(run.outcome(rows, "a.mp3").error, ENOENT);
    for (const char *lower : {"b.mp3", "d.mp3"}) {
        EXPECT_EQ(run.outcome(rows, lower).outcome, RenameOutcome::Failed) << lower;
        EXPECT_EQ(run.outcome(rows, lower).error, EEXIST) << lower;
    }
    EXPECT_EQ(run.outcome(rows, "c.mp3").error, EEXIST);
    EXPECT_EQ(contentsOf(dir),
              (Contents{{"b.mp3", "b.mp3"}, {"c.mp3", "c.mp3"}, {"d.mp3", "d.mp3"}}));
}

TEST_P(RenamePlan, ACycleWithAVanishedFileIsAChainEndingThere) {
    TempDir dir;
    fill(dir, {"a.mp3", "b.mp3", "c.mp3"});
    Folder run(dir);
    run.type("a.mp3", "b");
    run.type("b.mp3", "c");
    run.type("c.mp3", "a");
    ::unlink(dir.file("c.mp3").c_str()); // gone between the Read and the Rename
    const auto rows = run.rename(GetParam());
    EXPECT_EQ(run.outcome(rows, "c.mp3").outcome, RenameOutcome::Failed);
    EXPECT_EQ(run.outcome(rows, "c.mp3").error, ENOENT);
    EXPECT_EQ(run.outcome(rows, "a.mp3").outcome, RenameOutcome::Renamed);
    EXPECT_EQ(run.outcome(rows, "b.mp3").outcome, RenameOutcome::Renamed);
    EXPECT_EQ(contentsOf(dir), (Contents{{"b.mp3", "a.mp3"}, {"c.mp3", "b.mp3"}}));
}

TEST_P(RenamePlan, AStopLeavesEveryFileRenamedOrUntouchedAndNeverHalfARound) {
    // Row order: the round a -> b -> c -> a first, then the chain x -> y -> z.
    const Names names{"a.mp3", "b.mp3", "c.mp3", "x.mp3", "y.mp3"};
    const Contents renamed{{"a.mp3", "c.mp3"},
                           {"b.mp3", "a.mp3"},
                           {"c.mp3", "b.mp3"},
                           {"y.mp3", "x.mp3"},
                           {"z.mp3", "y.mp3"}};
    for (int stopAfter = 1; stopAfter <= 3; ++stopAfter) {
        TempDir dir;
        fill(dir, names);
        Folder run(dir);
        run.type("a.mp3", "b");
        run.type("b.mp3", "c");
        run.type("c.mp3", "a");
        run.type("x.mp3", "y");
        run.type("y.mp3", "z");
        std::vector<std::pair<int, int>> calls;
        const auto rows =
            run.rename(GetParam(), {false, true, false, ""}, [&](int done, int total) {
                calls.emplace_back(done, total);
                return static_cast<int>(calls.size()) < stopAfter;
            });
        SCOPED_TRACE(stopAfter);
        // The round is one unit; the chain goes file by file, y before x.
        const std::vector<std::pair<int, int>> all{{3, 5}, {4, 5}, {5, 5}};
        EXPECT_EQ(calls, std::vector(all.begin(), all.begin() + stopAfter));

        const Contents contents = contentsOf(dir);
        int renamedCount = 0;
        for (const RowOutcome &row : rows) {
            if (row.outcome == RenameOutcome::Renamed) {
                ++renamedCount;
                EXPECT_EQ(contents.at(row.newName), renamed.at(row.newName)) << row.newName;
            } else {
                EXPECT_EQ(row.outcome, RenameOutcome::Pending) << row.oldName;
                EXPECT_EQ(contents.at(row.oldName), row.oldName);
            }
        }
        EXPECT_EQ(renamedCount, calls.back().first);
        EXPECT_EQ(contents.size(), names.size()); // no temporary name, no file lost
    }
}

TEST_P(RenamePlan, TemporaryNamesNeverReplaceAFile) {
    TempDir dir;
    fill(dir, {"a.mp3", "b.mp3"});
    Folder run(dir);
    run.type("a.mp3", "b");
    run.type("b.mp3", "a");
    // The hidden names the run tries first, already taken: it must step past them.
    Contents before = contentsOf(dir);
    for (int i = 0; i < 3; ++i) {
        const std::string name =
            join({".filvane-", std::to_string(::getpid()), "-", std::to_string(i), ".tmp"});
        dir.touch(name, "taken");
        before[name] = "taken";
    }
    for (const RowOutcome &row : run.rename(GetParam()))
        EXPECT_EQ(row.outcome, RenameOutcome::Renamed) << row.oldName << " " << row.error;
    std::swap(before["a.mp3"], before["b.mp3"]);
    EXPECT_EQ(contentsOf(dir), before);
}

TEST_P(RenamePlan, AFolderThatHasGoneFailsEveryRowWithItsOwnError) {
    TempDir dir;
    fill(dir, {"a.mp3", "b.mp3", "c.mp3"});
    Folder run(dir);
    run.type("a.mp3", "b");
    run.type("b.mp3", "a");
    run.type("c.mp3", "a"); // loses to b
    const std::vector<RowOutcome> rows = renameRows(
        {dir.file("gone"), run.lists.readList(), run.lists.nameList(), {false, true, false, ""}},
        GetParam());
    for (const RowOutcome &row : rows) {
        EXPECT_EQ(row.outcome, RenameOutcome::Failed) << row.oldName;
        EXPECT_EQ(row.error, ENOENT) << row.oldName;
    }
}

TEST(NoReplaceRenamerExchange, SwapsTwoNamesOrSaysItCannot) {
    TempDir dir;
    fill(dir, {"a", "b"});
    NoReplaceRenamer renamer(dir.str());
    const int error = renamer.exchange("a", "b");
    if (error == NoReplaceRenamer::ExchangeRefused)
        GTEST_SKIP() << "the file system under " << dir.str() << " has no exchange";
    EXPECT_EQ(error, 0);
    EXPECT_EQ(contentsOf(dir), (Contents{{"a", "b"}, {"b", "a"}}));
    EXPECT_EQ(renamer.exchange("a", "gone"), ENOENT);
    EXPECT_FALSE(renamer.exchangeRefused());

    for (Method refusing : {Method::NoExchange, Method::LinkThenUnlink}) {
        NoReplaceRenamer without(dir.str(), refusing);
        EXPECT_TRUE(without.exchangeRefused());
        EXPECT_EQ(without.exchange("a", "b"), NoReplaceRenamer::ExchangeRefused);
    }
    EXPECT_EQ(contentsOf(dir), (Contents{{"a", "b"}, {"b", "a"}}));
}
