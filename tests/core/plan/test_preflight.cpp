#include "RenameTestSupport.h"
#include "core/plan/Preflight.h"

#include <unistd.h>

#include <tuple>

using namespace filvane;
using F = PreflightFinding;

namespace filvane {
void PrintTo(PreflightFinding finding, std::ostream *out) {
    static const char *const names[] = {"Unnamed", "Refused",    "Taken", "Duplicate",
                                        "TooLong", "NoBaseName", "Held"};
    *out << names[static_cast<int>(finding)];
}
} // namespace filvane

namespace {

using Finding = std::tuple<int, PreflightFinding, int>; // row, finding, other row

std::vector<Finding> findings(const RenamePlan &plan) {
    std::vector<Finding> found;
    for (const PreflightRow &row : plan.preflight->rows)
        found.emplace_back(row.row, row.finding, row.otherRow);
    return found;
}

// Two files, a.mp3 and b.mp3, new names typed for both; t.mp3 arrives after the listing and
// is no row's.
struct CheckCase {
    const char *name;
    RenameOptions options;
    std::string typedA;
    std::string typedB;
    std::vector<Finding> expected;
};

void PrintTo(const CheckCase &c, std::ostream *out) {
    *out << c.name;
}

const RenameOptions ownExtension{.numbering = false};

const CheckCase checkCases[] = {
    {"Clean", ownExtension, "A", "B", {}},
    {"UnchangedNameIsNoFinding", ownExtension, "a", "B", {}},
    {"Refused", ownExtension, "x/y", "B", {{1, F::Refused, 0}}},
    {"TakenByAFileOutsideTheRun", ownExtension, "t", "B", {{1, F::Taken, 0}}},
    {"HeldByARowKeepingItsName", ownExtension, "b", "b", {{1, F::Duplicate, 2}}},
    {"FreedByTheRunIsNotTaken", ownExtension, "b", "c", {}},
    {"Duplicate", ownExtension, "n", "n", {{2, F::Duplicate, 1}}},
    {"TooLong", ownExtension, std::string(300, 'n'), "B", {{1, F::TooLong, 0}}},
    {"Unnamed", RenameOptions{}, "", "B", {{1, F::Unnamed, 0}}},
    {"NoBaseName", ownExtension, "", "B", {{1, F::NoBaseName, 0}}},
    {"NumbersOnlyLeavesNamesBlankOnPurpose", RenameOptions{.numbersOnly = true}, "", "", {}},
};

} // namespace

// Each case alone, and beside 100 files that keep their names, so that the folder is read
// whole instead of looked up name by name.
class CheckFindings : public ::testing::TestWithParam<std::tuple<CheckCase, int>> {};

TEST_P(CheckFindings, OneFindingPerRowThatWouldNotGetItsName) {
    const auto &[c, extra] = GetParam();
    Names files{"a.mp3", "b.mp3"};
    for (int i = 0; i < extra; ++i)
        files.push_back("z" + std::to_string(100 + i) + ".mp3");
    RenameFolder folder(files);
    folder.dir.touch("t.mp3");
    for (int i = 0; i < extra; ++i)
        folder.type(files[static_cast<size_t>(i) + 2], "z" + std::to_string(100 + i));
    folder.type({{"a.mp3", c.typedA}, {"b.mp3", c.typedB}});
    RenamePlan plan = folder.plan(c.options);
    checkPlan(plan);
    ASSERT_TRUE(plan.preflight);
    EXPECT_EQ(plan.preflight->fileCount, 2 + extra);
    EXPECT_EQ(findings(plan), c.expected);
    EXPECT_EQ(plan.preflight->clean(), c.expected.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckFindings,
                         ::testing::Combine(::testing::ValuesIn(checkCases),
                                            ::testing::Values(0, 100)),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "AmongMany" : "");
                         });

// New names one byte below the folder's limit, at it and one above: the check and the run
// agree on where the limit lies, and a name over it leaves the file as it was.
class NameLengthLimit : public ::testing::TestWithParam<int> {};

