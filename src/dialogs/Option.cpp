#include "dialogs/Option.h"

#include "ui_Option.h"

#include "controls/AccessibleComboBox.h"
#include "controls/AccessibleText.h"
#include "controls/ButtonGlyphs.h"
#include "controls/QtText.h"
#include "controls/WindowSetup.h"
#include "core/texts/TextTable.h"

#include <QKeyEvent>
#include <QShowEvent>

using filvane::UiText;

TOptionsForm::TOptionsForm(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TOptionsForm>()) {
    nameDropDownListsForScreenReaders();
    ui->setupUi(this);
    setFixedWindowFlags(this, Qt::Dialog);
    setFixedSize(281, 90);
    // The box starts empty: the suggestions are offered, none is chosen.
    ui->ExtBox->setCurrentIndex(-1);
    ui->ExtBox->setEditText(QString());

    ui->OKBtn->setIcon(twinIcon(QStringLiteral(":/images/ok.png")));
    ui->CancelBtn->setIcon(twinIcon(QStringLiteral(":/images/cancel.png")));

    connect(ui->KeepCheck, &QCheckBox::clicked, this, &TOptionsForm::KeepCheckClick);
    connect(ui->NoOnlyCheck, &QCheckBox::clicked, this, &TOptionsForm::NoOnlyCheckClick);
    connect(ui->OKBtn, &QToolButton::clicked, this, &TOptionsForm::OKBtnClick);
    connect(ui->CancelBtn, &QToolButton::clicked, this, &TOptionsForm::CancelBtnClick);
}

TOptionsForm::~TOptionsForm() = default;

filvane::RenameOptions TOptionsForm::options() const {
    return {.numbering = numbering(),
            .keepExtension = keepExtension(),
            .numbersOnly = numbersOnly(),
            .chosenExtension = filvane::withLeadingDot(chosenExtension()),
            .numbers = m_numbers};
}

filvane::NewNamesOnOptions TOptionsForm::newNames() const {
    return keepFileNames() ? filvane::NewNamesOnOptions::FromOldNames
                           : filvane::NewNamesOnOptions::Clear;
}

bool TOptionsForm::numbering() const {
    return ui->NoCheck->isChecked();
}
bool TOptionsForm::numbersOnly() const {
    return ui->NoOnlyCheck->isChecked();
}
bool TOptionsForm::keepExtension() const {
    return ui->KeepCheck->isChecked();
}
bool TOptionsForm::keepFileNames() const {
    return ui->FileCheck->isChecked();
}
std::string TOptionsForm::chosenExtension() const {
    return ui->ExtBox->currentText().toStdString();
}

QCheckBox *TOptionsForm::noCheck() const {
    return ui->NoCheck;
}
QCheckBox *TOptionsForm::noOnlyCheck() const {
    return ui->NoOnlyCheck;
}
QCheckBox *TOptionsForm::keepCheck() const {
    return ui->KeepCheck;
}
QCheckBox *TOptionsForm::fileCheck() const {
    return ui->FileCheck;
}
QComboBox *TOptionsForm::extBox() const {
    return ui->ExtBox;
}

void TOptionsForm::showEvent(QShowEvent *event) {
    if (!event->spontaneous()) {
        // Centred on the screen the first time; afterwards it opens where the user left it.
        // Marking the position as chosen keeps QDialog from centring it over the main window.
        if (!m_shownBefore) {
            m_shownBefore = true;
            if (m_firstPosition)
                move(*m_firstPosition);
            else
                centreOnScreen(this);
        }
        setAttribute(Qt::WA_Moved);
        FormActivate();
    }
    QDialog::showEvent(event);
}

