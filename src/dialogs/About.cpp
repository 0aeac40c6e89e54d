#include "dialogs/About.h"

#include "ui_About.h"

#include "controls/WindowSetup.h"

#include <QPushButton>

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutForm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // Without a title bar the window has no title to be announced by; these say what it is.
    setAccessibleName(QStringLiteral("Filvane"));
    ui->Panel->setAccessibleName(QStringLiteral("Filvane"));
    ui->MakerLabel->setAccessibleName(QStringLiteral("Orvessa"));
    connect(ui->FilvaneBtn, &QPushButton::clicked, this, &TAboutForm::FilvaneBtnClick);

    // Centred on the screen, not over the main window: a moved dialog keeps its place.
    centreOnScreen(this);
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FilvaneBtnClick() {
    accept();
}