TEST_P(NameLengthLimit, CheckAndRunAgreeAtTheFileSystemsLimit) {
    RenameFolder folder({"a.mp3"});
    const long nameMax = ::pathconf(folder.dir.str().c_str(), _PC_NAME_MAX);
    ASSERT_GT(nameMax, 4);
    const size_t length = static_cast<size_t>(nameMax + GetParam());
    const std::string newName = std::string(length - 4, 'n') + ".mp3";
    folder.type("a.mp3", newName.substr(0, length - 4));
    RenamePlan plan = folder.plan();
    checkPlan(plan);
    ASSERT_TRUE(plan.preflight);
    const bool tooLong = GetParam() > 0;
    const std::vector<Finding> expected =
        tooLong ? std::vector<Finding>{{1, F::TooLong, 0}} : std::vector<Finding>{};
    EXPECT_EQ(findings(plan), expected);

    const RowsWithNames run = renameRows(std::move(plan), Method::NoReplaceFlag, {});
    EXPECT_EQ(outcomes(run), (Contents{{"a.mp3", tooLong ? "ENAMETOOLONG" : "renamed"}}));
    EXPECT_EQ(folder.contents(), (Contents{{tooLong ? "a.mp3" : newName, "a.mp3"}}));
}

INSTANTIATE_TEST_SUITE_P(OneBelowAtAndAbove, NameLengthLimit, ::testing::Values(-1, 0, 1),
                         [](const auto &info) {
                             return info.param < 0    ? std::string("OneBelow")
                                    : info.param == 0 ? std::string("At")
                                                      : std::string("OneAbove");
                         });

namespace {

// Files (their names without ".mp3") and the names typed for them, row for row; an extension
// of its own keeps the numbers out. `outside` lists files that are no row's.
struct AgreementCase {
    const char *name;
    Names files;
    Names typed;
    std::vector<Finding> expected;
    Names outside = {};
};

void PrintTo(const AgreementCase &c, std::ostream *out) {
    *out << c.name;
}

const std::string tooLong(300, 'n');

const AgreementCase agreementCases[] = {
    // b loses c to a and keeps its name, so x cannot have it.
    {"BehindADuplicate", {"a", "b", "x"}, {"c", "c", "b"}, {{2, F::Duplicate, 1}, {3, F::Held, 2}}},
    // The same with the row that waits listed above the one that keeps its name.
    {"AboveADuplicate", {"a", "b", "c"}, {"x", "c", "x"}, {{2, F::Held, 3}, {3, F::Duplicate, 1}}},
    // A chain behind a name that is too long: each file waits on the next, which stays.
    {"ChainBehindATooLongName",
     {"a", "b", "c", "d"},
     {"b", "c", tooLong, "D"},
     {{1, F::Held, 2}, {2, F::Held, 3}, {3, F::TooLong, 0}}},
    // A chain behind a name a file outside the run has.
    {"ChainBehindATakenName", {"a", "b"}, {"b", "t"}, {{1, F::Held, 2}, {2, F::Taken, 0}}, {"t"}},
    // A round with one name too long turns not at all.
    {"RoundWithATooLongName",
     {"a", "b", "c"},
     {"b", tooLong, "a"},
     {{1, F::Held, 2}, {2, F::TooLong, 0}, {3, F::Held, 1}}},
    // A row behind a refused name: the file keeps its name, which is then not free.
    {"BehindARefusedName", {"a", "b"}, {"b", "x/y"}, {{1, F::Held, 2}, {2, F::Refused, 0}}},
    // Chains and rounds that go through are no findings.
    {"ChainAndRoundGoThrough", {"a", "b", "c", "d"}, {"b", "C", "d", "c"}, {}},
};

} // namespace

// The check and the run decide alike: every row the run fails or leaves is a finding, and
// every row with a finding keeps its file's name.
class CheckAndRunAgree : public ::testing::TestWithParam<AgreementCase> {};

TEST_P(CheckAndRunAgree, EveryRowTheRunLeavesIsAFinding) {
    const AgreementCase &c = GetParam();
    Names files;
    for (const std::string &file : c.files)
        files.push_back(file + ".mp3");
    RenameFolder folder(files);
    for (const std::string &file : c.outside)
        folder.dir.touch(file + ".mp3");
    for (size_t i = 0; i < files.size(); ++i)
        folder.type(files[i], c.typed[i]);
    RenamePlan plan = folder.plan(ownExtension);
    checkPlan(plan);
    ASSERT_TRUE(plan.preflight);
    EXPECT_EQ(findings(plan), c.expected);

    std::vector<bool> found(files.size() + 1, false);
    for (const PreflightRow &row : plan.preflight->rows)
        found[static_cast<size_t>(row.row)] = true;
    const RowsWithNames run = renameRows(std::move(plan), Method::NoReplaceFlag, {});
    for (const RowOutcome &row : run.rows) {
        const bool moved = row.outcome == RenameOutcome::Renamed && row.oldName != row.newName;
        EXPECT_NE(moved, found[static_cast<size_t>(row.row)])
            << "row " << row.row << " " << row.oldName << " -> " << row.newName;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CheckAndRunAgree, ::testing::ValuesIn(agreementCases),
                         [](const auto &info) { return std::string(info.param.name); });
