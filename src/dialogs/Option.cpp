#include "Option.h"

#include "ui_Option.h"

#include "TextTable.h"

TOptionsForm::TOptionsForm(const filvane::StoredTexts &texts, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TOptionsForm>()), m_texts(texts) {
    ui->setupUi(this);
}

TOptionsForm::~TOptionsForm() = default;
