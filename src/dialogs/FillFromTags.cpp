#include "dialogs/FillFromTags.h"

#include "ui_FillFromTags.h"

#include "controls/QtText.h"
#include "core/names/NameTemplate.h"
#include "core/texts/RenameReasons.h"

#include <QPushButton>

#include <algorithm>
#include <span>

using filvane::Language;

namespace {

// How many rows the preview shows: enough to judge a template, few enough to stay instant.
constexpr size_t PreviewRows = 10;

enum class Text { Caption, Name, Fields, File, NewName, Missing, NoneMissing, BadTemplate };

struct Entry {
    const char *english;
    const char *hungarian;
};

constexpr Entry texts[] = {
    {"Fill from tags", "Kitöltés a címkékből"},
    {"Name:", "Név:"},
    {"Fields: {track} {title} {artist} {album} {year} {disc} {camera} "
     "{date:%Y-%m-%d %H.%M.%S}",
     "Mezők: {track} {title} {artist} {album} {year} {disc} {camera} "
     "{date:%Y-%m-%d %H.%M.%S}"},
    {"File", "Fájl"},
    {"New name", "Új név"},
    {"%1 of %2 files lack a field: their rows stay blank.",
     "%2 fájlból %1 esetén hiányzik egy mező: ezek sorai üresen maradnak."},
    {"Every file has the fields.", "Minden fájlnak megvannak a mezői."},
    {"Not a template: \"%1\" at character %2", "Hibás sablon: \"%1\", %2. karakter"},
};

QString text(Text entry, Language language) {
    const Entry &e = texts[static_cast<size_t>(entry)];
    return QString::fromUtf8(language == Language::English ? e.english : e.hungarian);
}

} // namespace

TFillFromTagsForm::TFillFromTagsForm(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TFillFromTagsForm>()) {
    ui->setupUi(this);
    ui->TemplateBox->addItems(
        {QString::fromUtf8(filvane::TitleTemplate.data()),
         QString::fromUtf8(filvane::ArtistTitleTemplate.data()), QStringLiteral("{track} {title}"),
         QStringLiteral("{date:%Y-%m-%d %H.%M.%S}"), QStringLiteral("{date:%Y-%m-%d} {camera}")});
    ui->PreviewList->header()->setStretchLastSection(true);
    connect(ui->TemplateBox, &QComboBox::editTextChanged, this,
            &TFillFromTagsForm::TemplateBoxChange);
    connect(ui->Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setLanguage(Language::English);
}

TFillFromTagsForm::~TFillFromTagsForm() = default;

void TFillFromTagsForm::setLanguage(Language language) {
    m_language = language;
    setWindowTitle(text(Text::Caption, language));
    ui->TemplateLabel->setText(text(Text::Name, language));
    ui->FieldsLabel->setText(text(Text::Fields, language));
    ui->PreviewList->setHeaderLabels({text(Text::File, language), text(Text::NewName, language)});
    TemplateBoxChange();
}

void TFillFromTagsForm::setFiles(std::vector<std::string> names,
                                 std::vector<filvane::FileFacts> facts,
                                 FinalNamePreview finalNameOf) {
    m_names = std::move(names);
    m_facts = std::move(facts);
    m_finalNameOf = std::move(finalNameOf);
    TemplateBoxChange();
}

std::string TFillFromTagsForm::nameTemplate() const {
    return ui->TemplateBox->currentText().toStdString();
}

void TFillFromTagsForm::TemplateBoxChange() {
    ui->PreviewList->clear();
    QPushButton *ok = ui->Buttons->button(QDialogButtonBox::Ok);
    filvane::TemplateError error;
    const std::optional<filvane::NameTemplate> parsed =
        filvane::NameTemplate::parse(nameTemplate(), &error);
    if (!parsed) {
        ok->setEnabled(false);
        ui->MissingLabel->setText(text(Text::BadTemplate, m_language)
                                      .arg(QString::fromStdString(error.text))
                                      .arg(static_cast<int>(error.offset) + 1));
        return;
    }
    ok->setEnabled(true);
    // Every row is counted, but only the first few are shown.
    const filvane::TemplateFill fill = filvane::fillNames(*parsed, m_facts);
    m_missing = static_cast<int>(fill.missing.size());
    const size_t shown = std::min({PreviewRows, m_names.size(), fill.names.size()});
    for (size_t i = 0; i < shown; ++i)
        new QTreeWidgetItem(ui->PreviewList,
                            {qstr(filvane::readableName(m_names[i])),
                             m_finalNameOf
                                 ? m_finalNameOf(static_cast<int>(i), fill.names[i], nullptr)
                                 : QString::fromStdString(fill.names[i])});
    ui->MissingLabel->setText(
        m_missing == 0
            ? text(Text::NoneMissing, m_language)
            : text(Text::Missing, m_language).arg(m_missing).arg(static_cast<int>(m_facts.size())));
}
