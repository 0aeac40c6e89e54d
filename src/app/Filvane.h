#pragma once

// How data flows: the core's RenameSession holds the folder, the pattern, both lists and the
// options, and runs every sequence (read, options, plan, rename, undo, recover, list again);
// StoredTexts holds the language-dependent texts. Two NameGridModels show the session's lists in
// ReadGrid and NameGrid without copying them, kept row for row; the new-name editor writes each
// keystroke straight into the core, and ListEdits keeps every edit of the lists as a step Ctrl+Z
// takes back. Toolbar commands hand their dialog what it shows, read its result by value after
// it closes, call the session, then reset the models once. Rename makes one plan, shows it in
// the confirmation and runs it; the run hands back one outcome per row, which the window turns
// into its failure report. Tool tips and the tools' previews compose the plan rows they show
// through the session; the live plan window composes and checks a copy of the whole plan after
// each change of the models. The name tools and orders by facts live in FilvaneTools.cpp.

#include "app/AppSettings.h"
#include "app/ListEdits.h"
#include "app/QtTranslations.h"
#include "app/RenameConfirmation.h"
#include "core/RenameSession.h"
#include "core/texts/TextTable.h"
#include "dialogs/FinalNamePreview.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class NameGridDelegate;
class NameGridModel;
class QAction;
class QMenu;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QKeyEvent;
class QTableView;
class TAboutForm;
class TLivePlanForm;
class TOptionsForm;
class TReadForm;
struct OpenRequest;
namespace Ui {
class TMainForm;
}

class TMainForm : public QWidget {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // The dialogs are created after the main window, so they are handed in afterwards.
    void attachDialogs(TReadForm *read, TAboutForm *about, TOptionsForm *options);

    // Toolbar commands and window handlers.
    void ReadBtnClick();
    void ClrBtnClick();
    void RenBtnClick();
    void OptionsBtnClick();
    void AboutBtnClick();
    void CloseBtnClick();
    void LngSwitchOn();
    void LngSwitchOff();
    void FormCreate();
    void FormActivate();
    // Returns true when the key was handled: Enter moves one row down.
    bool NameGridKeyDown(QKeyEvent *event);

    // Ctrl+V in the new-name list: the clipboard's lines as new names from the current row down.
    void pasteNewNames();

    // Ctrl+P and the lists' menus: the plan beside the window, kept up to date as the lists
    // change (created when first asked for, at its remembered place and size).
    void showLivePlan();
    TLivePlanForm *livePlan() const { return m_livePlan; }
    QAction *livePlanAction() const { return m_livePlanAction; }

    void ApplyEnglish(bool fromSwitch = false);
    void ApplyHungarian(bool fromSwitch = false);

    // Opens what start-up or a drop asks for: a folder is listed by every file's mask as an
    // accepted Read would list it, files are listed exactly; a problem is shown and nothing
    // changes.
    void openRequest(const OpenRequest &request);

    // What an accepted Read does: enables renaming and lists the directory, sorted.
    void readDirectory(const std::string &listingDirectory, const std::string &searchPattern);
    // The same for files handed over from outside (command line, drop): exactly these of one
    // folder.
    void readFiles(const std::string &folder, const std::vector<std::string> &files);

    // Ctrl+Z and the lists' context menu: asks once, then takes back the last run made in the
    // listed folder and lists it again. Nothing when there is no run to undo.
    void UndoLastRename();
    QAction *undoAction() const { return m_undoAction; }
    // Ctrl+Z: the last edit of the lists when there is one since the listing, else the last
    // rename (UndoLastRename). Ctrl+Shift+Z and Ctrl+Y do an edit again.
    void undoLast();
    ListEdits &edits() { return *m_edits; }

    // The name tools on the selected new names (all when one row or none is selected).
    enum class NameTool { Numbering, Replace, Case, StripAndTrim, SafeNames };
    void showNameTools(NameTool tool);
    void stripNumbers();
    void fillFromOldNamesStripped();
    // Reads what the files know (progress and Stop as a long run), then offers the fill.
    void fillFromTags();
    // Alt+Up / Alt+Down: the selected files move in the read list while the typed names stay,
    // or the selected typed names move in the new-name list while the files stay.
    void moveSelection(QTableView *grid, int delta);
    // The read list caption's menu of orders, and what each entry does: an order by facts
    // reads them first, with progress and Stop (a stop keeps the order as it was).
    void showOrderMenu(const QPoint &position);
    void orderBy(filvane::SortOrder order);
    // At start-up: a run cut off by a crash is told about and dealt with as the user chooses
    // (restore, finish or leave), so that no file stays under a temporary name.
    void recoverInterruptedRuns();
    // After the first activation: the language, the options as last accepted, the sort order,
    // the read dialog's folders and mask, and the window's place, as the last run left them.
    void restoreSettings();
    // A click on the read list's name caption: byte order and natural order in turn.
    void ReadGridHeaderClick(int section);
    void setSortOrder(filvane::SortOrder order);
    void showItemCount(int count);
    // The second status panel: the folder and mask listed, elided in the middle where long,
    // the whole text as tool tip; empty while nothing is listed.
    void showListedFolder();

