#pragma once

// How data flows: the core's NameLists hold both lists and StoredTexts the language-dependent
// texts. Two NameGridModels show the lists in ReadGrid and NameGrid without copying them; the
// new-name editor writes each keystroke straight into the core. Toolbar commands call the core,
// then reset the models once. Dialogs are shown modally and hand back a result (accepted flag,
// directory, pattern, options) that the command reads after they close. A rename run hands back
// one outcome per row, which the window turns into its failure report.

#include "NameLists.h"
#include "TextTable.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class NameGridDelegate;
class NameGridModel;
class QKeyEvent;
class QTableView;
class TAboutForm;
class TOptionsForm;
class TReadForm;
namespace Ui {
class TMainForm;
}
namespace filvane {
struct RenameOptions;
struct RenameInput;
struct RowOutcome;
} // namespace filvane

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
    // Returns true when the key was handled: Enter moves one row down, Ctrl+V pastes lines
    // as new names from the current row down, Ctrl+C copies the selected cells.
    bool NameGridKeyDown(QKeyEvent *event);
    bool ReadGridKeyDown(QKeyEvent *event);

    // The file name the Rename command would give a data row now (its old name when the row
    // would not be renamed); empty for the blank row of an empty list.
    std::string finalName(int row) const;

    void pasteNewNames();
    void copySelection(QTableView *grid);

    void ApplyEnglish(bool fromSwitch = false);
    void ApplyHungarian(bool fromSwitch = false);

    // What an accepted Read does: enables renaming and lists the directory, sorted.
    void readDirectory(const std::string &listingDirectory, const std::string &searchPattern);
    // Lists by the search pattern (unsorted), then sorts: the shared tail of Read and Rename.
    void listDirectory();
    void sortByName();
    void showItemCount(int count);

    const filvane::StoredTexts &texts() const { return m_texts; }
    filvane::NameLists &lists() { return m_lists; }
    const std::string &searchPattern() const { return m_searchPattern; }
    void setSearchPattern(std::string pattern) { m_searchPattern = std::move(pattern); }
    const std::string &listingDirectory() const { return m_listingDirectory; }
    const std::string &lastExtension() const { return m_lastExtension; }
    bool numbering() const { return m_numbering; }
    bool keepExtension() const { return m_keepExtension; }
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

private:
    filvane::RenameOptions renameOptions() const;
    void applyLanguage(filvane::Language language, bool fromSwitch);
    void setNameGridEnabled(bool enabled);
    void reloadGrids();
    void setupGrid(QTableView *grid, NameGridModel *model);
    void moveNameGridDown();
    // The rename confirmation: true only when the user answered Yes.
    bool askRenameQuestion();
    // The run itself, followed by a progress dialog once it takes long.
    std::vector<filvane::RowOutcome> renameWithProgress(const filvane::RenameInput &input);
    // One warning listing the rows that kept their names; nothing when every row went well.
    void reportFailures(const std::vector<filvane::RowOutcome> &outcomes);
    // Options left with OK: numbering, extension rule, new names, editability, in that order.
    void applyOptions();

    std::unique_ptr<Ui::TMainForm> ui;
    filvane::NameLists m_lists;
    filvane::StoredTexts m_texts;
    // Declared after the lists they show, so they go first and the views drop them before
    // the lists are gone.
    std::unique_ptr<NameGridModel> m_readModel;
    std::unique_ptr<NameGridModel> m_nameModel;
    NameGridDelegate *m_nameDelegate = nullptr;

    std::string m_searchPattern;
    std::string m_listingDirectory;
    std::string m_lastExtension;
    bool m_numbering = false;
    bool m_keepExtension = false;
    bool m_activated = false;
    int m_progressDelayMs = 500;

    TReadForm *m_readForm = nullptr;
    TAboutForm *m_aboutForm = nullptr;
    TOptionsForm *m_optionsForm = nullptr;
};