void TOptionsForm::FormActivate() {
    ui->NoGroup->setTitle(qstr(m_texts[UiText::NumberingGroup]));
    ui->ExtGroup->setTitle(qstr(m_texts[UiText::FilesGroup]));
    ui->NoCheck->setText(qstr(m_texts[UiText::NumberingCheck]));
    ui->NoOnlyCheck->setText(qstr(m_texts[UiText::NumbersOnlyCheck]));
    ui->KeepCheck->setText(qstr(m_texts[UiText::KeepExtensionCheck]));
    ui->FileCheck->setText(qstr(m_texts[UiText::KeepFileNamesCheck]));
    ui->CancelBtn->setText(qstr(m_texts[UiText::OptionsCancel]));
    setWindowTitle(qstr(m_texts[UiText::OptionsDialogCaption]));
    ui->ExtBox->setEnabled(!ui->KeepCheck->isChecked());
    ui->ExtBox->setEditText(qstr(m_lastExtension));
    m_noOnlyWasChecked = ui->NoOnlyCheck->isChecked();
    applyAccessibleTexts();
}

void TOptionsForm::applyAccessibleTexts() {
    const auto text = [this](AccessibleText entry) {
        return accessibleText(entry, m_texts.language());
    };
    ui->Panel->setAccessibleName(windowTitle());
    ui->NoGroup->setAccessibleName(ui->NoGroup->title());
    ui->ExtGroup->setAccessibleName(ui->ExtGroup->title());
    ui->NoCheck->setAccessibleName(ui->NoCheck->text());
    ui->NoCheck->setAccessibleDescription(text(AccessibleText::NumberingDescription));
    ui->NoOnlyCheck->setAccessibleName(ui->NoOnlyCheck->text());
    ui->NoOnlyCheck->setAccessibleDescription(text(AccessibleText::NumbersOnlyDescription));
    ui->KeepCheck->setAccessibleName(ui->KeepCheck->text());
    ui->KeepCheck->setAccessibleDescription(text(AccessibleText::KeepExtensionDescription));
    ui->ExtBox->setAccessibleName(text(AccessibleText::ExtensionBox));
    ui->ExtBox->setAccessibleDescription(text(AccessibleText::ExtensionBoxDescription));
    ui->FileCheck->setAccessibleName(ui->FileCheck->text());
    ui->FileCheck->setAccessibleDescription(text(AccessibleText::KeepFileNamesDescription));
    ui->OKBtn->setAccessibleName(ui->OKBtn->text());
    ui->OKBtn->setAccessibleDescription(text(AccessibleText::OptionsOkDescription));
    ui->CancelBtn->setAccessibleName(ui->CancelBtn->text());
    ui->CancelBtn->setAccessibleDescription(text(AccessibleText::OptionsCancelDescription));
}

void TOptionsForm::keyPressEvent(QKeyEvent *event) {
    if (!acceptOrCancelKey(
            event, [this] { OKBtnClick(); }, [this] { CancelBtnClick(); }))
        QDialog::keyPressEvent(event);
}

void TOptionsForm::KeepCheckClick() {
    ui->ExtBox->setEnabled(!ui->KeepCheck->isChecked());
}

void TOptionsForm::NoOnlyCheckClick() {
    const bool checked = ui->NoOnlyCheck->isChecked();
    if (checked && !m_noOnlyWasChecked) {
        ui->NoCheck->setChecked(true);
        ui->NoCheck->setEnabled(false);
    } else if (!checked && m_noOnlyWasChecked) {
        ui->NoCheck->setEnabled(true);
    }
    m_noOnlyWasChecked = checked;
}

void TOptionsForm::restore(const filvane::RenameOptions &options) {
    ui->NoCheck->setChecked(options.numbering || options.numbersOnly);
    ui->NoOnlyCheck->setChecked(options.numbersOnly);
    NoOnlyCheckClick();
    ui->KeepCheck->setChecked(options.keepExtension);
    KeepCheckClick();
    ui->ExtBox->setEditText(qstr(filvane::withLeadingDot(options.chosenExtension)));
    m_numbers = options.numbers;
}

void TOptionsForm::OKBtnClick() {
    // The box shows the extension as it will be used: "mp3" is ".mp3".
    ui->ExtBox->setEditText(qstr(filvane::withLeadingDot(chosenExtension())));
    m_accepted = true;
    accept();
}

void TOptionsForm::CancelBtnClick() {
    m_accepted = false;
    reject();
}
