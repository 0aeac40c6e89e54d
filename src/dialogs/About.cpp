#include "About.h"

#include "ui_About.h"

#include "WindowSetup.h"

#include <QPushButton>

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutForm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    connect(ui->FilvaneBtn, &QPushButton::clicked, this, &TAboutForm::FilvaneBtnClick);

    // Centred on the screen, not over the main window: a moved dialog keeps its place.
    centreOnScreen(this);
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FilvaneBtnClick() {
    accept();
}
