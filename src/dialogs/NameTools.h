#pragma once

#include "core/names/NameTools.h"
#include "core/texts/TextTable.h"
#include "dialogs/FinalNamePreview.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TNameToolsForm;
}
class QTimer;

// The name tools in one window, a page each: numbering, find and replace, case, strip and trim,
// names safe for every drive.
// Data goes in and comes out by value around exec(): setNames() before, result(),
// numberFormat() and toolName() after. OK applies the tool of the page shown, and only that
// one, so that one OK is one step to undo: the numbering page changes the number format and no
// name, the others change names and leave the number format as it was given. Every change of a
// control shows at once what the first rows the tool acts on would be called (number and
// extension included, as given), and shortly after how many rows would change.
class TNameToolsForm : public QDialog {
    Q_OBJECT
public:
    enum class Tool { Numbering, Replace, Case, StripAndTrim, SafeNames };

    // Rows shown in the preview.
    static constexpr int PreviewRows = 10;

    explicit TNameToolsForm(QWidget *parent = nullptr);
    ~TNameToolsForm() override;

    // Captions in that language; the dialog starts in English.
    void setLanguage(filvane::Language language);

    // `names`: the new names, row r of the list at index r - 1. `selectedRows`: indices into
    // `names` of the rows selected in the list (outside rows are dropped); with two or more,
    // "only the selected rows" starts checked. `current`: the numbering in use. `numbered`:
    // whether the names get numbers (to count what the numbering page changes).
    // `finalNameOf`: how the preview shows a row's final name, asked only for the rows shown;
    // without it the preview shows the names alone. `extensions`: what follows each typed name in
    // its final name, so that safe names leave room for it.
    void setNames(std::vector<std::string> names, std::vector<int> selectedRows,
                  filvane::NumberFormat current, bool numbered = true,
                  FinalNamePreview finalNameOf = {}, std::vector<std::string> extensions = {});

    // The page shown (for a command that opens one tool: Ctrl+H opens Replace).
    void setTool(Tool tool);
    Tool tool() const;

    // After OK: every name, the tool applied where it acted; before OK or after Cancel, the
    // names as given.
    std::vector<std::string> result() const { return m_result; }
    // After OK on the numbering page: the format set there; otherwise the one given.
    filvane::NumberFormat numberFormat() const { return m_resultFormat; }
    // The rows OK changed (for numbering: rows whose number or separator changed).
    int changedRows() const { return m_changedRows; }
    // The tool's name in the dialog's language, for an undo entry: "Replace", "Csere".
    QString toolName() const;

    void OKBtnClick();
    void CancelBtnClick();
    void reject() override;
    void ToolTabsChange();
    void DigitsBoxChange();
    void SettingChange();
    void CountTimerFire();

private:
    // The steps of setNames.
    void keepSelectedRows(std::vector<int> rows);
    // The room the safe names leave for the number and the extension.
    size_t reservedUnits() const;
    // The numbering page starts from the format in use.
    void showNumberFormat(const filvane::NumberFormat &format);
    void applyTexts();
    std::vector<int> actedRows() const;
    filvane::NameToolChain pageTools() const;
    filvane::NumberFormat editedFormat() const;
    QString finalName(size_t row, const std::string &name,
                      const filvane::NumberFormat &format) const;
    int numberingChanges() const;
    void showPreview();
    void showError(const filvane::PatternError &error);
    // `index`: the name in the list (row - 1) the tool stopped on.
    void showOverflow(const filvane::ToolOverflow &overflow, int index);

    std::unique_ptr<Ui::TNameToolsForm> ui;
    QTimer *m_countTimer = nullptr; // owned by the dialog
    filvane::Language m_language = filvane::Language::English;

    std::vector<std::string> m_names;
    std::vector<int> m_selectedRows; // sorted, each once, inside m_names
    filvane::NumberFormat m_current;
    bool m_numbered = true;
    FinalNamePreview m_finalNameOf;
    std::vector<std::string> m_extensions;
    size_t m_reservedUnits = 0; // what number and extension take of the longest final name

    std::vector<std::string> m_result;
    filvane::NumberFormat m_resultFormat;
    int m_changedRows = 0;
    bool m_patternBad = false;
    bool m_tooLong = false; // the tool would make a name longer than any drive takes
};
