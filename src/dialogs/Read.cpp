#include "Read.h"

#include "ui_Read.h"

#include "SearchPattern.h"
#include "TextTable.h"

TReadForm::TReadForm(const filvane::StoredTexts &texts, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TReadForm>()), m_texts(texts) {
    ui->setupUi(this);
}

TReadForm::~TReadForm() = default;

std::string TReadForm::openDirectory() const {
    return {};
}

std::string TReadForm::searchPattern() const {
    return {};
}
