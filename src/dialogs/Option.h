#pragma once

#include <QDialog>

#include <memory>

namespace filvane {
class StoredTexts;
}
namespace Ui {
class TOptionsForm;
}

// The renaming options: numbering, numbers only, extension rules, keep file names.
class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(const filvane::StoredTexts &texts, QWidget *parent = nullptr);
    ~TOptionsForm() override;

    bool isAccepted() const { return m_accepted; }

private:
    std::unique_ptr<Ui::TOptionsForm> ui;
    const filvane::StoredTexts &m_texts;
    bool m_accepted = false;
};
