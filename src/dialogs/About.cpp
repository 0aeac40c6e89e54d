#include "About.h"

#include "ui_About.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutForm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    connect(ui->FilvaneBtn, &QPushButton::clicked, this, &TAboutForm::FilvaneBtnClick);

    // Centred on the screen, not over the main window: a moved dialog keeps its place.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::FilvaneBtnClick() {
    accept();
}
