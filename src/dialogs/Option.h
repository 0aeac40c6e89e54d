#pragma once

#include "core/RenameSession.h"
#include "core/texts/TextTable.h"

#include <QDialog>
#include <QPoint>

#include <optional>

#include <memory>
#include <string>

namespace Ui {
class TOptionsForm;
}
class QCheckBox;
class QComboBox;

// The renaming options: numbering, numbers only, extension rules, keep file names. Created once
// and kept; its controls hold what the user left in them from one showing to the next. The main
// window hands in the texts and the last extension before it shows the dialog, and takes the
// accepted options out by value after it closed.
class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(QWidget *parent = nullptr);
    ~TOptionsForm() override;

    // Where the first showing puts the dialog (remembered from an earlier run); centred when
    // none is given.
    void setFirstPosition(QPoint position) { m_firstPosition = position; }

    // What the next showing says and offers: the captions in the window's language, and its
    // last extension in the extension box.
    void setTexts(const filvane::StoredTexts &texts) { m_texts = texts; }
    void setLastExtension(std::string extension) { m_lastExtension = std::move(extension); }

    // Set by OK, cleared by Cancel; the close box leaves it as the last of them set it (not
    // set before the first OK: restoring remembered options is no OK).
    bool isAccepted() const { return m_accepted; }
    // The options as the boxes stand, a chosen extension with its dot, and the number format
    // handed in by restore (the name tools set it, not this dialog).
    filvane::RenameOptions options() const;
    // What OK does to the typed names: fill them from the old names, or empty them.
    filvane::NewNamesOnOptions newNames() const;

    bool numbering() const;
    bool numbersOnly() const;
    bool keepExtension() const;
    bool keepFileNames() const;
    // The extension box's text as it stands (UTF-8).
    std::string chosenExtension() const;

    // Sets the boxes as `options` say (remembered from an earlier run, or as the session holds
    // them now); accepts nothing.
    void restore(const filvane::RenameOptions &options);

    void FormActivate();
    void KeepCheckClick();
    void NoOnlyCheckClick();
    void OKBtnClick();
    void CancelBtnClick();

    QCheckBox *noCheck() const;
    QCheckBox *noOnlyCheck() const;
    QCheckBox *keepCheck() const;
    QCheckBox *fileCheck() const;
    QComboBox *extBox() const;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyAccessibleTexts();

    std::unique_ptr<Ui::TOptionsForm> ui;
    filvane::StoredTexts m_texts;
    std::string m_lastExtension;
    filvane::NumberFormat m_numbers;
    bool m_accepted = false;
    bool m_noOnlyWasChecked = false;
    bool m_shownBefore = false;
    std::optional<QPoint> m_firstPosition;
};
