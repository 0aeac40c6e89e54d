#pragma once

#include <QDialog>

#include <memory>
#include <string>

namespace filvane {
class StoredTexts;
}
namespace Ui {
class TReadForm;
}

// Chooses the directory and the mask the main window lists.
class TReadForm : public QDialog {
    Q_OBJECT
public:
    explicit TReadForm(const filvane::StoredTexts &texts, QWidget *parent = nullptr);
    ~TReadForm() override;

    bool isAccepted() const { return m_accepted; }
    std::string openDirectory() const;
    std::string searchPattern() const;

private:
    std::unique_ptr<Ui::TReadForm> ui;
    const filvane::StoredTexts &m_texts;
    bool m_accepted = false;
};
