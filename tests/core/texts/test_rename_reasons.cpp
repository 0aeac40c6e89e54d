#include "core/texts/RenameReasons.h"
#include "core/texts/TextTable.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

using namespace filvane;

namespace {

RowOutcome row(RenameOutcome outcome, int error = 0, std::string_view oldName = "a.mp3") {
    return {1, outcome, error, oldName, "01 - A.mp3"};
}

} // namespace

TEST(RenameReasons, ReasonInWordsByOutcomeAndErrno) {
    StoredTexts texts;
    const auto reason = [&texts](const RowOutcome &r) { return failureReasonText(r, texts); };
    EXPECT_EQ(reason(row(RenameOutcome::Failed, EEXIST)), "A file of that name exists");
    EXPECT_EQ(reason(row(RenameOutcome::Failed, ENOENT)), "The file is gone");
    // A refused row and an errno the system gives for a bad name say the same.
    EXPECT_EQ(reason(row(RenameOutcome::RefusedName)), "The name is not allowed");
    EXPECT_EQ(reason(row(RenameOutcome::Failed, ENAMETOOLONG)), "The name is not allowed");
    RowOutcome noBase = row(RenameOutcome::RefusedName);
    noBase.noBaseName = true;
    EXPECT_EQ(failureReason(noBase), UiText::ReasonNoBaseName);
    // Undo's outcomes are read by outcome, not by an errno they do not have.
    EXPECT_EQ(reason(row(RenameOutcome::RenamedSince)), "The file has been renamed since");
    EXPECT_EQ(reason(row(RenameOutcome::ReplacedSince)), "Another file has taken its name since");
    // A round that could not be taken back says where the file is.
    RowOutcome misplaced = row(RenameOutcome::Failed, EIO);
    misplaced.nameNow = ".filvane-7-0.tmp";
    EXPECT_EQ(reason(misplaced), "Other error, number 5, now named .filvane-7-0.tmp");
    // EIO is 5, also the read dialog's code for "File access denied": an errno is never read as
    // such a code.
    EXPECT_EQ(reason(row(RenameOutcome::Failed, EIO)), "Other error, number 5");
    texts.apply(Language::Hungarian);
    EXPECT_EQ(reason(row(RenameOutcome::Failed, ENOENT)), "A file eltűnt");
    EXPECT_EQ(reason(row(RenameOutcome::Failed, EXDEV)),
              "Egyéb hiba, hibakód: " + std::to_string(EXDEV));
}

TEST(RenameReasons, ARefusedRunSaysWhyNothingWasRenamed) {
    StoredTexts texts;
    RenameResult run;
    EXPECT_EQ(refusalText(run, texts), "");
    run.refusal = RunRefusal::FolderChanged;
    EXPECT_EQ(refusalText(run, texts),
              "The folder has changed since it was read. Nothing was renamed.");
    run.refusal = RunRefusal::JournalNotWritten;
    run.error = ENOSPC;
    texts.apply(Language::Hungarian);
    EXPECT_EQ(refusalText(run, texts), "Az átnevezést nem sikerült rögzíteni a visszavonáshoz "
                                       "(A lemez megtelt). Egy file sem lett átnevezve.");
}

TEST(RenameReasons, OnlyFailedAndRefusedRowsAreFailures) {
    const std::vector<RowOutcome> rows{
        row(RenameOutcome::Renamed),
        row(RenameOutcome::Blank, 0, ""),
        row(RenameOutcome::Failed, EEXIST, "b"),
        row(RenameOutcome::RefusedName, 0, "c"),
        row(RenameOutcome::Pending, 0, "d"),
        row(RenameOutcome::RenamedSince, 0, "e"), // an undo left these alone
        row(RenameOutcome::ReplacedSince, 0, "f"),
    };
    const std::vector<RowOutcome> failed = failedRows(rows);
    ASSERT_EQ(failed.size(), 4u);
    EXPECT_EQ(failed[0].oldName, "b");
    EXPECT_EQ(failed[1].oldName, "c");
    EXPECT_EQ(failed[3].oldName, "f");
    // A stopped run counts what it tried, not the rows it never reached.
    EXPECT_EQ(triedRowCount(rows), 5);

    // Only a run of renamed and blank rows, not refused, has nothing left to tell.
    RenameResult run;
    run.rows = {rows[0], rows[1]};
    EXPECT_FALSE(leavesSomethingToTell(run));
    for (const size_t told : {2u, 3u, 4u, 5u, 6u}) {
        run.rows = {rows[0], rows[told]};
        EXPECT_TRUE(leavesSomethingToTell(run)) << told;
    }
    run.rows = {rows[0]};
    run.refusal = RunRefusal::FolderChanged;
    EXPECT_TRUE(leavesSomethingToTell(run));
}

TEST(RenameReasons, FillTextAndReadableNames) {
    EXPECT_EQ(fillText("%1 of %2 files", {"3", "200"}), "3 of 200 files");
    EXPECT_EQ(fillText("%2 file-ból %1", {"3", "200"}), "200 file-ból 3");
    // A "%" without its argument stays, also at the very end.
    EXPECT_EQ(fillText("100% %3 %", {"x"}), "100% %3 %");

    EXPECT_EQ(readableName("Őszi dal.mp3"), "Őszi dal.mp3");
    EXPECT_EQ(readableName("caf\xE9.mp3"), "caf\\xE9.mp3"); // Latin-1, not UTF-8
    EXPECT_EQ(readableName("a\nb\t"), "a\\x0Ab\\x09");
    // Cut, overlong and surrogate sequences are bytes, not characters.
    EXPECT_EQ(readableName("\xC5"), "\\xC5");
    EXPECT_EQ(readableName("\xC0\xAF"), "\\xC0\\xAF");
    EXPECT_EQ(readableName("\xED\xA0\x80"), "\\xED\\xA0\\x80");
    EXPECT_EQ(readableName("\xF0\x9F\x8E\xB5"), "\xF0\x9F\x8E\xB5"); // a four-byte character
}
