#pragma once

#include <QDialog>
#include <QPoint>

#include <optional>

#include <memory>
#include <string>

namespace filvane {
class StoredTexts;
}
namespace Ui {
class TOptionsForm;
}
class QCheckBox;
class QComboBox;

// The renaming options: numbering, numbers only, extension rules, keep file names. Created once
// and kept; its controls hold what the user left in them from one showing to the next. The main
// window reads the controls after the dialog closes, and the rename run reads numbers only and
// the extension box even when the dialog was last left with Cancel.
class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    // `lastExtension` is the main window's: each showing offers it in the extension box.
    TOptionsForm(const filvane::StoredTexts &texts, const std::string &lastExtension,
                 QWidget *parent = nullptr);
    ~TOptionsForm() override;

    // Where the first showing puts the dialog (remembered from an earlier run); centred when
    // none is given.
    void setFirstPosition(QPoint position) { m_firstPosition = position; }

    // Set by OK, cleared by Cancel; the close box leaves it as the last of them set it.
    bool isAccepted() const { return m_accepted; }

    bool numbering() const;
    bool numbersOnly() const;
    bool keepExtension() const;
    bool keepFileNames() const;
    // The extension box's text as it stands (UTF-8).
    std::string chosenExtension() const;

    // Sets the boxes as a user would have left them with OK (remembered from an earlier run).
    void restore(bool numbering, bool numbersOnly, bool keepExtension,
                 const std::string &extension);

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
    const filvane::StoredTexts &m_texts;
    const std::string &m_lastExtension;
    bool m_accepted = false;
    bool m_noOnlyWasChecked = false;
    bool m_shownBefore = false;
    std::optional<QPoint> m_firstPosition;
};
