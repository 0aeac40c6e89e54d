#pragma once

#include "core/Preflight.h"
#include "core/TextTable.h"

#include <memory>
#include <string>

class QMessageBox;
class QPushButton;
class QWidget;

// The rename question, with what the look at the plan found below it: how many files in which
// folder, one line per kind of finding, and row by row in the details. Without findings it is
// the plain question. Where rows have no new name, a third button renames the named rows only.
class RenameConfirmation {
public:
    enum class Answer { No, All, NamedRowsOnly };

    RenameConfirmation(const filvane::Preflight &check, const std::string &folder, bool numbersOnly,
                       const filvane::StoredTexts &texts, QWidget *parent);
    ~RenameConfirmation();
    RenameConfirmation(const RenameConfirmation &) = delete;
    RenameConfirmation &operator=(const RenameConfirmation &) = delete;

    Answer exec();
    QMessageBox *box() const { return m_box.get(); }

private:
    std::unique_ptr<QMessageBox> m_box;
    QPushButton *m_yes = nullptr;
    QPushButton *m_namedOnly = nullptr;
};
