#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TAboutForm;
}

// The product's name, maker and version, in a borderless window. The big FILVANE button closes
// it; so does Escape, since a window without a title bar offers no other way out.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);
    ~TAboutForm() override;

    void FilvaneBtnClick();

private:
    std::unique_ptr<Ui::TAboutForm> ui;
};
