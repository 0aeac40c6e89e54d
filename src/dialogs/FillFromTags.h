#pragma once

#include "core/facts/FileFacts.h"
#include "core/texts/TextTable.h"
#include "dialogs/FinalNamePreview.h"

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TFillFromTagsForm;
}

// Chooses how new names are made from what the files know: a title, "artist - title", or a
// template with fields. The first rows' names show while the template is typed, and how many
// files lack a field the template uses (their rows stay blank). Data in and out by value around
// exec(): setFiles() before, nameTemplate() after.
class TFillFromTagsForm : public QDialog {
    Q_OBJECT
public:
    explicit TFillFromTagsForm(QWidget *parent = nullptr);
    ~TFillFromTagsForm() override;

    void setLanguage(filvane::Language language);
    // The listed files' names and facts, row for row; `finalNameOf` shows what a row filled so
    // would be called (without it, the name the template makes).
    void setFiles(std::vector<std::string> names, std::vector<filvane::FileFacts> facts,
                  FinalNamePreview finalNameOf = {});
    // The template as accepted (valid whenever OK could be pressed).
    std::string nameTemplate() const;
    // How many files the template leaves without a name.
    int missingCount() const { return m_missing; }

    void TemplateBoxChange();

private:
    std::unique_ptr<Ui::TFillFromTagsForm> ui;
    filvane::Language m_language = filvane::Language::English;
    std::vector<std::string> m_names;
    std::vector<filvane::FileFacts> m_facts;
    FinalNamePreview m_finalNameOf;
    int m_missing = 0;
};