    const filvane::StoredTexts &texts() const { return m_texts; }
    filvane::RenameSession &session() { return m_session; }
    const filvane::NameLists &lists() const { return m_session.lists(); }
    std::string searchPattern() const { return m_session.searchPattern(); }
    const std::string &listingDirectory() const { return m_session.listingDirectory(); }
    const std::string &lastExtension() const { return m_session.lastExtension(); }
    // How long a rename run goes on before its progress dialog shows; tests shorten it.
    void setProgressDelay(int milliseconds) { m_progressDelayMs = milliseconds; }
    int progressDelay() const { return m_progressDelayMs; }

    QTableView *readGrid() const;
    QTableView *nameGrid() const;
    NameGridModel *readModel() const { return m_readModel.get(); }
    NameGridModel *nameModel() const { return m_nameModel.get(); }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The constructor's steps, in the order it takes them. The language switch comes last:
    // setting its state runs its handler, which needs everything else in place.
    void setButtonIcons();
    void createGridModels();
    // The new-name list's editor, tool tips, Enter and Tab.
    void setupNameGrid();
    void addClipboardActions();
    // Ctrl+P, and the live plan told of every change of the models.
    void addLivePlan();
    // Both lists' context menus and the read list's clickable caption.
    void addListMenus();
    void connectToolbar();
    void setupLanguageSwitch();
    void applyLanguage(filvane::Language language, bool fromSwitch);
    // The dialogs keep copies of what they show: the texts, and the last extension.
    void passTextsToDialogs();
    void setNameGridEnabled(bool enabled);
    void focusFirstNewName();
    void reloadGrids();
    // A folder with more matching files than the lists hold is not listed at all; say so.
    void warnIfTooManyFiles();
    void setupGrid(QTableView *grid, NameGridModel *model);
    void moveNameGridDown();
    // The rename confirmation, with what the look at the plan found below the question.
    RenameConfirmation::Answer askRenameQuestion(const filvane::RenamePlan &plan);
    // Why a run renamed nothing, or one warning listing the rows that kept their names;
    // nothing when every row went well.
    void reportRun(const filvane::RenameResult &result);
    // The steps of recoverInterruptedRuns: the newest run cut off not asked about yet (damaged
    // journals told on the way), the words that tell it, and the answer the user gives.
    std::optional<filvane::RunSummary> nextInterruptedRun(const std::vector<std::string> &asked);
    std::string recoveryText(const filvane::RunSummary &run) const;
    filvane::RecoveryAnswer askAboutRun(const filvane::RunSummary &run);
    // After Stop: how many files were renamed, that the rest keep their names, and Undo.
    void reportStopped(const filvane::RenameResult &result);
    void runUndo(const std::string &runId);
    void showListContextMenu(QTableView *grid, const QPoint &position);
    void showSortOrder();
    filvane::UiText sortOrderHint(filvane::SortOrder order) const;
    void addEditCommands();
    void addUndoRedoActions();
    // The name tools' keys in the new-name list, in the order of its context menu.
    void addToolActions();
    // Alt+Up and Alt+Down in both lists.
    void addMoveActions();
    // What follows each typed name in its final name (its extension), so that safe names
    // leave room for it.
    std::vector<std::string> extensionsAfterNames() const;
    void addNameToolsMenu(QMenu &menu);
    // What the name tools' and Fill from tags' previews show for a row: its plan row composed.
    FinalNamePreview finalNamePreview() const;
    // The data rows selected in the new-name list, ascending; empty for one row or none.
    std::vector<int> selectedNameRows() const;
    // Facts of the listed files read on a worker thread while the progress shows; none when
    // stopped.
    std::optional<std::vector<filvane::FileFacts>> readFacts(filvane::FactKinds kinds);
    // After an edit step did or undid something: the lists show it, the history stays.
    void showEdits();
    // Runs `reload` (a model reset) and puts the new-name list's current cell back in its row.
    void keepingCurrentRow(const std::function<void()> &reload);
    // Keys for the toolbar commands and the language switch; each key presses its control.
    void addCommandShortcuts();
    void applyAccessibleTexts(filvane::Language language);
    // The live plan's place and size, remembered when it closes and with the main window.
    void saveLivePlanGeometry();

    std::unique_ptr<Ui::TMainForm> ui;
    filvane::RenameSession m_session;
    filvane::StoredTexts m_texts;
    // Declared after the lists they show, so they go first and the views drop them before
    // the lists are gone.
    std::unique_ptr<NameGridModel> m_readModel;
    std::unique_ptr<NameGridModel> m_nameModel;
    NameGridDelegate *m_nameDelegate = nullptr;

    bool m_activated = false;
    int m_progressDelayMs = 500;
    QAction *m_undoAction = nullptr;
    QAction *m_undoEditAction = nullptr;
    QAction *m_redoEditAction = nullptr;
    std::vector<QAction *> m_toolActions; // in the new-name list: keys and context menu
    std::unique_ptr<ListEdits> m_edits;
    QAction *m_pasteAction = nullptr;     // the new-name list's Ctrl+V and context menu
    QAction *m_copyNamesAction = nullptr; // the new-name list's Ctrl+C and context menu
    QAction *m_livePlanAction = nullptr;  // Ctrl+P and both lists' context menus
    TLivePlanForm *m_livePlan = nullptr;  // a window of its own, owned by this one
    AppSettings m_settings;
    QtTranslations m_qtTranslations;

    TReadForm *m_readForm = nullptr;
    TAboutForm *m_aboutForm = nullptr;
    TOptionsForm *m_optionsForm = nullptr;
};
