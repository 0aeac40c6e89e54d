#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>

namespace filvane {

// Texts that are the same in every language.
inline constexpr std::string_view ApplicationTitle = "Orvessa - MP3 Filvane";
inline constexpr std::string_view MainWindowCaption = "Orvessa - Filvane 1.1.2";
inline constexpr std::string_view NumberCaption = "No.";

enum class Language { English, Hungarian };

// The language-dependent texts. Entries 1 to 25 keep their fixed numbers; later ones follow.
enum class UiText {
    ReadCaption = 1,
    ClearCaption,
    RenameCaption,
    OptionsCaption,
    ReadHint,
    ClearHint,
    RenameHint,
    OptionsHint,
    AboutHint,
    LanguageHint,
    CloseHint,
    CountPanel,
    RenameQuestion,
    ItemsLabel,
    ColumnCaption,
    ReadDialogCaption,
    ReadDialogCancel,
    NumberingGroup,
    FilesGroup,
    NumberingCheck,
    NumbersOnlyCheck,
    KeepExtensionCheck,
    KeepFileNamesCheck,
    OptionsCancel,
    OptionsDialogCaption,
    // The report after a run in which files kept their names, and the progress of a long run.
    // "%1", "%2" stand for the numbers filled in when shown.
    ReportSummary,
    ReportOldNameColumn,
    ReportNewNameColumn,
    ReportReasonColumn,
    ReasonNameExists,
    ReasonFileGone,
    ReasonNameNotAllowed,
    ReasonAccessRefused,
    ReasonOtherError,
    ProgressLabel,
    ProgressStop,
    // More reasons a row kept its name, and why a run renamed nothing at all.
    ReasonDiskFull,
    ReasonBecameFolder,
    ReasonRenamedSince,
    ReasonReplacedSince,
    ReasonNowNamed,
    RunRefusedFolderChanged,
    RunRefusedNotRecorded,
    // The look at the plan shown with the rename question when it finds something.
    PreflightFiles,
    PreflightUnnamed,
    PreflightRefused,
    PreflightTaken,
    PreflightDuplicate,
    PreflightTooLong,
    PreflightUnnamedWord,
    PreflightDuplicateWord,
    PreflightTakenWord,
    PreflightTooLongWord,
    PreflightNamedOnly,
    TooManyFiles,
    // Taking back a run, a stopped run, and a run cut off by a crash.
    UndoAction,
    UndoQuestion,
    StoppedSummary,
    StoppedUndo,
    RecoveryText,
    RecoveryTemporary,
    RecoveryRestore,
    RecoveryFinish,
    RecoveryLeave,
    NaturalOrderHint,
    ByteOrderHint,
    RunEndNotRecorded,
    // Singular forms of counted texts (see countedEntry), the refusal of a name with nothing
    // before its extension, the plan view, and the new-name list's context menu.
    PreflightFilesOne,
    PreflightUnnamedOne,
    PreflightRefusedOne,
    PreflightTakenOne,
    PreflightDuplicateOne,
    PreflightTooLongOne,
    PreflightNoBaseName,
    PreflightNoBaseNameOne,
    PreflightNoBaseNameWord,
    ReasonNoBaseName,
    UndoQuestionOne,
    RecoveryTemporaryOne,
    ReportSummaryOne,
    PlanShowDetails,
    PlanCaption,
    PlanFindingColumn,
    PlanUnchangedWord,
    PlanCopy,
    PlanClose,
    PasteAction,
    CopyAction,
    // The name tools, the steps of list edits, moving rows, orders by what the files know.
    NameToolsAction,
    ReplaceAction,
    CaseAction,
    NumberingAction,
    StripNumbersAction,
    FillStrippedAction,
    FillFromTagsAction,
    UndoEditAction,
    RedoEditAction,
    TypingStep,
    PasteStep,
    OptionsStep,
    MoveUpAction,
    MoveDownAction,
    OrderBytesAction,
    OrderNaturalAction,
    OrderTrackAction,
    OrderTakenAction,
    OrderModifiedAction,
    TrackOrderHint,
    TakenOrderHint,
    ModifiedOrderHint,
    ReadingFactsLabel,
    NoFactsFound,
    RecoveryFolderMissing,
    RecoveryPointAt,
    RecoveryDamaged,
    // Names held by a file of the list that keeps its own, and the live plan window.
    PreflightHeld,
    PreflightHeldOne,
    PreflightHeldWord,
    LivePlanAction,
    LivePlanCaption,
    // Names safe for every drive, and what a name tool may make of the names.
    SafeNamesAction,
    ToolNameTooLong,
    ToolNamesTooLong,
    // What a folder's drive refuses, and how names are changed there. "%1": what it refuses, or
    // the drive's name.
    ReasonNotOnDrive,
    PreflightNotOnDrive,
    PreflightNotOnDriveOne,
    DriveThroughFuse,
    DriveWayNoReplace,
    DriveWayLink,
    DriveWayReserve,
    DriveWayNone,
    // Why a run in a folder that another holds, or that waits for recovery, did not start.
    RunRefusedFolderInUse,
    RunRefusedFolderInUseBy,
    RunRefusedCutOffRunWaits,
    // Undo refused: the run the user said yes to is no longer the last one. The step of a Read
    // left with Cancel, which empties the new names.
    UndoRunChanged,
    ClearNamesStep,
    // What filvane-rename prints for a finding of the check before a run, in the words scripts
    // read. "%1": the row whose file keeps the name.
    CommandNameRefused,
    CommandNameTaken,
    CommandNameTooLong,
    CommandNoBaseName,
    CommandNameHeld,
};

constexpr int UiTextCount = static_cast<int>(UiText::CommandNameHeld);

// The entry to use for a text about `count` things: its singular form where the language puts
// one thing differently, else `entry` itself.
UiText countedEntry(UiText entry, int count, Language language);

// The constant table: the text of an entry in a language (UTF-8, trailing blanks kept).
std::string_view uiText(UiText entry, Language language);

// A table text with "%1" to "%9" replaced by the arguments in order; other "%" stay as they are.
std::string fillText(std::string_view pattern, std::initializer_list<std::string_view> arguments);

// The texts the main window keeps for later readers (the dialogs, the status bar, the rename
// question). Applying a language replaces them all at once.
class StoredTexts {
public:
    StoredTexts() { apply(Language::English); }
    void apply(Language language);
    Language language() const { return m_language; }
    const std::string &operator[](UiText entry) const {
        return m_texts[static_cast<size_t>(entry) - 1];
    }
    // The text of `entry` in the form for `count` things (see countedEntry).
    const std::string &counted(UiText entry, int count) const {
        return (*this)[countedEntry(entry, count, m_language)];
    }

private:
    Language m_language = Language::English;
    std::array<std::string, UiTextCount> m_texts;
};

} // namespace filvane
